// The archive browser against the real libraries, driven from the main window's command: the
// rows of a folder, opening an archive, two windows, the columns, placement, help, and reading
// while the main window's engine is busy.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "../mainform/test_mainwindow_rig.h"
#include "common/test_environment.h"
#include "platform/profile.h"
#include "settings/placement.h"
#include "windows/browser.h"

namespace {

// Archives of one small entry each, with the given comments, written by Python's zipfile.
bool MakeArchives(const QString& folder, const QStringList& namesAndComments) {
  QProcess python;
  python.start(QStringLiteral("python3"),
               QStringList{QStringLiteral("-c"),
                           QStringLiteral("import zipfile, sys\n"
                                          "a = sys.argv[2:]\n"
                                          "for name, comment in zip(a[0::2], a[1::2]):\n"
                                          "    with zipfile.ZipFile(sys.argv[1] + '/' + name, 'w') as z:\n"
                                          "        z.writestr('entry.txt', 'x')\n"
                                          "        z.comment = comment.encode()\n"),
                           folder} +
                   namesAndComments);
  return python.waitForFinished(60000) && python.exitCode() == 0;
}

QList<TFrmBrowse*> Browsers() {
  QList<TFrmBrowse*> found;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* browser = qobject_cast<TFrmBrowse*>(widget)) found << browser;
  return found;
}

const TBrowseItems& Items(TFrmBrowse* browser) {
  return *qobject_cast<TBrowseItems*>(browser->findChild<QListView*>("FilesLb")->model());
}

QToolButton* Button(TFrmBrowse* browser, const char* name) {
  return browser->findChild<QToolButton*>(name);
}

}  // namespace

class TestBrowser : public QObject {
  Q_OBJECT

  QTemporaryDir FDir;
  QString FFolder;  // archives of every kind the rows must show, and two things that are none
  std::unique_ptr<TWindowRig> FRig;

  TFrmBrowse* NewBrowser() {
    const QList<TFrmBrowse*> before = Browsers();
    FRig->Action("BrowseArchives1")->trigger();
    const QList<TFrmBrowse*> now = Browsers();
    if (now.size() != before.size() + 1) return nullptr;
    for (TFrmBrowse* browser : now)
      if (!before.contains(browser) && browser->isVisible()) return browser;
    return nullptr;
  }
  // The Browse button, answered with Folder; waits until every comment is read.
  bool Browse(TFrmBrowse* browser, const QString& folder) {
    FRig->Dialogs.FolderAnswers.push_back(folder);
    Button(browser, "SpdBtnBrowse")->click();
    return QTest::qWaitFor([browser] { return !browser->Reading(); }, 10000);
  }
  QStringList Paths(TFrmBrowse* browser) {
    QStringList paths;
    for (int row = 0; row < Items(browser).rowCount(); ++row) paths << Items(browser).Item(row).Path();
    return paths;
  }
  void Select(TFrmBrowse* browser, const QList<int>& rows) {
    auto* list = browser->findChild<QListView*>("FilesLb");
    for (int row : rows)
      list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select);
  }

 private slots:
  void initTestCase() {
    FFolder = FDir.filePath(QStringLiteral("archives"));
    QVERIFY(QDir().mkpath(FFolder + "/folder.zip"));
    QVERIFY(
        MakeArchives(FFolder, {"plain.zip", "", "Commas.ZIP", "one, two, three", "mixed.Zip", "mixed case",
                               "a,b.zip", "comma in the name", "long.zip", QString(200, QChar(0xE9))}));
    QFile broken(FFolder + "/broken.zip");
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not an archive at all") > 0);
    broken.close();
    QFile notes(FFolder + "/notes.txt");
    QVERIFY(notes.open(QIODevice::WriteOnly));
  }

  void init() {
    FRig = std::make_unique<TWindowRig>();
    FRig->Window->show();
  }

  void cleanup() {
    BusyCount = 0;
    // The main window going first takes its browsers with it.
    FRig.reset();
    QTRY_VERIFY(Browsers().isEmpty());
  }

  void anEmptyFolder() {
    const QString empty = FDir.filePath(QStringLiteral("empty"));
    QVERIFY(QDir().mkpath(empty));
    TFrmBrowse* browser = NewBrowser();
    QVERIFY(browser);
    QCOMPARE(browser->windowTitle(), QStringLiteral("Parcelix Archive Browser"));
    QVERIFY(Browse(browser, empty));
    QCOMPARE(Items(browser).rowCount(), 0);
    auto* list = browser->findChild<QListView*>("FilesLb");
    QCOMPARE(list->statusTip(), "Archives in " + empty);
    QVERIFY(!Button(browser, "SpdBtnOpen")->isEnabled());
    // The hint reaches the browser's own status bar while it is the active window.
    browser->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(browser));
    browser->StatusPanel0->clear();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(list->viewport(), &enter);
    QCOMPARE(browser->StatusPanel0->text(), "Archives in " + empty);
    QApplication::sendEvent(Button(browser, "SpdBtnOpen"), &enter);
    QCOMPARE(browser->StatusPanel0->text(), QStringLiteral("Open the Selected Archive "));
  }

  void aFolderThatCannotBeRead() {
    const QString missing = FDir.filePath(QStringLiteral("missing"));
    TFrmBrowse* browser = NewBrowser();
    QVERIFY(Browse(browser, missing));
    QCOMPARE(FRig->Dialogs.Messages(),
             QStringList{"Error: Unable to read the folder \"" + missing + "\": No such file or directory."});
    QCOMPARE(Items(browser).rowCount(), 0);
  }

  void onlyArchivesInTextOrder() {
    TFrmBrowse* browser = NewBrowser();
    // The chooser's trailing separator makes no doubled one.
    QVERIFY(Browse(browser, FFolder + "/"));
    QStringList expected;
    for (const char* name : {"a,b.zip", "broken.zip", "Commas.ZIP", "long.zip", "mixed.Zip", "plain.zip"})
      expected << FFolder + "/" + name;
    QCOMPARE(Paths(browser), expected);
  }

  void columnsOfARow_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("comment");
    QTest::newRow("no comment") << "plain.zip"
                                << "";
    QTest::newRow("comma in the comment, upper-case extension") << "Commas.ZIP"
                                                                << "one, two, three";
    QTest::newRow("mixed-case extension") << "mixed.Zip"
                                          << "mixed case";
    QTest::newRow("comma in the file name") << "a,b.zip"
                                            << "comma in the name";
    QTest::newRow("255 bytes, whole characters") << "long.zip" << QString(127, QChar(0xE9));
    QTest::newRow("not an archive") << "broken.zip"
                                    << "Error #110";
  }
  void columnsOfARow() {
    QFETCH(QString, name);
    QFETCH(QString, comment);
    TFrmBrowse* browser = NewBrowser();
    QVERIFY(Browse(browser, FFolder));
    const int row = int(Paths(browser).indexOf(FFolder + "/" + name));
    QVERIFY(row >= 0);
    QCOMPARE(Items(browser).Item(row).Comment(), comment);
    QCOMPARE(Items(browser).Item(row).Text, FFolder + "/" + name + "," + comment);
  }

  void openTakesTheTopmostSelectedRow_data() {
    QTest::addColumn<bool>("doubleClick");
    QTest::newRow("Open button") << false;
    QTest::newRow("double-click") << true;
  }
  void openTakesTheTopmostSelectedRow() {
    QFETCH(bool, doubleClick);
    FRig->Window->CloseBrowser = false;
    FRig->Window->LastDirectory = FDir.filePath("elsewhere");
    TFrmBrowse* browser = NewBrowser();
    QVERIFY(Browse(browser, FFolder));
    browser->SpdBtnOpenClick();  // nothing selected: nothing happens
    QVERIFY(FRig->Window->MainXz->ZipFileName.isEmpty());
    auto* list = browser->findChild<QListView*>("FilesLb");
    if (doubleClick) {
      // The first click selects the row, the second opens it.
      const QRect row = list->visualRect(list->model()->index(4, 0));
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
      QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
    } else {
      Select(browser, {4, 2});
      QVERIFY(Button(browser, "SpdBtnOpen")->isEnabled());
      Button(browser, "SpdBtnOpen")->click();
    }
    const QString opened = doubleClick ? "mixed.Zip" : "Commas.ZIP";
    QCOMPARE(FRig->Window->MainXz->ZipFileName, FFolder + "/" + opened);
    QVERIFY(FRig->Window->windowTitle().startsWith(opened + " - "));
    QCOMPARE(FRig->Window->ListModel->rowCount(), 1);
    // Neither the folder browsed nor the archive opened moves LastDirectory or the recent list.
    QCOMPARE(FRig->Window->LastDirectory, FDir.filePath("elsewhere"));
    QCOMPARE(platform::GetPrivateProfileString("OpenedFiles", "MRU1", "<none>",
                                               platform::kProfileBufferLength, "PARCELIX.INI"),
             QStringLiteral("<none>"));
  }

  void closeBrowserSetting_data() {
    QTest::addColumn<bool>("closeBrowser");
    QTest::newRow("CloseBrowser") << true;
    QTest::newRow("not CloseBrowser") << false;
  }
  void closeBrowserSetting() {
    QFETCH(bool, closeBrowser);
    FRig->Window->CloseBrowser = closeBrowser;
    QPointer<TFrmBrowse> browser = NewBrowser();
    QVERIFY(Browse(browser, FFolder));
    Select(browser, {5});
    browser->SpdBtnOpenClick();
    QCOMPARE(FRig->Window->MainXz->ZipFileName, FFolder + "/plain.zip");
    // A closed browser is deleted once events run.
    QTRY_COMPARE_WITH_TIMEOUT(browser.isNull(), closeBrowser, 20000);
    QCOMPARE(!browser.isNull() && browser->isVisible(), !closeBrowser);
  }

  void selectionByKeyboardAndMouseEnablesOpen() {
    TFrmBrowse* browser = NewBrowser();
    QVERIFY(Browse(browser, FFolder));
    auto* list = browser->findChild<QListView*>("FilesLb");
    QVERIFY(!Button(browser, "SpdBtnOpen")->isEnabled());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QVERIFY(list->selectionModel()->hasSelection());
    QVERIFY(Button(browser, "SpdBtnOpen")->isEnabled());
    // A click below the last row selects nothing.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 2));
    QVERIFY(!list->selectionModel()->hasSelection());
    QVERIFY(!Button(browser, "SpdBtnOpen")->isEnabled());
  }

  void twoWindowsShareTheFolder() {
    TFrmBrowse* first = NewBrowser();
    QVERIFY(Browse(first, FFolder));
    TFrmBrowse* second = NewBrowser();
    QVERIFY(second && second != first);
    QCOMPARE(Items(second).rowCount(), 0);
    FRig->Dialogs.Clear();
    FRig->Dialogs.FolderAnswers.push_back(QString());  // cancelled
    Button(second, "SpdBtnBrowse")->click();
    QCOMPARE(FRig->Dialogs.Prompts.size(), 1);
    QCOMPARE(FRig->Dialogs.Prompts[0].Kind, QStringLiteral("folder"));
    QCOMPARE(FRig->Dialogs.Prompts[0].Text, FFolder);
    QCOMPARE(Items(second).rowCount(), 0);
    QVERIFY(!Button(second, "SpdBtnOpen")->isEnabled());
    QCOMPARE(Items(first).rowCount(), 6);
  }

  void widerNameSectionMovesTheComments() {
    TFrmBrowse* browser = NewBrowser();
    QVERIFY(Browse(browser, FFolder));
    auto* list = browser->findChild<QListView*>("FilesLb");
    const QRect row = list->visualRect(list->model()->index(0, 0));
    QCOMPARE(browser->ColumnRect(0, row), QRect(row.left(), row.top(), 150, row.height()));
    QCOMPARE(browser->ColumnRect(1, row), QRect(row.left() + 150, row.top(), 300, row.height()));
    browser->FilesHd->resizeSection(0, 240);
    QCOMPARE(browser->ColumnRect(0, row).width(), 240);
    QCOMPARE(browser->ColumnRect(1, row), QRect(row.left() + 240, row.top(), 300, row.height()));
  }

  void placementKeptUnderFrmBrowse() {
    QPointer<TFrmBrowse> browser = NewBrowser();
    browser->setGeometry(100, 120, 400, 300);
    const QRect frame = browser->frameGeometry();
    browser->close();
    QTRY_VERIFY(browser.isNull());
    const auto stored = ParsePlacement(
        platform::GetPrivateProfileString("Screens", "FrmBrowse", QString(), 1024, "PARCELIX.INI"));
    QVERIFY(stored);
    QCOMPARE(QRect(QPoint(stored->Left, stored->Top), QPoint(stored->Right - 1, stored->Bottom - 1)), frame);
    TFrmBrowse* again = NewBrowser();
    QCOMPARE(again->geometry(), QRect(100, 120, 400, 300));
  }

  void f1ShowsTheBrowsersTopic() {
    TFrmBrowse* browser = NewBrowser();
    browser->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(browser));
    QTest::keyClick(browser->findChild<QListView*>("FilesLb"), Qt::Key_F1);
    QCOMPARE(FRig->Help.Requests.size(), 1);
    QCOMPARE(FRig->Help.Requests[0].Command, platform::HELP_CONTEXT);
    QCOMPARE(FRig->Help.Requests[0].Context, 1048);
  }

  void closingTheMainWindowClosesItsBrowsers() {
    NewBrowser();
    NewBrowser();
    QCOMPARE(Browsers().size(), 2);
    FRig->Window->close();
    QTRY_VERIFY(Browsers().isEmpty());
  }

  void closedWhileItsArchiveOpens() {
    QPointer<TFrmBrowse> browser = NewBrowser();
    QVERIFY(Browse(browser, FFolder));
    Select(browser, {5});
    int busyWhenDestroyed = -1;
    connect(browser, &QObject::destroyed, this, [&busyWhenDestroyed] { busyWhenDestroyed = BusyCount; });
    // The close arrives while the main window's engine lets events run; the window goes once
    // its Open handler has returned, not from under it.
    QMetaObject::invokeMethod(browser, &QWidget::close, Qt::QueuedConnection);
    Button(browser, "SpdBtnOpen")->click();
    QTRY_VERIFY(browser.isNull());
    QCOMPARE(busyWhenDestroyed, 0);
    QCOMPARE(FRig->Window->MainXz->ZipFileName, FFolder + "/plain.zip");
  }

  void readingWaitsForTheMainWindowsEngineAndRestarts() {
    const QString other = FDir.filePath(QStringLiteral("other"));
    QVERIFY(QDir().mkpath(other));
    QVERIFY(MakeArchives(other, {"only.zip", "the only one"}));
    TFrmBrowse* browser = NewBrowser();
    BusyCount = 1;
    FRig->Dialogs.FolderAnswers.push_back(FFolder);
    Button(browser, "SpdBtnBrowse")->click();
    QTest::qWait(150);  // time for a wrong read to show
    QVERIFY(browser->Reading());
    QCOMPARE(Items(browser).rowCount(), 0);
    QCOMPARE(browser->StatusPanel0->text(), QStringLiteral("Reading comments: 0 of 6"));
    // A new folder chosen meanwhile replaces the first.
    FRig->Dialogs.FolderAnswers.push_back(other);
    Button(browser, "SpdBtnBrowse")->click();
    BusyCount = 0;
    QTRY_VERIFY(!browser->Reading());
    QCOMPARE(Paths(browser), QStringList{other + "/only.zip"});
  }
};

PARCELIX_GUI_TEST_MAIN(TestBrowser)
#include "test_browser.moc"
