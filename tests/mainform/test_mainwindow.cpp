// The main window's state: first start, titles, the command line, busy periods and the
// enabling rules, checked as a user sees them.
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QToolButton>

#include "common/test_environment.h"
#include "mainform/command_line.h"
#include "test_mainwindow_rig.h"

namespace {

const QString kUntitled = QStringLiteral("Untitled - Parcelix for Windows 95");

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

 private slots:
  void firstStartShowsEveryToggleAndSortByName() {
    TWindowRig rig;
    rig.Window->show();
    QCOMPARE(rig.Window->windowTitle(), kUntitled);
    for (const char* mark :
         {"MnDisplayButtons", "MnTextLabels", "MnStatusbar", "SortbyName", "SaveSettingsonExit1"})
      QVERIFY2(rig.Action(mark)->isChecked(), mark);
    for (const char* mark : {"SortbyDate", "SortbyTime", "SortbySize", "SortbyPackedSize", "SortbyRatio",
                             "SortbyPath", "MultidiskmodeMn"})
      QVERIFY2(!rig.Action(mark)->isChecked(), mark);
    QVERIFY(rig.Find<QWidget>("ToolBar")->isVisible());
    QVERIFY(rig.Find<QWidget>("StatusBar1")->isVisible());
    QVERIFY(rig.Find<QWidget>("ProgressBar2")->isVisible());
    QCOMPARE(rig.Find<QWidget>("ToolBar")->height(), 52);
    auto* button = rig.Find<QToolButton>("SpdBtnNew");
    QCOMPARE(button->height(), 52);
    QVERIFY(button->width() >= 40);
    QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QCOMPARE(button->text(), QStringLiteral("New ZIP"));
    QCOMPARE(rig.Window->HelpFile, QStringLiteral("/opt/parcelix/bin/Parcelix.hlp"));
    QVERIFY(rig.Window->acceptDrops());  // registered by the window, after FileDrag1 started
    // The design-time engine settings.
    QCOMPARE(int(rig.Window->MainXz->Compression), 6);
    QCOMPARE(rig.Window->MainXz->StoredExtensions, QStringLiteral(".ZIP;.LZH;.ARC;.ARJ;.ZOO"));
    QVERIFY(!rig.Window->MainXz->UsePaths);
    QVERIFY(!rig.Window->MainXz->UseTempFile);
    QVERIFY(rig.Window->MainXz->ZipFileName.isEmpty());
  }

  void fileMenuHoldsFourteenItemsWithExitAtThirteen() {
    TWindowRig rig;
    const auto items = rig.Menu("FileMn")->actions();
    QCOMPARE(items.size(), 14);
    QCOMPARE(items[13], rig.Action("FileExitMn"));
    QCOMPARE(items[11], rig.Menu("FileFixMn")->menuAction());
    for (int separator : {3, 7, 12}) QVERIFY(items[separator]->isSeparator());
    QCOMPARE(rig.Menu("FileFixMn")->menuAction()->statusTip(), QStringLiteral("Fix a damaged Archive file"));
    QCOMPARE(rig.Action("FileCloseMn")->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
    QCOMPARE(rig.Action("FileOpenMn")->property("helpContext").toInt(), 1026);
    // Texts that end in a blank keep it.
    QCOMPARE(rig.Action("EditView1")->text(), QStringLiteral("&View "));
    QCOMPARE(rig.Action("ViewFile1")->text(), QStringLiteral("&View File "));
    QCOMPARE(rig.Action("HowtoUseHelp2")->statusTip(), QStringLiteral("Information on using Windows help "));
    QCOMPARE(rig.Action("RenameArchive1")->statusTip(), QStringLiteral("Rename or move the Open Archive "));
  }

  void toolbarButtonsStartInTheirIdleStates() {
    TWindowRig rig;
    for (const char* on : {"SpdBtnNew", "ToolButton4", "ToolButton10"})
      QVERIFY2(rig.Find<QToolButton>(on)->isEnabled(), on);
    for (const char* off :
         {"SpdBtnClose", "SpdBtnAdd", "SpdBtnExtract", "SpdBtnRemove", "SpdBtnView", "AbortSB"})
      QVERIFY2(!rig.Find<QToolButton>(off)->isEnabled(), off);
  }

  void titleFollowsTheCurrentArchive() {
    TWindowRig rig;
    rig.Window->OpenZipFile(QStringLiteral("/data/backup/BACKUP.ZIP"));
    QCOMPARE(rig.Window->windowTitle(), QStringLiteral("BACKUP.ZIP - Parcelix for Windows 95"));
    QVERIFY(rig.Find<QToolButton>("SpdBtnClose")->isEnabled());
    QVERIFY(rig.Find<QToolButton>("SpdBtnAdd")->isEnabled());
    rig.Window->MainXz->ZipFileName.clear();
    rig.Window->UpdateTitle();
    QCOMPARE(rig.Window->windowTitle(), kUntitled);
  }

  void commandLineArgumentsAreJoinedWithoutBlanks() {
    QCOMPARE(JoinCommandLine({"prog", "/data/MY", "FILES/A.ZIP"}), QStringLiteral("/data/MYFILES/A.ZIP"));
    QCOMPARE(JoinCommandLine({"prog", "1", "2", "3", "4", "5", "6", "7", "8", "9"}),
             QStringLiteral("12345678"));
    QCOMPARE(JoinCommandLine({"prog"}), QString());

    TWindowRig rig({"Parcelix", "/data/MY", "FILES/A.ZIP"});
    QCOMPARE(rig.Window->MainXz->ZipFileName, QStringLiteral("/data/MYFILES/A.ZIP"));
    QCOMPARE(rig.Window->windowTitle(), QStringLiteral("A.ZIP - Parcelix for Windows 95"));

    TWindowRig nine({"Parcelix", "/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h.zip", "/ignored"});
    QCOMPARE(nine.Window->MainXz->ZipFileName, QStringLiteral("/a/b/c/d/e/f/g/h.zip"));

    TWindowRig none({"Parcelix"});
    QVERIFY(none.Window->MainXz->ZipFileName.isEmpty());
    QCOMPARE(none.Window->windowTitle(), kUntitled);
  }

  void nestedBusyPeriodsReleaseOnlyAtTheOutermostEnd() {
    TWindowRig rig;
    rig.Window->show();
    auto* panel = rig.Find<QLabel>("StatusPanel0");
    auto* progress = rig.Find<QProgressBar>("ProgressBar2");
    const char* menus[] = {"FileMn", "EditMn", "OptionsMn", "HelpMn"};
    rig.AddRows(2);
    rig.Window->FTotalSize = 1234567;
    rig.Window->FTotalPacked = 1000;

    rig.Window->SetBusy(false);
    rig.Window->SetBusy(false);
    QCOMPARE(BusyCount, 2);
    for (const char* menu : menus) QVERIFY2(!rig.Menu(menu)->menuAction()->isEnabled(), menu);
    QVERIFY(rig.Menu("View1")->menuAction()->isEnabled());
    QVERIFY(!rig.List()->isEnabled());
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    // No second command may start from inside an engine call: the buttons wait too.
    QVERIFY(!rig.Find<QToolButton>("SpdBtnNew")->isEnabled());
    QVERIFY(!rig.Find<QToolButton>("ToolButton10")->isEnabled());
    QVERIFY(!rig.Find<QToolButton>("AbortSB")->isEnabled());  // UseTempFile is off

    progress->setValue(60);
    rig.Window->SetBusy(true);
    QCOMPARE(BusyCount, 1);
    for (const char* menu : menus) QVERIFY2(!rig.Menu(menu)->menuAction()->isEnabled(), menu);
    QVERIFY(!rig.List()->isEnabled());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QCOMPARE(panel->text(), QStringLiteral("2 Entries, 1,234,567 Bytes, 1,000 Bytes."));
    QCOMPARE(progress->value(), 0);

    rig.Window->SetBusy(true);
    QCOMPARE(BusyCount, 0);
    for (const char* menu : menus) QVERIFY2(rig.Menu(menu)->menuAction()->isEnabled(), menu);
    QVERIFY(rig.List()->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(rig.Find<QToolButton>("SpdBtnNew")->isEnabled());

    // An end without a begin stays at 0 and still shows the totals.
    panel->setText(QStringLiteral("something else"));
    rig.Window->SetBusy(true);
    QCOMPARE(BusyCount, 0);
    QCOMPARE(panel->text(), QStringLiteral("2 Entries, 1,234,567 Bytes, 1,000 Bytes."));
    QVERIFY(!QApplication::overrideCursor());
  }

  void abortIsOfferedOnlyWhileBusyOnATemporaryCopy() {
    TWindowRig rig;
    auto* abort = rig.Find<QToolButton>("AbortSB");
    rig.Window->MainXz->UseTempFile = true;
    rig.Window->SetBusy(false);
    QVERIFY(abort->isEnabled());

    rig.Dialogs.MessageAnswers = {platform::mrCancel, platform::mrOk};
    abort->click();
    QVERIFY(!rig.Window->MainXz->Abort);
    abort->click();
    QVERIFY(rig.Window->MainXz->Abort);
    QCOMPARE(rig.Dialogs.Messages().last(),
             QStringLiteral("Warning: Are you sure you want to abort the current process?"));
    QCOMPARE(rig.Dialogs.Prompts.last().Buttons, unsigned(platform::mbOKCancel));

    rig.Window->SetBusy(true);
    QVERIFY(!abort->isEnabled());
  }

  void busyPeriodRefusesShortcutsAndTheContextMenu() {
    TWindowRig rig;
    rig.Window->show();
    rig.Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.Window.get()));
    QSignalSpy opened(rig.Action("FileOpenMn"), &QAction::triggered);

    QTest::keyClick(rig.Window.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(opened.size(), 1);

    rig.Window->SetBusy(false);
    QTest::keyClick(rig.Window.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(opened.size(), 1);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                rig.Window->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(rig.Window.get(), &menuEvent);
    QVERIFY(!rig.Find<QMenu>("PopupMenu1")->isVisible());

    rig.Window->SetBusy(true);
    QTest::keyClick(rig.Window.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(opened.size(), 2);
  }

  void shortcutKeysFollowTheRulesOfTheirMenus() {
    TWindowRig rig;
    rig.Window->show();
    rig.Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.Window.get()));
    QSignalSpy closed(rig.Action("FileCloseMn"), &QAction::triggered);
    QSignalSpy added(rig.Action("EditAddMn"), &QAction::triggered);

    rig.OpenMenu(rig.Menu("FileMn"));  // no archive: Close is disabled
    QTest::keyClick(rig.Window.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(added.size(), 0);

    rig.Window->MainXz->ZipFileName = QStringLiteral("/data/a.zip");
    QTest::keyClick(rig.Window.get(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(closed.size(), 1);
    QVERIFY(rig.Window->MainXz->ZipFileName.isEmpty());  // Close did close it
    rig.Window->MainXz->ZipFileName = QStringLiteral("/data/a.zip");
    QTest::keyClick(rig.Window.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(added.size(), 1);
  }

  void enablingRules_data() {
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("multidisk");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("enabled");  // every listed item enabled, the others disabled

    QTest::newRow("no archive") << false << false << 0 << 0 << QStringList{"FileTestMn", "FileFixMn"};
    QTest::newRow("no archive, multidisk") << false << true << 0 << 0 << QStringList{"FileTestMn"};
    QTest::newRow("open, empty") << true << false << 0 << 0
                                 << QStringList{"FileCloseMn",           "ArchiveInformation1",
                                                "CopyArchive1",          "RenameArchive1",
                                                "FileDeleteMn",          "EditAddMn",
                                                "EditCreateGroupIcons1", "EditUpdateMn"};
    QTest::newRow("open, rows, none selected")
        << true << false << 3 << 0
        << QStringList{"FileCloseMn",           "ArchiveInformation1", "CopyArchive1",
                       "RenameArchive1",        "FileDeleteMn",        "EditAddMn",
                       "EditCreateGroupIcons1", "EditUpdateMn",        "EditUpdateZIPDateMn",
                       "EditSelectAllMn",       "DeselectAll2",        "AddComment1"};
    QTest::newRow("open, rows, selected")
        << true << false << 3 << 1
        << QStringList{"FileCloseMn",           "ArchiveInformation1", "CopyArchive1",
                       "RenameArchive1",        "FileDeleteMn",        "EditAddMn",
                       "EditCreateGroupIcons1", "EditUpdateMn",        "EditUpdateZIPDateMn",
                       "EditSelectAllMn",       "DeselectAll2",        "AddComment1",
                       "EditDeleteMn",          "EditExtractMn",       "EditView1"};
    QTest::newRow("open, multidisk, rows, selected")
        << true << true << 3 << 2
        << QStringList{
               "FileCloseMn",     "ArchiveInformation1", "CopyArchive1", "RenameArchive1", "FileDeleteMn",
               "EditSelectAllMn", "DeselectAll2",        "AddComment1",  "EditExtractMn",  "EditView1"};
    QTest::newRow("open, multidisk, no rows")
        << true << true << 0 << 0
        << QStringList{"FileCloseMn",  "ArchiveInformation1", "CopyArchive1",         "RenameArchive1",
                       "FileDeleteMn", "EditAddMn",           "EditCreateGroupIcons1"};
  }

  void enablingRules() {
    QFETCH(bool, open);
    QFETCH(bool, multidisk);
    QFETCH(int, rows);
    QFETCH(int, selected);
    QFETCH(QStringList, enabled);
    TWindowRig rig;
    rig.Window->show();
    if (open) rig.Window->MainXz->ZipFileName = QStringLiteral("/data/a.zip");
    rig.Window->MainXz->MultidiskMode = multidisk;
    rig.AddRows(rows);
    rig.Select(selected);
    rig.Window->UpdateToolButtons();

    rig.OpenMenu(rig.Menu("FileMn"));
    rig.OpenMenu(rig.Menu("EditMn"));
    rig.OpenMenu(rig.Menu("OptionsMn"));
    const char* ruled[] = {
        "FileCloseMn",         "ArchiveInformation1", "CopyArchive1", "RenameArchive1",
        "FileDeleteMn",        "FileTestMn",          "EditAddMn",    "EditCreateGroupIcons1",
        "EditDeleteMn",        "EditExtractMn",       "EditView1",    "EditUpdateMn",
        "EditUpdateZIPDateMn", "EditSelectAllMn",     "DeselectAll2", "AddComment1"};
    for (const char* name : ruled) QVERIFY2(rig.Action(name)->isEnabled() == enabled.contains(name), name);
    QCOMPARE(rig.Menu("FileFixMn")->menuAction()->isEnabled(), enabled.contains("FileFixMn"));
    for (const char* always : {"FileNewMn", "FileOpenMn", "BrowseArchives1", "FileExitMn", "Configuration1",
                               "SaveSettingsNow1", "MultidiskmodeMn"})
      QVERIFY2(rig.Action(always)->isEnabled(), always);
    QCOMPARE(rig.Action("MultidiskmodeMn")->isChecked(), multidisk);

    // The toolbar follows its own, simpler rules.
    QCOMPARE(rig.Find<QToolButton>("SpdBtnClose")->isEnabled(), open);
    QCOMPARE(rig.Find<QToolButton>("SpdBtnAdd")->isEnabled(), open);
    for (const char* button : {"SpdBtnRemove", "SpdBtnExtract", "SpdBtnView"})
      QVERIFY2(rig.Find<QToolButton>(button)->isEnabled() == (selected > 0), button);

    // The context menu mirrors the items it stands for.
    rig.OpenMenu(rig.Find<QMenu>("PopupMenu1"));
    const std::pair<const char*, const char*> mirrors[] = {
        {"AddFile1", "EditAddMn"},        {"ExtractFile1", "EditExtractMn"},
        {"ViewFile1", "EditView1"},       {"RemoveFile1", "EditDeleteMn"},
        {"CreateArchive1", "FileNewMn"},  {"OpenArchive1", "FileOpenMn"},
        {"CloseArchive1", "FileCloseMn"}, {"SelectAll1", "EditSelectAllMn"},
        {"DeselectAll1", "DeselectAll2"}, {"CreateGroupsIcons1", "EditCreateGroupIcons1"}};
    for (const auto& [item, source] : mirrors)
      QVERIFY2(rig.Action(item)->isEnabled() == rig.Action(source)->isEnabled(), item);
  }

  void menuItemsAreComputedOnlyWhenTheirMenuOpens() {
    TWindowRig rig;
    rig.Window->show();
    rig.OpenMenu(rig.Menu("FileMn"));
    QVERIFY(!rig.Action("FileCloseMn")->isEnabled());
    rig.Window->MainXz->ZipFileName = QStringLiteral("/data/a.zip");
    QVERIFY(!rig.Action("FileCloseMn")->isEnabled());
    rig.OpenMenu(rig.Menu("FileMn"));
    QVERIFY(rig.Action("FileCloseMn")->isEnabled());
    QVERIFY(!rig.Action("FileTestMn")->isEnabled());
  }

  void selectionButtonsFollowSelectAllAndDeselectAll() {
    TWindowRig rig;
    rig.AddRows(4);
    rig.Action("EditSelectAllMn")->trigger();
    QCOMPARE(rig.SelectedCount(), 4);
    QVERIFY(rig.Find<QToolButton>("SpdBtnExtract")->isEnabled());
    rig.Action("DeselectAll1")->trigger();
    QCOMPARE(rig.SelectedCount(), 0);
    QVERIFY(!rig.Find<QToolButton>("SpdBtnExtract")->isEnabled());
  }

  void leavingMultidiskModeClearsTheMark() {
    TWindowRig rig;
    rig.Window->MainXz->MultidiskMode = true;
    rig.OpenMenu(rig.Menu("OptionsMn"));
    QVERIFY(rig.Action("MultidiskmodeMn")->isChecked());
    rig.Window->LeaveMultidiskMode();
    QVERIFY(!rig.Window->MainXz->MultidiskMode);
    QVERIFY(!rig.Action("MultidiskmodeMn")->isChecked());
  }
};

PARCELIX_GUI_TEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
