// Test, Fix, Update Archive Date and multi-disk mode against the real libraries, and the skip
// and disk prompts any operation can raise.
#include <QDateTime>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include "archive_fixture.h"
#include "common/test_environment.h"
#include "test_mainwindow_rig.h"

namespace {

// Python's zipfile, an independent reader, finds every entry sound.
bool PeerTestsClean(const QString& path, int entries) {
  QProcess python;
  python.start("python3",
               {"-c",
                "import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1])\n"
                "sys.exit(0 if z.testzip() is None and len(z.namelist())==int(sys.argv[2]) else 1)",
                path, QString::number(entries)});
  return python.waitForFinished(60000) && python.exitStatus() == QProcess::NormalExit &&
         python.exitCode() == 0;
}

}  // namespace

class TestTestFix : public QObject {
  Q_OBJECT

  QString FDir;
  QString Path(const QString& name) { return FDir + "/" + name; }

 private slots:
  void init() {
    RemoveIni();
    FDir = QDir::tempPath() + "/testfix";
    QDir(FDir).removeRecursively();
    QDir().mkpath(FDir);
  }

  void testOfASoundArchiveLeavesNothingOpen() {
    TWindowRig rig;
    const QString archive = Path("sound.zip");
    QVERIFY(MakeZip(archive, {{"a.txt", 100}, {"b.txt", 200, "2020,1,2,3,4,6", true}}));
    rig.Window->LastDirectory = FDir;
    const QString title = rig.Window->windowTitle();
    QStringList panels;
    QList<bool> testing;
    auto* panel = rig.Find<QLabel>("StatusPanel0");
    TZipFileStatsEvent handler = rig.Window->MainXz->OnTesting;
    rig.Window->MainXz->OnTesting = [&](TZipEngine& engine, const TZipFileStats& stats) {
      if (panels.isEmpty()) panels << panel->text();
      testing << rig.Window->FTesting;
      handler(engine, stats);
      panels << panel->text();
    };
    rig.Dialogs.OpenAnswers = {{archive}};
    rig.Action("FileTestMn")->trigger();

    QCOMPARE(rig.Dialogs.Prompts[0].Request.Title, QStringLiteral("Test Archive"));
    QCOMPARE(rig.Dialogs.Prompts[0].Request.InitialDir, FDir);
    QVERIFY(rig.Dialogs.Prompts[0].Request.FileName.isEmpty());
    QCOMPARE(rig.Dialogs.Messages(), QStringList{"Information: All files in the archive are OK."});
    QCOMPARE(panels, (QStringList{"Testing archive " + archive, "Testing \"a.txt\".", "Testing \"b.txt\"."}));
    QCOMPARE(testing, (QList<bool>{true, true}));
    QVERIFY(!rig.Window->FTesting);
    QVERIFY(rig.Window->MainXz->ZipFileName.isEmpty());
    QCOMPARE(rig.Window->windowTitle(), title);
    QCOMPARE(rig.Model()->rowCount(), 0);
    QCOMPARE(BusyCount, 0);
    rig.OpenMenu(rig.Menu("FileMn"));
    QVERIFY(rig.Action("FileTestMn")->isEnabled());
  }

  void testOfADamagedEntryWarnsPerFileThenReports() {
    TWindowRig rig;
    const QString archive = Path("damaged.zip");
    QVERIFY(MakeZip(archive, {{"a.txt", 100}, {"b.txt", 4000}}));
    QByteArray bytes = Contents(archive);
    const int at = bytes.indexOf("b.txt") + 200;  // inside b.txt's data
    for (int i = 0; i < 16; ++i) bytes[at + i] = char(bytes[at + i] ^ 0x5a);
    QVERIFY(WriteFile(archive, bytes));
    rig.Dialogs.OpenAnswers = {{archive}};
    rig.Action("FileTestMn")->trigger();
    const QStringList messages = rig.Dialogs.Messages();
    QCOMPARE(messages.size(), 2);
    QVERIFY2(messages[0].startsWith("Warning: File \"b.txt\" failed test: "), qPrintable(messages[0]));
    QCOMPARE(messages[1], QStringLiteral("Error: Test failed - Errors in the archive."));
    QVERIFY(rig.Window->MainXz->ZipFileName.isEmpty());

    // Fixed: the entry repair leaves out gets the skipping warning, then one box says the
    // archive was fixed, that files were skipped, and where the damaged original went.
    rig.Dialogs.Clear();
    rig.Dialogs.OpenAnswers = {{archive}};
    rig.Action("FixNormal1")->trigger();
    QCOMPARE(rig.Dialogs.Messages().size(), 2);
    QCOMPARE(rig.Dialogs.Messages()[0],
             QStringLiteral("Warning: Skipping \"b.txt\", CRC does not check out."));
    QCOMPARE(rig.Dialogs.Messages()[1], QStringLiteral("Information: The specified Zip file has been fixed.\r"
                                                       "Some files were skipped while fixing.\r"
                                                       "The damaged original was moved to the Trash."));
    QVERIFY(PeerTestsClean(archive, 1));
    QCOMPARE(Contents(qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files/damaged.zip"), bytes);
  }

  // An entry the reader cannot unpack is skipped, not failed: its own warning, then the
  // two-line verdict in an information box.
  void testWithSkippedEntriesSaysSoOnASecondLine() {
    TWindowRig rig;
    const QString archive = Path("skips.zip");
    QVERIFY(MakeZip(archive, {{"a.txt", 100}, {"odd.bin", 300}}));
    // odd.bin's method becomes 6 (Implode) in both its headers, a method this reader does not take.
    QByteArray bytes = Contents(archive);
    const QByteArray local("PK\x03\x04", 4), central("PK\x01\x02", 4);
    const int localAt = bytes.lastIndexOf(local, bytes.indexOf(central));
    const int centralAt = bytes.lastIndexOf(central);
    QVERIFY(localAt > 0 && centralAt > localAt);
    bytes[localAt + 8] = 6;
    bytes[localAt + 9] = 0;
    bytes[centralAt + 10] = 6;
    bytes[centralAt + 11] = 0;
    QVERIFY(WriteFile(archive, bytes));
    rig.Dialogs.OpenAnswers = {{archive}};
    rig.Action("FileTestMn")->trigger();
    const QStringList messages = rig.Dialogs.Messages();
    QCOMPARE(messages.size(), 2);
    QVERIFY2(messages[0].startsWith("Warning: File \"odd.bin\" failed test: "), qPrintable(messages[0]));
    QCOMPARE(messages[1], QStringLiteral("Information: All files tested in the archive are OK.\r"
                                         "(Some files were skipped)"));
    QCOMPARE(rig.Dialogs.Prompts.last().Buttons, unsigned(platform::mbOK));
    QVERIFY(rig.Window->MainXz->ZipFileName.isEmpty());
    QCOMPARE(BusyCount, 0);
  }

  void cancelledTestAndFixDoNothing() {
    TWindowRig rig;
    rig.Dialogs.OpenAnswers = {QStringList(), QStringList()};
    rig.Action("FileTestMn")->trigger();
    rig.Action("FixNormal1")->trigger();
    QCOMPARE(rig.Dialogs.Prompts.size(), 2);
    QCOMPARE(rig.Dialogs.Prompts[1].Request.Title, QStringLiteral("Fix Archive"));
    QVERIFY(rig.Window->MainXz->ZipFileName.isEmpty());
    QCOMPARE(BusyCount, 0);
  }

  void fixRecoversEntriesAndLeavesMultidiskMode() {
    TWindowRig rig;
    const QString archive = Path("cut.zip");
    QVERIFY(MakeZip(archive, {{"a.txt", 100}, {"b.txt", 300, "2020,1,2,3,4,6", true}}));
    // Cut off the central directory: only the local entries are left.
    QByteArray bytes = Contents(archive);
    bytes.truncate(bytes.indexOf(QByteArray("PK\x01\x02", 4)));
    QVERIFY(WriteFile(archive, bytes));
    rig.Action("MultidiskmodeMn")->trigger();
    QVERIFY(rig.Window->MainXz->MultidiskMode);

    QStringList fixing;
    TZipFileNameEvent handler = rig.Window->MainXz->OnFixing;
    rig.Window->MainXz->OnFixing = [&](TZipEngine& engine, const QString& name) {
      handler(engine, name);
      fixing << rig.Find<QLabel>("StatusPanel0")->text();
    };
    rig.Dialogs.OpenAnswers = {{archive}};
    rig.Action("FixAgressive1")->trigger();
    QVERIFY(!rig.Window->MainXz->MultidiskMode);
    QVERIFY(!rig.Action("MultidiskmodeMn")->isChecked());
    QCOMPARE(rig.Dialogs.Messages(), QStringList{"Information: The specified Zip file has been fixed.\r"
                                                 "The damaged original was moved to the Trash."});
    QCOMPARE(fixing, (QStringList{"Fixing \"a.txt\".", "Fixing \"b.txt\"."}));
    QVERIFY(PeerTestsClean(archive, 2));
    QVERIFY(rig.Window->MainXz->ZipFileName.isEmpty());
    // The damaged bytes wait in the Trash, to be restored where they came from; nothing is left
    // beside the archive.
    const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + "/Trash";
    QCOMPARE(Contents(trash + "/files/cut.zip"), bytes);
    QVERIFY(
        Contents(trash + "/info/cut.zip.trashinfo").contains("\nPath=" + QFile::encodeName(archive) + "\n"));
    QCOMPARE(QDir(FDir).entryList(QDir::Files | QDir::Hidden), QStringList{"cut.zip"});

    // Nothing to recover.
    rig.Dialogs.Clear();
    const QString junk = Path("junk.zip");
    QVERIFY(WriteFile(junk, QByteArray(500, 'j')));
    rig.Dialogs.OpenAnswers = {{junk}};
    rig.Action("FixNormal1")->trigger();
    QCOMPARE(rig.Dialogs.Messages(),
             QStringList{"Information: The specified Zip file is too corrupted to be fixed."});
    QCOMPARE(Contents(junk), QByteArray(500, 'j'));
    QCOMPARE(QDir(FDir).entryList(QDir::Files | QDir::Hidden), (QStringList{"cut.zip", "junk.zip"}));
  }

  void updateArchiveDateTakesTheNewestEntry() {
    TWindowRig rig;
    const QString archive = Path("dated.zip");
    QVERIFY(MakeZip(archive, {{"a.txt", 10, "2019,5,6,7,8,10"}, {"b.txt", 10, "2021,3,4,5,6,8"}}));
    rig.Dialogs.OpenAnswers = {{archive}};
    rig.Action("FileOpenMn")->trigger();
    rig.Dialogs.Clear();
    rig.Window->MainXz->MultidiskMode = true;
    rig.Window->EditUpdateZIPDateMnClick(nullptr);
    QVERIFY(rig.Dialogs.Messages().isEmpty());
    QVERIFY(!rig.Window->MainXz->MultidiskMode);
    QCOMPARE(QFileInfo(archive).lastModified().date(), QDate(2021, 3, 4));
    QCOMPARE(rig.Model()->rowCount(), 2);

    // Only a folder entry: the engine's own code is reported.
    const QString folders = Path("folders.zip");
    QVERIFY(MakeZip(folders, {{"dir/", 0}}));
    rig.Dialogs.OpenAnswers = {{folders}};
    rig.Action("FileOpenMn")->trigger();
    rig.Dialogs.Clear();
    rig.Window->EditUpdateZIPDateMnClick(nullptr);
    QCOMPARE(
        rig.Dialogs.Messages(),
        QStringList{
            "Error: Could not update the Zip archive date. Archive only contains directories or is empty."});
  }

  void multidiskModeToggles() {
    TWindowRig rig;
    rig.Action("MultidiskmodeMn")->trigger();
    QVERIFY(rig.Window->MainXz->MultidiskMode);
    QVERIFY(rig.Action("MultidiskmodeMn")->isChecked());
    rig.Action("MultidiskmodeMn")->trigger();
    QVERIFY(!rig.Window->MainXz->MultidiskMode);
    QVERIFY(!rig.Action("MultidiskmodeMn")->isChecked());
  }

  void skipAndDiskPromptWordings() {
    TWindowRig rig;
    TZipEngine& engine = *rig.Window->MainXz;
    rig.Window->MainXzSkippingFile(engine, {"x.txt", 0});
    rig.Window->MainXzSkippingFile(engine, {"y.txt", 9});
    rig.Window->FTesting = true;
    rig.Window->MainXzSkippingFile(engine, {"A.TXT", 2});
    rig.Window->MainXzSkippingFile(engine, {"B.TXT", 3});  // a test never hides a skip
    rig.Window->FTesting = false;
    QCOMPARE(rig.Dialogs.Messages(),
             (QStringList{"Warning: Skipping \"x.txt\", file not found.", "Warning: Skipping \"y.txt\", ",
                          "Warning: File \"A.TXT\" failed test: CRC does not check out.",
                          "Warning: File \"B.TXT\" failed test: file is already up to date."}));

    rig.Dialogs.Clear();
    rig.Dialogs.MessageAnswers = {platform::mrOk, platform::mrCancel};
    engine.Abort = false;
    rig.Window->MainXzNewdisk(engine, 0);
    QVERIFY(!engine.Abort);
    rig.Window->MainXzNewdisk(engine, 3);
    QVERIFY(engine.Abort);
    engine.Abort = false;
    QCOMPARE(rig.Dialogs.Messages(), (QStringList{"Confirm: Please insert the last disk of the set.",
                                                  "Confirm: Please insert disk #3 of the set."}));
    QCOMPARE(rig.Dialogs.Prompts[1].Buttons, unsigned(platform::mbOKCancel));
  }
};

PARCELIX_GUI_TEST_MAIN(TestTestFix)
#include "test_test_fix.moc"
