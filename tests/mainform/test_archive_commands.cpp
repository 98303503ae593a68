// The archive file commands against real archives: open, new, close, copy, rename, delete,
// the recent archives and files dropped on the window.
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "archive_fixture.h"
#include "common/test_environment.h"
#include "drop_simulation.h"
#include "mainform/recent_archives.h"
#include "support/file_drag.h"
#include "test_mainwindow_rig.h"

namespace {

const QString kSuffix = QStringLiteral(" - Parcelix for Windows 95");
const QString kUntitled = QStringLiteral("Untitled - Parcelix for Windows 95");

QList<QAction*> RecentItems(TWindowRig& rig) {
  QList<QAction*> items;
  for (QAction* action : rig.Menu("FileMn")->actions())
    if (action->property("recentItem").toBool()) items << action;
  return items;
}

QStringList RecentCaptions(TWindowRig& rig) {
  QStringList captions;
  for (QAction* item : RecentItems(rig)) captions << item->text();
  return captions;
}

}  // namespace

class TestArchiveCommands : public QObject {
  Q_OBJECT

  QString FDir;

  QString MakeArchive(const QString& name, int entries = 2) {
    QList<TFixtureEntry> list;
    for (int i = 0; i < entries; ++i)
      list.append({QStringLiteral("%1-%2.txt").arg(QFileInfo(name).baseName()).arg(i), 10 + i});
    const QString path = FDir + "/" + name;
    return MakeZip(path, list) ? path : QString();
  }

  void Open(TWindowRig& rig, const QString& path) {
    rig.Dialogs.OpenAnswers.push_back({path});
    rig.Action("FileOpenMn")->trigger();
  }

 private slots:
  void init() {
    RemoveIni();
    FDir = QDir::tempPath() + "/commands";
    QDir(FDir).removeRecursively();
    QDir().mkpath(FDir);
  }

  void recentArchivesFollowEveryOpen() {
    const QString a = MakeArchive("a.zip"), b = MakeArchive("b.zip"), c = MakeArchive("c.zip"),
                  d = MakeArchive("d.zip"), e = MakeArchive("e.zip");
    TWindowRig rig;
    QMenu* file = rig.Menu("FileMn");
    QCOMPARE(file->actions().size(), 14);
    Open(rig, a);
    QCOMPARE(file->actions().size(), 16);  // the item and the separator before "Exit"
    QCOMPARE(file->actions().indexOf(RecentItems(rig).first()), 13);
    Open(rig, b);
    Open(rig, c);
    QCOMPARE(RecentCaptions(rig), (QStringList{"&1 " + RecentDisplayName(c), "&2 " + RecentDisplayName(b),
                                               "&3 " + RecentDisplayName(a)}));
    // &3 opens what "MRU3" holds.
    RecentItems(rig)[2]->trigger();
    QCOMPARE(rig.Window->windowTitle(), "a.zip" + kSuffix);
    QCOMPARE(rig.Model()->rowCount(), 2);
    QCOMPARE(IniValue("OpenedFiles", "MRU1"), c);  // a recent item changes nothing

    Open(rig, d);
    Open(rig, e);
    QCOMPARE(file->actions().size(), 19);
    QCOMPARE(RecentCaptions(rig).size(), 4);
    QVERIFY(RecentCaptions(rig)[3].startsWith("&4 ") && RecentCaptions(rig)[3].endsWith("b.zip"));
    QCOMPARE(IniValue("OpenedFiles", "MRU1"), e);
    QCOMPARE(IniValue("OpenedFiles", "MRU4"), b);
    QVERIFY(file->actions().last() == rig.Action("FileExitMn"));
    QVERIFY(file->actions()[17]->isSeparator());

    // Opening the first one again changes neither the file nor the menu.
    const QStringList captions = RecentCaptions(rig);
    Open(rig, e);
    QCOMPARE(RecentCaptions(rig), captions);
    QCOMPARE(IniValue("OpenedFiles", "MRU2"), d);

    // A new window builds the same menu from the file.
    TWindowRig again;
    QCOMPARE(RecentCaptions(again), captions);
    QCOMPARE(again.Menu("FileMn")->actions().size(), 19);
  }

  // Only New and Open Archive move LastDirectory: a recent item opens its archive from another
  // folder and leaves it where the last Open put it.
  void recentItemsLeaveLastDirectoryAlone() {
    const QString a = MakeArchive("one/a.zip"), b = MakeArchive("two/b.zip");
    TWindowRig rig;
    Open(rig, a);
    Open(rig, b);
    QCOMPARE(rig.Window->LastDirectory, FDir + "/two");
    RecentItems(rig)[1]->trigger();
    QCOMPARE(rig.Window->MainXz->ZipFileName, a);
    QCOMPARE(rig.Window->LastDirectory, FDir + "/two");
    rig.Window->SaveSettings(nullptr);
    QCOMPARE(IniValue("Settings", "LastDirectory"), FDir + "/two");
  }

  void displayNamesAndAMissingFile() {
    QCOMPARE(RecentDisplayName("/data/zips/tools-archive.zip"),
             QStringLiteral("/data/zips/tools-archive.zip"));
    QCOMPARE(RecentDisplayName("/Program Files/Archives/Old/backup.zip"),
             QStringLiteral("/Program Files/Archi... /backup.zip"));
    QCOMPARE(FolderOfFile("/a.zip"), QStringLiteral("/"));
    QCOMPARE(FolderOfFile("/data/x/a.zip"), QStringLiteral("/data/x"));

    const QString gone = MakeArchive("gone.zip");
    const QString kept = MakeArchive("kept.zip");
    TWindowRig rig;
    Open(rig, gone);
    Open(rig, kept);
    QFile::remove(gone);
    rig.Dialogs.Clear();
    RecentItems(rig)[1]->trigger();
    QCOMPARE(rig.Dialogs.Messages(), QStringList{"Information: The archive file, " + gone +
                                                 ", Cannot be located.  Please select another archive."});
    QCOMPARE(rig.Window->MainXz->ZipFileName, kept);
    QCOMPARE(RecentItems(rig).size(), 2);
  }

  void theCommandLineArchiveIsOpenedAtStart() {
    const QString path = MakeArchive("start.zip", 3);
    TWindowRig rig({"Parcelix", path});
    QCOMPARE(rig.Window->windowTitle(), "start.zip" + kSuffix);
    QCOMPARE(rig.Model()->rowCount(), 3);
    QCOMPARE(rig.Find<QLabel>("StatusPanel0")->text(),
             QStringLiteral("3 Entries, 33 Bytes, ") + QString::number(rig.Window->FTotalPacked) + " Bytes.");
    // Neither the recent list nor LastDirectory notice it.
    QVERIFY(rig.Window->LastDirectory.isEmpty());
    QVERIFY(RecentItems(rig).isEmpty());
    QCOMPARE(IniValue("OpenedFiles", "MRU1"), QStringLiteral("<none>"));
    QVERIFY(!OpeningArchive);
  }

  void closeLeavesAnEmptyWindow() {
    TWindowRig rig;
    rig.Window->show();
    Open(rig, MakeArchive("a.zip", 3));
    QCOMPARE(rig.Model()->rowCount(), 3);
    rig.Action("FileCloseMn")->trigger();
    QCOMPARE(rig.Window->windowTitle(), kUntitled);
    QVERIFY(rig.Window->MainXz->ZipFileName.isEmpty());
    QCOMPARE(rig.Model()->rowCount(), 0);
    QVERIFY(rig.Find<QLabel>("StatusPanel0")->text().isEmpty());
    QVERIFY(rig.List()->statusTip().isEmpty());
    QVERIFY(!rig.Find<QToolButton>("SpdBtnClose")->isEnabled());
    QVERIFY(!rig.Find<QToolButton>("SpdBtnAdd")->isEnabled());
  }

  void newArchiveOverAnExistingFile() {
    const QString existing = MakeArchive("old.zip", 3);
    TWindowRig rig;
    Open(rig, MakeArchive("other.zip"));
    rig.Dialogs.Clear();
    rig.Dialogs.SaveAnswers.push_back(existing);
    rig.Action("FileNewMn")->trigger();
    QCOMPARE(rig.Dialogs.Prompts.size(), 1);
    QCOMPARE(rig.Dialogs.Prompts[0].Caption, QStringLiteral("New Archive"));
    QVERIFY(rig.Dialogs.Prompts[0].Request.OverwritePrompt);
    QVERIFY(!QFile::exists(existing));  // the new archive starts empty
    QCOMPARE(rig.Window->windowTitle(), "old.zip" + kSuffix);
    QCOMPARE(rig.Model()->rowCount(), 0);
    QCOMPARE(rig.Find<QLabel>("StatusPanel0")->text(), QStringLiteral("0 Entries, 0 Bytes, 0 Bytes."));
    QCOMPARE(rig.Window->LastDirectory, FDir);
    QCOMPARE(IniValue("OpenedFiles", "MRU1"), existing);
    QVERIFY(rig.Find<QToolButton>("SpdBtnAdd")->isEnabled());

    // Cancelled: nothing changes.
    rig.Action("FileNewMn")->trigger();
    QCOMPARE(rig.Window->MainXz->ZipFileName, existing);
  }

  void copyAsksBeforeReplacing() {
    const QString source = MakeArchive("src.zip", 3);
    const QString target = FDir + "/target.zip";
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();
    TWindowRig rig;
    Open(rig, source);
    rig.Dialogs.Clear();
    rig.Dialogs.SaveAnswers.push_back(target);
    rig.Dialogs.MessageAnswers.push_back(platform::mrNo);
    rig.Action("CopyArchive1")->trigger();
    QCOMPARE(rig.Dialogs.Prompts[0].Caption, QStringLiteral("Copy Archive To"));
    QCOMPARE(rig.Dialogs.Messages(), QStringList{"Confirm: The file \"" + target +
                                                 "\" already exists. Do you want to replace this file?"});
    QCOMPARE(Contents(target), QByteArray("keep me"));

    rig.Dialogs.SaveAnswers.push_back(target);
    rig.Dialogs.MessageAnswers.push_back(platform::mrYes);
    rig.Action("CopyArchive1")->trigger();
    QCOMPARE(Contents(target), Contents(source));
    QCOMPARE(rig.Window->MainXz->ZipFileName, source);  // the open archive stays
    QCOMPARE(IniValue("OpenedFiles", "MRU1"), source);
    // Onto itself: the archive is left whole.
    const QByteArray before = Contents(source);
    rig.Dialogs.SaveAnswers.push_back(source);
    rig.Dialogs.MessageAnswers.push_back(platform::mrYes);
    rig.Action("CopyArchive1")->trigger();
    QCOMPARE(Contents(source), before);

    // A copy that fails leaves no partial file and says so.
    rig.Window->MainXz->ZipFileName = FDir + "/not-yet-created.zip";
    rig.Dialogs.Clear();
    rig.Dialogs.SaveAnswers.push_back(FDir + "/copy2.zip");
    rig.Action("CopyArchive1")->trigger();
    QVERIFY(!QFile::exists(FDir + "/copy2.zip"));
    QCOMPARE(rig.Dialogs.Messages(),
             QStringList{"Error: Could not access the Zip file or one of the files to process."});
    // The new archive's own dialog title is back.
    rig.Dialogs.Clear();
    rig.Action("FileNewMn")->trigger();
    QCOMPARE(rig.Dialogs.Prompts[0].Caption, QStringLiteral("New Archive"));
  }

  void renameOntoAnExistingFile() {
    const QString source = MakeArchive("src.zip", 4);
    const QString target = MakeArchive("target.zip", 1);
    const QByteArray bytes = Contents(source);
    TWindowRig rig;
    Open(rig, source);
    rig.Dialogs.Clear();
    rig.Dialogs.SaveAnswers.push_back(target);
    rig.Dialogs.MessageAnswers.push_back(platform::mrYes);
    rig.Action("RenameArchive1")->trigger();
    QCOMPARE(rig.Dialogs.Prompts[0].Caption, QStringLiteral("Rename Archive To"));
    QVERIFY(!QFile::exists(source));
    QCOMPARE(Contents(target), bytes);
    QCOMPARE(rig.Window->windowTitle(), "target.zip" + kSuffix);
    QCOMPARE(rig.Model()->rowCount(), 4);
    QCOMPARE(IniValue("OpenedFiles", "MRU1"), target);

    // A move that cannot be done keeps showing the archive where it is.
    rig.Dialogs.Clear();
    rig.Dialogs.SaveAnswers.push_back(FDir + "/no/such/folder/x.zip");
    rig.Action("RenameArchive1")->trigger();
    QCOMPARE(rig.Window->MainXz->ZipFileName, target);
    QCOMPARE(rig.Model()->rowCount(), 4);
    QCOMPARE(rig.Dialogs.Messages(),
             QStringList{"Error: Could not access the Zip file or one of the files to process."});
  }

  void deleteLeavesMultidiskModeAndUsesTheTrash() {
    const QString path = MakeArchive("doomed.zip");
    TWindowRig rig;
    Open(rig, path);
    rig.Window->MainXz->MultidiskMode = true;
    rig.Dialogs.Clear();
    rig.Dialogs.MessageAnswers.push_back(platform::mrNo);
    rig.Action("FileDeleteMn")->trigger();
    QVERIFY(!rig.Window->MainXz->MultidiskMode);
    QCOMPARE(rig.Dialogs.Messages(),
             QStringList{"Confirm: Are you sure you want to delete file\r\"" + path + "\"?"});
    QVERIFY(QFile::exists(path));
    QCOMPARE(rig.Window->MainXz->ZipFileName, path);

    rig.Dialogs.Clear();
    rig.Dialogs.MessageAnswers = {platform::mrYes, platform::mrYes};
    rig.Action("FileDeleteMn")->trigger();
    QCOMPARE(rig.Dialogs.Messages().size(), 2);
    QCOMPARE(rig.Dialogs.Messages()[1], "Confirm: Do you want to move \"" + path + "\" to the Trash?");
    QVERIFY(!QFile::exists(path));
    QVERIFY(QFile::exists(QDir::homePath() + "/.local/share/Trash/files/doomed.zip") ||
            QFile::exists(qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files/doomed.zip"));
    QCOMPARE(rig.Window->windowTitle(), kUntitled);
    QCOMPARE(RecentItems(rig).size(), 1);  // it stays in the recent list
  }

  void droppedFiles() {
    QStringList files;
    for (const char* name : {"one.txt", "two.tar.gz", "README"}) {
      QFile file(FDir + "/in/" + name);
      QDir().mkpath(FDir + "/in");
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("content of " + QByteArray(name));
      files << file.fileName();
    }
    TWindowRig rig;
    rig.Window->show();
    // No archive and No: nothing happens.
    rig.Dialogs.MessageAnswers.push_back(platform::mrNo);
    Drop(*rig.Window, files);
    QCOMPARE(rig.Dialogs.Messages(),
             QStringList{
                 "Information: You must Open an existing Archive or Create a new one before adding files.  "
                 "Do you want to create a new archive file?"});
    QVERIFY(rig.Window->MainXz->ZipFileName.isEmpty());

    // Yes: a new archive receives them.
    rig.Dialogs.Clear();
    const QString archive = FDir + "/dropped.zip";
    rig.Dialogs.MessageAnswers.push_back(platform::mrYes);
    rig.Dialogs.SaveAnswers.push_back(archive);
    Drop(*rig.Window, files);
    TFileDrag* drag = rig.Window->FileDrag1;
    QCOMPARE(drag->FileCount(), 3);
    QCOMPARE(drag->NameWithPath(), files);
    QCOMPARE(drag->NameOnly(), (QStringList{"one.txt", "two.tar.gz", "README"}));
    QCOMPARE(drag->Extension(), (QStringList{"txt", "tar.gz", ""}));
    QVERIFY(QFile::exists(archive));
    QCOMPARE(rig.Model()->rowCount(), 3);
    QStringList names;
    for (int row = 0; row < 3; ++row) names << rig.Model()->Text(row, 0);
    QCOMPARE(names, (QStringList{"README", "one.txt", "two.tar.gz"}));
    QCOMPARE(rig.Dialogs.Messages().size(), 1);
  }
};

PARCELIX_GUI_TEST_MAIN(TestArchiveCommands)
#include "test_archive_commands.moc"
