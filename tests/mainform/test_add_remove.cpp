// Add, Update, Remove and Abort against the real libraries: the questions, the file chooser,
// the rows afterwards, progress texts, failures, an abort and dropped files.
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "archive_fixture.h"
#include "common/test_environment.h"
#include "drop_simulation.h"
#include "test_mainwindow_rig.h"

namespace {

QStringList StoredNames(TWindowRig& rig) {
  QStringList names;
  for (int row = 0; row < rig.Model()->rowCount(); ++row) names << rig.Model()->Row(row).Path;
  names.sort();
  return names;
}

// How an added file's path is stored with its folders: without the leading "/".
QString Stored(const QString& path) {
  return path.mid(1);
}

const QString kAddQuestion = QStringLiteral(
    "You are about to Add one or more files to the %1 Archive file.  "
    "Are you sure you want to do this?");
const QString kRemoveQuestion = QStringLiteral(
    "You have chosen to Remove the selected file(s) from the %1 "
    "Archive file.  Are you sure you want to do this?");

}  // namespace

class TestAddRemove : public QObject {
  Q_OBJECT

  QString FDir;

  QString Path(const QString& name) { return FDir + "/" + name; }

  // Opens a two-entry archive written by a peer: alpha.txt, beta.txt.
  QString OpenTwo(TWindowRig& rig) {
    const QString path = Path("two.zip");
    if (!MakeZip(path, {{"alpha.txt", 40}, {"beta.txt", 50}})) return QString();
    rig.Dialogs.OpenAnswers.push_back({path});
    rig.Action("FileOpenMn")->trigger();
    rig.Dialogs.Clear();
    return path;
  }

  QStringList MakeFiles(const QStringList& names, int size = 100) {
    QStringList paths;
    for (const QString& name : names) {
      const QString path = Path("in/" + name);
      if (!WriteFile(path, QByteArray(size, name.at(0).toLatin1()))) return {};
      paths << path;
    }
    return paths;
  }

  void SelectNamed(TWindowRig& rig, const QStringList& storedNames) {
    rig.List()->clearSelection();
    for (int row = 0; row < rig.Model()->rowCount(); ++row)
      if (storedNames.contains(rig.Model()->Row(row).Path))
        rig.List()->selectionModel()->select(rig.Model()->index(row, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }

 private slots:
  void init() {
    RemoveIni();
    FDir = QDir::tempPath() + "/addremove";
    QDir(FDir).removeRecursively();
    QDir().mkpath(FDir);
  }

  void addAsksPicksAndListsTheNewRows() {
    TWindowRig rig;
    const QString archive = OpenTwo(rig);
    QVERIFY(!archive.isEmpty());
    const QStringList files = MakeFiles({"one.txt", "two.txt"});
    QVERIFY(!files.isEmpty());
    rig.Dialogs.MessageAnswers = {platform::mrYes};
    rig.Dialogs.OpenAnswers = {files};

    QStringList panels;
    QList<int> busy;
    auto* panel = rig.Find<QLabel>("StatusPanel0");
    auto* bar = rig.Find<QProgressBar>("ProgressBar2");
    TZipFileStatsEvent adding = rig.Window->MainXz->OnAdding;
    rig.Window->MainXz->OnAdding = [&](TZipEngine& engine, const TZipFileStats& stats) {
      if (panels.isEmpty()) panels << panel->text();
      busy << BusyCount;
      bar->setValue(50);
      adding(engine, stats);
      QCOMPARE(bar->value(), 0);  // each entry starts the bar again
      panels << panel->text();
    };
    rig.Find<QToolButton>("SpdBtnAdd")->click();

    QCOMPARE(rig.Dialogs.Prompts.size(), 2);
    QCOMPARE(rig.Dialogs.Prompts[0].Caption, QStringLiteral("Confirm"));
    QCOMPARE(rig.Dialogs.Prompts[0].Text, kAddQuestion.arg(archive));
    QCOMPARE(rig.Dialogs.Prompts[0].Buttons, unsigned(platform::mbYesNo));
    const platform::TFileDialogRequest& request = rig.Dialogs.Prompts[1].Request;
    QCOMPARE(rig.Dialogs.Prompts[1].Kind, QStringLiteral("open"));
    QCOMPARE(request.Title, QStringLiteral("Add Files"));
    QVERIFY(request.MultiSelect);
    QVERIFY(request.FileMustExist);
    QVERIFY(request.FileName.isEmpty());

    QCOMPARE(panels, (QStringList{"Adding selected files.", "Adding \"" + Stored(files[0]) + "\".",
                                  "Adding \"" + Stored(files[1]) + "\"."}));
    QCOMPARE(busy, (QList<int>{1, 1}));
    QCOMPARE(BusyCount, 0);
    QCOMPARE(StoredNames(rig), (QStringList{"alpha.txt", "beta.txt", Stored(files[0]), Stored(files[1])}));
    QCOMPARE(panel->text(), rig.Window->TotalsText());
    QVERIFY(panel->text().startsWith("4 Entries, "));
    QVERIFY(rig.Window->MainXz->FilesToProcess.isEmpty());
    QVERIFY(QFile::exists(files[0]));  // MoveFiles is off: the sources stay
  }

  void addDeclinedOrCancelledChangesNothing() {
    TWindowRig rig;
    const QString archive = OpenTwo(rig);
    QVERIFY(!archive.isEmpty());
    const QByteArray before = Contents(archive);
    const QStringList files = MakeFiles({"one.txt"});

    // No to the question: no chooser.
    rig.Dialogs.MessageAnswers = {platform::mrNo};
    rig.Dialogs.OpenAnswers = {files};
    rig.Action("EditAddMn")->trigger();
    QCOMPARE(rig.Dialogs.Prompts.size(), 1);
    QCOMPARE(rig.Dialogs.OpenAnswers.size(), size_t(1));

    // The chooser cancelled: the busy period still opens and closes.
    rig.Dialogs.Clear();
    rig.Dialogs.OpenAnswers = {QStringList()};
    rig.Dialogs.MessageAnswers = {platform::mrYes};
    rig.Action("EditAddMn")->trigger();
    QCOMPARE(rig.Dialogs.Prompts.size(), 2);
    QCOMPARE(BusyCount, 0);
    QCOMPARE(rig.Find<QLabel>("StatusPanel0")->text(), rig.Window->TotalsText());

    QCOMPARE(Contents(archive), before);
    QCOMPARE(rig.Model()->rowCount(), 2);

    // Without ConfirmAdd the chooser comes first, and the bare names are stored without StorePath.
    rig.Dialogs.Clear();
    rig.Window->ConfirmAdd = false;
    rig.Window->StorePath = false;
    rig.Dialogs.OpenAnswers = {files};
    rig.Action("EditAddMn")->trigger();
    QCOMPARE(rig.Dialogs.Prompts.size(), 1);
    QCOMPARE(rig.Dialogs.Prompts[0].Kind, QStringLiteral("open"));
    QCOMPARE(StoredNames(rig), (QStringList{"alpha.txt", "beta.txt", "one.txt"}));
  }

  void addThatFailsLeavesTheListAlone() {
    TWindowRig rig;
    const QString archive = OpenTwo(rig);
    QVERIFY(!archive.isEmpty());
    const QStringList files = MakeFiles({"one.txt"});
    // Damage the archive behind the window's back: the add fails and the rows stay as listed.
    QVERIFY(WriteFile(archive, QByteArray(300, 'x')));
    rig.Window->ConfirmAdd = false;
    rig.Dialogs.OpenAnswers = {files};
    rig.Action("EditAddMn")->trigger();
    QCOMPARE(rig.Dialogs.Messages().size(), 1);
    QVERIFY(rig.Dialogs.Messages()[0].startsWith("Error: "));
    QCOMPARE(rig.Model()->rowCount(), 2);
    QCOMPARE(Contents(archive), QByteArray(300, 'x'));
  }

  void updateLeavesMultidiskModeAndReplacesOlderEntries() {
    TWindowRig rig;
    const QString archive = OpenTwo(rig);
    QVERIFY(!archive.isEmpty());
    rig.Window->StorePath = false;
    const QStringList files = MakeFiles({"alpha.txt", "gamma.txt"}, 777);
    QVERIFY(!files.isEmpty());

    // Multidisk mode goes off before the chooser; a cancelled chooser leaves it off.
    rig.Window->MainXz->MultidiskMode = true;
    rig.Action("MultidiskmodeMn")->setChecked(true);
    bool modeAtChooser = true;
    rig.Dialogs.OpenAnswers = {QStringList()};
    rig.Action("EditUpdateMn")->trigger();
    modeAtChooser = rig.Window->MainXz->MultidiskMode;
    QVERIFY(!modeAtChooser);
    QVERIFY(!rig.Action("MultidiskmodeMn")->isChecked());
    QCOMPARE(rig.Dialogs.Prompts.size(), 1);  // no question before updating
    QCOMPARE(rig.Dialogs.Prompts[0].Request.Title, QStringLiteral("Add Files"));

    rig.Dialogs.Clear();
    QStringList panels;
    auto* panel = rig.Find<QLabel>("StatusPanel0");
    TZipFileStatsEvent updating = rig.Window->MainXz->OnUpdating;
    TZipFileStatsEvent adding = rig.Window->MainXz->OnAdding;
    rig.Window->MainXz->OnUpdating = [&](TZipEngine& engine, const TZipFileStats& stats) {
      if (panels.isEmpty()) panels << panel->text();
      updating(engine, stats);
      panels << panel->text();
    };
    rig.Window->MainXz->OnAdding = [&](TZipEngine& engine, const TZipFileStats& stats) {
      if (panels.isEmpty()) panels << panel->text();
      adding(engine, stats);
      panels << panel->text();
    };
    rig.Dialogs.OpenAnswers = {files};
    rig.Action("EditUpdateMn")->trigger();
    QVERIFY(rig.Dialogs.Messages().isEmpty());
    QCOMPARE(panels.first(), QStringLiteral("Updating files."));
    QVERIFY(panels.contains("Updating \"alpha.txt\"."));
    QCOMPARE(StoredNames(rig), (QStringList{"alpha.txt", "beta.txt", "gamma.txt"}));
    for (int row = 0; row < 3; ++row)
      if (rig.Model()->Row(row).Path != "beta.txt")
        QCOMPARE(rig.Model()->Text(row, 3), QStringLiteral("777"));
  }

  void removeAsksThenDeletesTheSelectedEntries() {
    TWindowRig rig;
    const QString archive = OpenTwo(rig);
    QVERIFY(!archive.isEmpty());
    const QByteArray before = Contents(archive);

    // No row selected: nothing, not even the question.
    rig.List()->clearSelection();
    rig.Window->EditDeleteMnClick(nullptr);
    QVERIFY(rig.Dialogs.Prompts.isEmpty());

    // No to the question.
    SelectNamed(rig, {"beta.txt"});
    rig.Dialogs.MessageAnswers = {platform::mrNo};
    rig.Action("EditDeleteMn")->trigger();
    QCOMPARE(rig.Dialogs.Messages(), QStringList{"Confirm: " + kRemoveQuestion.arg(archive)});
    QCOMPARE(rig.Dialogs.Prompts[0].Buttons, unsigned(platform::mbYesNo));
    QCOMPARE(Contents(archive), before);

    rig.Dialogs.Clear();
    QStringList panels;
    auto* panel = rig.Find<QLabel>("StatusPanel0");
    TZipFileNameEvent deleting = rig.Window->MainXz->OnDeleting;
    rig.Window->MainXz->OnDeleting = [&](TZipEngine& engine, const QString& name) {
      if (panels.isEmpty()) panels << panel->text();
      deleting(engine, name);
      panels << panel->text();
    };
    rig.Dialogs.MessageAnswers = {platform::mrYes};
    rig.Action("EditDeleteMn")->trigger();
    QCOMPARE(rig.Dialogs.Prompts.size(), 1);
    QCOMPARE(panels, (QStringList{"Deleting selected files.", "Deleting \"beta.txt\"."}));
    QCOMPARE(StoredNames(rig), QStringList{"alpha.txt"});
    QVERIFY(panel->text().startsWith("1 Entries, "));
    QVERIFY(!rig.Find<QToolButton>("SpdBtnRemove")->isEnabled());

    // Without ConfirmRemove, a double click with MouseAction 2 removes straight away.
    rig.Dialogs.Clear();
    rig.Window->ConfirmRemove = false;
    rig.Window->MouseAction = 2;
    SelectNamed(rig, {"alpha.txt"});
    rig.Window->ListViewDblClick();
    QVERIFY(rig.Dialogs.Prompts.isEmpty());
    QCOMPARE(rig.Model()->rowCount(), 0);
  }

  void removeThatFailsStillReReadsTheArchive() {
    TWindowRig rig;
    const QString archive = OpenTwo(rig);
    QVERIFY(!archive.isEmpty());
    rig.Window->ConfirmRemove = false;
    SelectNamed(rig, {"alpha.txt"});
    QVERIFY(QFile::remove(archive));
    rig.Action("EditDeleteMn")->trigger();
    QCOMPARE(rig.Dialogs.Messages(), QStringList{"Error: Could not find the archive file."});
    QCOMPARE(rig.Model()->rowCount(), 0);  // the re-reading found nothing to list
  }

  void abortDuringAnAddLeavesTheArchiveAsItWas() {
    TWindowRig rig;
    const QString archive = OpenTwo(rig);
    QVERIFY(!archive.isEmpty());
    const QByteArray before = Contents(archive);
    QStringList names;
    for (int index = 0; index < 20; ++index) names << QStringLiteral("file%1.txt").arg(index);
    const QStringList files = MakeFiles(names, 4000);
    QVERIFY(!files.isEmpty());

    rig.Window->ConfirmAdd = false;
    rig.Window->UseTempFile = true;
    rig.Window->MainXz->UseTempFile = true;
    auto* abort = rig.Find<QToolButton>("AbortSB");
    QVERIFY(!abort->isEnabled());  // idle: nothing to abort

    int calls = 0;
    QList<bool> enabled;
    TZipFileStatsEvent adding = rig.Window->MainXz->OnAdding;
    rig.Window->MainXz->OnAdding = [&](TZipEngine& engine, const TZipFileStats& stats) {
      adding(engine, stats);
      if (++calls == 1) {
        enabled << abort->isEnabled();
        rig.Dialogs.MessageAnswers = {platform::mrCancel};  // Cancel first: the add goes on
        abort->click();
        enabled << rig.Window->MainXz->Abort;
      } else if (calls == 2) {
        rig.Dialogs.MessageAnswers = {platform::mrOk};
        abort->click();
      }
    };
    rig.Dialogs.OpenAnswers = {files};
    rig.Action("EditAddMn")->trigger();

    QCOMPARE(enabled, (QList<bool>{true, false}));
    QVERIFY(calls < files.size());
    QCOMPARE(rig.Dialogs.Messages(),
             (QStringList{"Warning: Are you sure you want to abort the current process?",
                          "Warning: Are you sure you want to abort the current process?",
                          "Information: The adding operation was aborted."}));
    QCOMPARE(rig.Dialogs.Prompts[1].Buttons, unsigned(platform::mbOKCancel));
    QCOMPARE(Contents(archive), before);
    QCOMPARE(rig.Model()->rowCount(), 2);
    QVERIFY(!abort->isEnabled());
    QCOMPARE(BusyCount, 0);
  }

  // Stopping a read halfway harms nothing, so Abort is offered whatever the temporary-file
  // setting; a change made in place still cannot be stopped.
  void abortIsOfferedWhileReadingNotWhileChangingInPlace() {
    TWindowRig rig;
    QList<TFixtureEntry> entries;
    for (int index = 0; index < 30; ++index)
      entries.append({QStringLiteral("e%1.bin").arg(index, 2, 10, QChar('0')), 2000});
    const QString archive = Path("many.zip");
    QVERIFY(MakeZip(archive, entries));
    rig.Window->UseTempFile = false;
    rig.Window->MainXz->UseTempFile = false;
    rig.Window->ConfirmAdd = rig.Window->ConfirmExtract = false;
    auto* abort = rig.Find<QToolButton>("AbortSB");
    QList<bool> listing, adding;
    rig.Window->MainXz->OnListing = [&, listed = rig.Window->MainXz->OnListing](TZipEngine& e,
                                                                                const TZipFileStats& s) {
      listing << abort->isEnabled();
      listed(e, s);
    };
    rig.Window->MainXz->OnAdding = [&, added = rig.Window->MainXz->OnAdding](TZipEngine& e,
                                                                             const TZipFileStats& s) {
      adding << abort->isEnabled();
      added(e, s);
    };
    rig.Dialogs.OpenAnswers = {{archive}, MakeFiles({"one.txt"})};
    rig.Action("FileOpenMn")->trigger();
    rig.Action("EditAddMn")->trigger();
    QVERIFY(!listing.isEmpty() && !listing.contains(false));
    QCOMPARE(adding, QList<bool>{false});

    int extracted = 0;
    rig.Window->MainXz->OnExtracting = [&, extracting = rig.Window->MainXz->OnExtracting](
                                           TZipEngine& e, const TZipFileStats& s) {
      extracting(e, s);
      if (++extracted == 3) {
        rig.Dialogs.MessageAnswers = {platform::mrOk};
        abort->click();
      }
    };
    rig.Dialogs.Clear();
    rig.Dialogs.FolderAnswers = {Path("out")};
    rig.Window->EditSelectAllMnClick(nullptr);
    rig.Find<QToolButton>("SpdBtnExtract")->click();
    QCOMPARE(extracted, 3);
    QVERIFY(QDir(Path("out")).entryList(QDir::Files).size() < 31);
    QCOMPARE(rig.Dialogs.Messages(),
             (QStringList{"Warning: Are you sure you want to abort the current process?",
                          "Information: The extracting operation was aborted."}));
    QVERIFY(!abort->isEnabled());
  }

  void aPickedFolderComesWithItsContents() {
    TWindowRig rig;
    QVERIFY(!OpenTwo(rig).isEmpty());
    const QStringList files = MakeFiles({"one.txt", "sub/two.txt"});
    QVERIFY(!files.isEmpty());
    rig.Window->ConfirmAdd = false;
    rig.Window->StorePath = true;
    QVERIFY(!rig.Window->MainXz->Recurse);
    rig.Dialogs.OpenAnswers = {{Path("in")}};
    rig.Action("EditAddMn")->trigger();
    QVERIFY(rig.Dialogs.Prompts[0].Request.FoldersToo);
    QVERIFY(rig.Dialogs.Messages().isEmpty());
    QCOMPARE(StoredNames(rig), (QStringList{"alpha.txt", "beta.txt", Stored(files[0]), Stored(files[1])}));
    QVERIFY(!rig.Window->MainXz->Recurse);  // the setting is the user's again
  }

  void droppedFilesAreAddedWithoutTheQuestion() {
    TWindowRig rig;
    rig.Window->show();
    const QString archive = OpenTwo(rig);
    QVERIFY(!archive.isEmpty());
    rig.Window->StorePath = false;
    const QStringList files = MakeFiles({"one.txt", "two.txt"});
    Drop(*rig.Window, files);
    QVERIFY(rig.Dialogs.Prompts.isEmpty());  // ConfirmAdd is on, yet a drop asks nothing
    QCOMPARE(StoredNames(rig), (QStringList{"alpha.txt", "beta.txt", "one.txt", "two.txt"}));
    QCOMPARE(BusyCount, 0);
  }

  void aFileGoneBeforeTheAddIsSkippedWithAWarning() {
    TWindowRig rig;
    const QString archive = OpenTwo(rig);
    QVERIFY(!archive.isEmpty());
    rig.Window->StorePath = false;
    const QStringList files = MakeFiles({"one.txt", "gone.txt"});
    QVERIFY(QFile::remove(files[1]));
    rig.Window->SetBusy(false);
    rig.Window->AddFilesToZip(files);
    rig.Window->SetBusy(true);
    const QStringList messages = rig.Dialogs.Messages();
    QCOMPARE(messages.size(), 2);
    QVERIFY2(
        messages[0].startsWith("Warning: Skipping \"") && messages[0].endsWith("gone.txt\", file not found."),
        qPrintable(messages[0]));
    QCOMPARE(messages[1], QStringLiteral("Information: Some files were skipped while adding."));
    QCOMPARE(StoredNames(rig),
             (QStringList{"alpha.txt", "beta.txt", "one.txt"}));  // a warning still re-lists
  }

  void multidiskAddToANewArchiveShowsTheNotice() {
    TWindowRig rig;
    const QString archive = Path("span/new.zip");
    QDir().mkpath(Path("span"));
    rig.Dialogs.SaveAnswers = {archive};
    rig.Action("FileNewMn")->trigger();
    rig.Dialogs.Clear();
    rig.Window->MainXz->MultidiskMode = true;
    rig.Window->ConfirmAdd = false;
    rig.Window->StorePath = false;
    const QStringList files = MakeFiles({"one.txt"});
    rig.Dialogs.OpenAnswers = {files};
    rig.Action("EditAddMn")->trigger();
    // The notice; re-reading the set, whose segments all lie in its folder, asks for no disk.
    QCOMPARE(
        rig.Dialogs.Messages(),
        QStringList{"Information: Add operation completed.  To test the archive, you must close it first, "
                    "then select the test option from the file menu."});
    QVERIFY(QFile::exists(archive));
    QCOMPARE(rig.Model()->rowCount(), 1);
  }

  // A set made by zip -s, its segments side by side: listed without a disk question, with the
  // multidisk mode on and off.
  void aSpannedSetInOneFolderOpensWithoutDiskQuestions() {
    const QStringList files = MakeFiles({"one.txt", "two.txt"});
    QProcess zip;
    zip.setWorkingDirectory(QFileInfo(files[0]).path());
    zip.start(
        "sh",
        {"-c", "head -c 200000 /dev/urandom > big.bin && zip -q -s 64k set.zip big.bin one.txt two.txt"});
    QVERIFY(zip.waitForFinished(60000) && zip.exitCode() == 0);
    const QString set = QFileInfo(files[0]).path() + "/set.zip";
    QVERIFY(QFile::exists(QFileInfo(files[0]).path() + "/set.z03"));
    for (const bool multidisk : {true, false}) {
      TWindowRig rig;
      rig.Window->MainXz->MultidiskMode = multidisk;
      rig.Dialogs.OpenAnswers = {{set}};
      rig.Action("FileOpenMn")->trigger();
      QCOMPARE(rig.Dialogs.Messages(), QStringList());
      QCOMPARE(rig.Model()->rowCount(), 3);
    }
  }
};

PARCELIX_GUI_TEST_MAIN(TestAddRemove)
#include "test_add_remove.moc"
