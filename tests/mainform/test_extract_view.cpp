// Extract and View against the real libraries and archives written by a peer: the questions,
// the folder choice, where files land, the replace prompt, failures, the temporary copies and
// the shell requests.
#include <sys/stat.h>

#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>

#include "archive_fixture.h"
#include "common/test_environment.h"
#include "platform/widgets/qt_shell.h"
#include "test_mainwindow_rig.h"

namespace {

const QString kReplaceText = QStringLiteral("\" already exists. Do you want to replace this file?");

QStringList FilesUnder(const QString& dir) {
  QStringList names;
  QDir root(dir);
  std::function<void(const QString&)> walk = [&](const QString& sub) {
    for (const QFileInfo& info :
         QDir(dir + sub).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
      if (info.isDir())
        walk(sub + info.fileName() + "/");
      else
        names << sub + info.fileName();
    }
  };
  walk("/");
  names.sort();
  return names;
}

}  // namespace

class TestExtractView : public QObject {
  Q_OBJECT

  QString FDir;
  QString FStartDir;

  QString Path(const QString& name) { return FDir + "/" + name; }

  // Opens a three-entry archive: rows README.TXT (DOCS/README.TXT), alpha.txt, beta.txt.
  QString OpenThree(TWindowRig& rig) {
    const QString path = Path("three.zip");
    if (!MakeZip(path,
                 {{"DOCS/README.TXT", 300, "2020,1,2,3,4,6", true}, {"alpha.txt", 40}, {"beta.txt", 50}}))
      return QString();
    Open(rig, path);
    return path;
  }

  void Open(TWindowRig& rig, const QString& path) {
    rig.Dialogs.OpenAnswers.push_back({path});
    rig.Action("FileOpenMn")->trigger();
    rig.Dialogs.Clear();
  }

  void SelectNamed(TWindowRig& rig, const QStringList& storedNames) {
    rig.List()->clearSelection();
    for (int row = 0; row < rig.Model()->rowCount(); ++row)
      if (storedNames.contains(rig.Model()->Row(row).Path))
        rig.List()->selectionModel()->select(rig.Model()->index(row, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }

  QToolButton* Button(TWindowRig& rig, const char* name) { return rig.Find<QToolButton>(name); }

 private slots:
  void initTestCase() { FStartDir = QDir::currentPath(); }

  void init() {
    RemoveIni();
    QDir::setCurrent(FStartDir);
    FDir = QDir::tempPath() + "/extract";
    QDir(FDir).removeRecursively();
    QDir().mkpath(FDir);
  }

  void cleanup() { QDir::setCurrent(FStartDir); }

  void extractAsksThenWritesTheSelectionIntoANewFolderChain() {
    TWindowRig rig;
    const QString archive = OpenThree(rig);
    QVERIFY(!archive.isEmpty());
    rig.Window->DefaultExtractPath = FDir;
    SelectNamed(rig, {"DOCS/README.TXT", "beta.txt"});
    const QString target = Path("out/deeper/still");
    rig.Dialogs.MessageAnswers = {platform::mrYes};
    rig.Dialogs.FolderAnswers = {target};

    QStringList panels;
    QList<int> busy;
    auto* panel = rig.Find<QLabel>("StatusPanel0");
    TZipFileStatsEvent extracting = rig.Window->MainXz->OnExtracting;
    rig.Window->MainXz->OnExtracting = [&](TZipEngine& engine, const TZipFileStats& stats) {
      if (panels.isEmpty()) panels << panel->text();
      busy << BusyCount;
      extracting(engine, stats);
      panels << panel->text();
    };
    Button(rig, "SpdBtnExtract")->click();

    QCOMPARE(rig.Dialogs.Prompts.size(), 2);
    QCOMPARE(rig.Dialogs.Prompts[0].Caption, QStringLiteral("Confirm"));
    QCOMPARE(rig.Dialogs.Prompts[0].Text, "You are about to Extract the selected file(s) from the " +
                                              archive +
                                              " Archive file.  The file(s) will be created on your disk "
                                              "drive.  Are you sure you want to do this?");
    QCOMPARE(rig.Dialogs.Prompts[0].Buttons, unsigned(platform::mbYesNo));
    QCOMPARE(rig.Dialogs.Prompts[1].Kind, QStringLiteral("folder"));
    QCOMPARE(rig.Dialogs.Prompts[1].Caption, QStringLiteral("Select Directory"));
    QCOMPARE(rig.Dialogs.Prompts[1].Text, FDir);  // the chooser starts in DefaultExtractPath
    QCOMPARE(QDir::currentPath(), FDir);

    // Paths dropped: both land straight in the chosen folder, made with its parents.
    QCOMPARE(FilesUnder(target), (QStringList{"/README.TXT", "/beta.txt"}));
    QCOMPARE(Contents(target + "/README.TXT"), QByteArray(300, 'a'));
    QCOMPARE(panels, (QStringList{"Extracting selected files.", "Extracting \"DOCS/README.TXT\".",
                                  "Extracting \"beta.txt\"."}));
    QCOMPARE(busy, (QList<int>{1, 1}));
    QCOMPARE(BusyCount, 0);
    QCOMPARE(panel->text(), rig.Window->TotalsText());
    QCOMPARE(rig.Find<QProgressBar>("ProgressBar2")->value(), 0);
    QCOMPARE(rig.Window->MainXz->ExtractDirectory, target);
    QVERIFY(rig.Window->MainXz->FilesToProcess.isEmpty());
    QCOMPARE(rig.Model()->rowCount(), 3);
  }

  void declinedOrCancelledExtractionWritesNothing() {
    TWindowRig rig;
    QVERIFY(!OpenThree(rig).isEmpty());
    SelectNamed(rig, {"alpha.txt"});
    const QString target = Path("never");
    rig.Dialogs.MessageAnswers = {platform::mrNo};
    rig.Dialogs.FolderAnswers = {target};
    rig.Action("ExtractFile1")->trigger();
    QCOMPARE(rig.Dialogs.Prompts.size(), 1);  // no folder chooser after No
    QCOMPARE(rig.Dialogs.FolderAnswers.size(), std::size_t(1));
    QVERIFY(rig.Window->MainXz->ExtractDirectory.isEmpty());  // the engine was never set up

    // Without the confirmation the chooser comes at once; cancelling it ends the command.
    rig.Dialogs.Clear();
    rig.Dialogs.FolderAnswers.clear();
    rig.Window->ConfirmExtract = false;
    rig.Action("ExtractFile1")->trigger();
    QCOMPARE(rig.Dialogs.Prompts.size(), 1);
    QCOMPARE(rig.Dialogs.Prompts[0].Kind, QStringLiteral("folder"));
    QVERIFY(!QFileInfo::exists(target));

    // A typed folder that cannot be made (a file stands in the way) ends the command.
    QVERIFY(WriteFile(Path("a-file"), "x"));
    rig.Dialogs.Clear();
    rig.Dialogs.FolderAnswers = {Path("a-file/sub")};
    rig.Action("ExtractFile1")->trigger();
    QCOMPARE(rig.Dialogs.Prompts.size(), 2);
    QCOMPARE(rig.Dialogs.Prompts[1].Caption, QStringLiteral("Error"));
    QVERIFY(rig.Dialogs.Prompts[1].Text.contains(Path("a-file/sub")));
    QVERIFY(rig.Window->MainXz->ExtractDirectory.isEmpty());

    // A DefaultExtractPath that is not there stops the command before any question.
    rig.Dialogs.Clear();
    rig.Window->ConfirmExtract = true;
    rig.Window->DefaultExtractPath = Path("missing-folder");
    rig.Action("ExtractFile1")->trigger();
    QCOMPARE(rig.Dialogs.Prompts.size(), 1);
    QCOMPARE(rig.Dialogs.Prompts[0].Caption, QStringLiteral("Error"));
    QVERIFY(rig.Dialogs.Prompts[0].Text.contains(Path("missing-folder")));
  }

  void noSelectionExtractsEverythingWithStoredPathsWhenAsked() {
    TWindowRig rig;
    QVERIFY(!OpenThree(rig).isEmpty());
    rig.List()->clearSelection();
    rig.Window->ExtractPath = true;
    rig.Window->MouseAction = 1;  // a double click extracts
    const QString target = Path("all");
    rig.Dialogs.FolderAnswers = {target};
    rig.Window->ListViewDblClick();
    QCOMPARE(rig.Dialogs.Prompts.size(), 1);  // no question without a selection
    QCOMPARE(rig.Dialogs.Prompts[0].Kind, QStringLiteral("folder"));
    QCOMPARE(FilesUnder(target), (QStringList{"/DOCS/README.TXT", "/alpha.txt", "/beta.txt"}));

    // Freshen (ExtractMethod 1) takes only files that are there; update (2) adds the others.
    const QString fresh = Path("fresh");
    QVERIFY(WriteFile(fresh + "/alpha.txt", "old"));
    QFile old(fresh + "/alpha.txt");  // older than the entry
    QVERIFY(old.open(QIODevice::Append) &&
            old.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime));
    old.close();
    rig.Window->ExtractPath = false;
    rig.Window->ExtractMethod = 1;
    rig.Dialogs.Clear();
    rig.Dialogs.FolderAnswers = {fresh};
    rig.Dialogs.MessageAnswers = {platform::mrYes};
    rig.Window->ListViewDblClick();
    QCOMPARE(rig.Dialogs.Messages(),
             QStringList{"Confirm: The file \"" + fresh + "/alpha.txt" + kReplaceText});
    QCOMPARE(FilesUnder(fresh), QStringList{"/alpha.txt"});
    QCOMPARE(Contents(fresh + "/alpha.txt").size(), 40);
    rig.Window->ExtractMethod = 2;
    rig.Dialogs.FolderAnswers = {fresh};
    rig.Window->ListViewDblClick();
    QCOMPARE(FilesUnder(fresh), (QStringList{"/README.TXT", "/alpha.txt", "/beta.txt"}));
  }

  void replacePromptYesNoAndAbort() {
    TWindowRig rig;
    const QString archive = Path("abc.zip");
    QVERIFY(MakeZip(archive, {{"a.txt", 100}, {"b.txt", 100}, {"c.txt", 100}}));
    Open(rig, archive);
    const QString target = Path("replace");
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) QVERIFY(WriteFile(target + "/" + name, "old"));
    rig.Window->ConfirmExtract = false;
    rig.Window->EditSelectAllMnClick(nullptr);

    // Yes replaces, No keeps and goes on.
    rig.Dialogs.MessageAnswers = {platform::mrYes, platform::mrNo, platform::mrYes};
    rig.Dialogs.FolderAnswers = {target};
    Button(rig, "SpdBtnExtract")->click();
    QCOMPARE(rig.Dialogs.Messages(),
             (QStringList{"Confirm: The file \"" + target + "/a.txt" + kReplaceText,
                          "Confirm: The file \"" + target + "/b.txt" + kReplaceText,
                          "Confirm: The file \"" + target + "/c.txt" + kReplaceText}));
    QCOMPARE(rig.Dialogs.Prompts[1].Buttons, unsigned(platform::mbYes | platform::mbNo | platform::mbAbort));
    QCOMPARE(Contents(target + "/a.txt").size(), 100);
    QCOMPARE(Contents(target + "/b.txt"), QByteArray("old"));
    QCOMPARE(Contents(target + "/c.txt").size(), 100);

    // Abort stops the engine: later files stay as they were, and the abort is reported.
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) QVERIFY(WriteFile(target + "/" + name, "old"));
    rig.Dialogs.Clear();
    rig.Dialogs.MessageAnswers = {platform::mrNo, platform::mrAbort};
    rig.Dialogs.FolderAnswers = {target};
    Button(rig, "SpdBtnExtract")->click();
    QCOMPARE(rig.Dialogs.Messages().size(), 3);
    QCOMPARE(rig.Dialogs.Messages()[2], QStringLiteral("Information: The extracting operation was aborted."));
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
      QCOMPARE(Contents(target + "/" + name), QByteArray("old"));
    QCOMPARE(BusyCount, 0);

    // Never overwrite asks nothing and keeps them all.
    rig.Dialogs.Clear();
    rig.Window->Overwrite = 0;
    rig.Window->ApplyOverwriteSetting();
    rig.Dialogs.FolderAnswers = {target};
    Button(rig, "SpdBtnExtract")->click();
    QVERIFY(rig.Dialogs.Messages().isEmpty());
    QCOMPARE(Contents(target + "/a.txt"), QByteArray("old"));
  }

  void aDamagedArchiveIsReportedAndViewOpensNothing() {
    TWindowRig rig;
    const QString archive = OpenThree(rig);
    QVERIFY(!archive.isEmpty());
    QVERIFY(WriteFile(archive, QByteArray("PK\x03\x04") + QByteArray(200, '\x17')));
    rig.Window->ConfirmExtract = false;
    SelectNamed(rig, {"alpha.txt"});
    const QString target = Path("damaged");
    rig.Dialogs.FolderAnswers = {target};
    Button(rig, "SpdBtnExtract")->click();
    QCOMPARE(rig.Dialogs.Messages(),
             QStringList{"Error: The archive file is corrupted. Try using the Fix option on it."});
    QVERIFY(FilesUnder(target).isEmpty());

    // View: the same report, nothing opened or listed, the user's settings back.
    rig.Dialogs.Clear();
    rig.Window->TempFolder = Path("viewtmp");
    rig.Window->ExtractPath = true;
    Button(rig, "SpdBtnView")->click();
    QCOMPARE(rig.Dialogs.Messages().size(), 1);
    QVERIFY(rig.Shell.Requests.isEmpty());
    QVERIFY(rig.Window->TempFiles.isEmpty());
    QVERIFY(rig.Window->ExtractPath);
    QCOMPARE(rig.Window->MainXz->Overwrite, zowAsk);
  }

  void hostileNamesNeverLeaveTheChosenFolder() {
    TWindowRig rig;
    const QString archive = Path("hostile.zip");
    QVERIFY(MakeZip(archive, {{"../../evil.txt", 10}, {"/abs-evil.txt", 10}, {"ok/../../up.txt", 10}}));
    Open(rig, archive);
    QCOMPARE(rig.Model()->rowCount(), 3);
    rig.Window->ConfirmExtract = false;
    rig.Window->EditSelectAllMnClick(nullptr);
    const QString target = Path("jail/inner");
    for (bool paths : {false, true}) {
      rig.Window->ExtractPath = paths;
      rig.Dialogs.FolderAnswers = {target};
      rig.Window->Overwrite = 1;
      rig.Window->ApplyOverwriteSetting();
      Button(rig, "SpdBtnExtract")->click();
    }
    // Only the folder's own contents: nothing beside it, above it or at the root.
    QCOMPARE(FilesUnder(FDir + "/jail"),
             (QStringList{"/inner/abs-evil.txt", "/inner/evil.txt", "/inner/ok/up.txt", "/inner/up.txt"}));
    QVERIFY(FilesUnder(FDir).filter("evil").size() == 2);
    QVERIFY(!QFileInfo::exists("/abs-evil.txt"));
  }

  void viewOpensAPrivateCopyAndCloseRemovesIt() {
    TWindowRig rig;
    QVERIFY(!OpenThree(rig).isEmpty());
    const QString temp = Path("viewtmp");
    // The user's own files of the same names in the temporary folder are none of View's business.
    QVERIFY(WriteFile(temp + "/README.TXT", "mine") && WriteFile(temp + "/alpha.txt", "mine too"));
    rig.Window->TempFolder = temp + "/";
    rig.Window->ExtractPath = true;
    rig.Window->ExtractMethod = 1;              // freshen would find nothing to refresh in a new folder
    rig.Window->EditSelectAllMnClick(nullptr);  // all three; the first row is README.TXT

    rig.Action("EditView1")->trigger();
    QVERIFY(rig.Dialogs.Prompts.isEmpty());  // View asks nothing
    QCOMPARE(rig.Shell.Requests.size(), 1);
    const QString copy = rig.Shell.Requests[0].File;
    const QFileInfo privateFolder(QFileInfo(copy).path() + "/..");
    const QString privatePath = privateFolder.canonicalFilePath();
    QCOMPARE(QFileInfo(privatePath).path(), QFileInfo(temp).canonicalFilePath());
    QCOMPARE(privateFolder.permissions() & 0x0777,
             QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);  // no group, no others
    QCOMPARE(QFileInfo(copy).fileName(), QStringLiteral("README.TXT"));
    QCOMPARE(Contents(copy), QByteArray(300, 'a'));
    QCOMPARE(rig.Window->TempFiles, QStringList{copy});
    QVERIFY(rig.Window->ExtractPath);
    QCOMPARE(rig.Window->MainXz->Overwrite, zowAsk);

    // A double click views again (MouseAction 0), into a folder of its own.
    rig.Window->MouseAction = 0;
    rig.Window->ListViewDblClick();
    QCOMPARE(rig.Window->TempFiles.size(), 2);
    QVERIFY(rig.Window->TempFiles[1] != copy && QFileInfo::exists(rig.Window->TempFiles[1]));

    rig.Window->close();
    QVERIFY(!QFileInfo::exists(privatePath));
    QCOMPARE(FilesUnder(temp), (QStringList{"/README.TXT", "/alpha.txt"}));
    QCOMPARE(Contents(temp + "/README.TXT"), QByteArray("mine"));
  }

  void viewFallsBackToTheTextEditor() {
    TWindowRig rig;
    QVERIFY(!OpenThree(rig).isEmpty());
    rig.Window->TempFolder = Path("viewtmp/not/yet/there");
    SelectNamed(rig, {"beta.txt"});
    rig.Shell.Results = {platform::SE_ERR_NOASSOC, platform::SE_ERR_FNF};
    Button(rig, "SpdBtnView")->click();
    QCOMPARE(rig.Shell.Requests.size(), 2);
    QCOMPARE(rig.Shell.Requests[1].Verb, QStringLiteral("open"));
    QCOMPARE(rig.Shell.Requests[1].File, QStringLiteral("notepad.exe"));
    QCOMPARE(rig.Shell.Requests[1].Parameters, rig.Shell.Requests[0].File);
    QVERIFY(rig.Shell.Requests[0].File.endsWith("/beta.txt"));
    // Nothing could show it: the user is told rather than left waiting.
    QCOMPARE(rig.Dialogs.Messages(),
             QStringList{"Information: No program is available to open \"beta.txt\"."});

    // No row selected: nothing to view.
    rig.Shell.Requests.clear();
    rig.List()->clearSelection();
    rig.Window->SpdBtnViewClick(nullptr);
    QVERIFY(rig.Shell.Requests.isEmpty());
  }

  // Entries stored 0755 whose bodies leave a marker when run, viewed through the desktop's shell
  // with an opener that runs whatever is executable: a plain document opens without a question
  // and does not run; a script (readme.txt, tool.sh) runs only on Yes to a question whose
  // Enter and Escape do not run it.
  void nothingFromTheArchiveRunsUnasked() {
    const QString marker = Path("marker");
    const QByteArray script = "#!/bin/sh\ntouch '" + marker.toUtf8() + "'\n";
    const QList<std::pair<QString, QByteArray>> files = {
        {"readme.txt", script}, {"tool.sh", script}, {"notes.txt", "touch '" + marker.toUtf8() + "'\n"}};
    QStringList arguments{"-q", "-j", Path("strangers.zip")};
    for (const auto& [name, body] : files) {
      QVERIFY(WriteFile(Path("src/" + name), body));
      QVERIFY(QFile::setPermissions(Path("src/" + name), QFile::Permissions(0x7755)));
      arguments << Path("src/" + name);
    }
    QProcess zip;
    zip.start("zip", arguments);
    QVERIFY(zip.waitForFinished(60000) && zip.exitCode() == 0);
    const QString opener = Path("opener.sh");
    QVERIFY(WriteFile(opener, "#!/bin/sh\n[ -x \"$1\" ] && exec \"$1\"\nexit 0\n"));
    QVERIFY(QFile::setPermissions(opener, QFile::Permissions(0x7700)));

    testing_support::TScriptedDialogs dialogs;
    TRecordingHelp help;
    platform::TQtShell shell;
    shell.OpenerCommand = {opener};
    BusyCount = 0;
    TMainFormFm window(TMainFormServices{dialogs, help, shell, {"Parcelix", Path("strangers.zip")}, "/opt"});
    window.MouseAction = 0;
    QCOMPARE(window.ListModel->rowCount(), 3);
    auto view = [&](const QString& name, bool doubleClick) {
      auto* list = window.findChild<QTreeView*>("ListView");
      list->clearSelection();
      for (int row = 0; row < 3; ++row)
        if (window.ListModel->Row(row).Path == name)
          list->selectionModel()->select(window.ListModel->index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
      dialogs.Clear();
      if (doubleClick)
        window.ListViewDblClick();
      else
        window.SpdBtnViewClick(nullptr);
      QTest::qWait(300);
    };

    for (const bool doubleClick : {false, true}) {
      view("notes.txt", doubleClick);
      QVERIFY(dialogs.Prompts.isEmpty());
      QVERIFY(!QFileInfo::exists(marker));
      struct stat st {};
      QCOMPARE(stat(QFile::encodeName(window.TempFiles.last()).constData(), &st), 0);
      QCOMPARE(st.st_mode & 07111, 0u);
    }
    for (const QString name : {"readme.txt", "tool.sh"})
      for (const int answer : {int(platform::mrCancel), int(platform::mrNo)}) {
        dialogs.MessageAnswers = {answer};
        view(name, answer == platform::mrNo);
        QCOMPARE(dialogs.Prompts.size(), 1);
        QCOMPARE(dialogs.Prompts[0].Caption, QStringLiteral("Warning"));
        QVERIFY(dialogs.Prompts[0].Text.startsWith("\"" + name + "\" is a program from the archive " +
                                                   Path("strangers.zip")));
        QCOMPARE(dialogs.Prompts[0].Buttons, unsigned(platform::mbYesNoCancel | platform::mbDefaultNo));
        QVERIFY(!QFileInfo::exists(marker));
      }
    dialogs.MessageAnswers = {platform::mrYes};
    view("tool.sh", false);
    for (int wait = 0; wait < 50 && !QFileInfo::exists(marker); ++wait) QTest::qWait(50);
    QVERIFY(QFileInfo::exists(marker));
  }

  // A ZIP archive inside opens in a window of its own, which closes with this one and leaves
  // the recent list alone; a file nothing can show is said to be so.
  void anArchiveInsideOpensInItsOwnWindow() {
    QVERIFY(MakeZip(Path("src/inner.zip"), {{"deep.txt", 10}}));
    QVERIFY(WriteFile(Path("src/data.bin"), QByteArray("\x00\x01\x02\xff", 4)));
    QProcess zip;
    zip.start("zip", {"-q", "-j", Path("outer.zip"), Path("src/inner.zip"), Path("src/data.bin")});
    QVERIFY(zip.waitForFinished(60000) && zip.exitCode() == 0);
    TWindowRig rig;
    Open(rig, Path("outer.zip"));
    SelectNamed(rig, {"inner.zip"});
    rig.Window->SpdBtnViewClick(nullptr);
    QVERIFY(rig.Shell.Requests.isEmpty());
    TMainFormFm* inner = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (auto* form = qobject_cast<TMainFormFm*>(widget); form && form != rig.Window.get()) inner = form;
    QVERIFY(inner);
    QPointer<TMainFormFm> watched(inner);
    QCOMPARE(inner->windowTitle(), QStringLiteral("inner.zip - Parcelix for Windows 95"));
    QCOMPARE(inner->ListModel->rowCount(), 1);
    QCOMPARE(IniValue("OpenedFiles", "File2"), QStringLiteral("<none>"));

    SelectNamed(rig, {"data.bin"});
    rig.Shell.Results = {platform::SE_ERR_NOASSOC, platform::SE_ERR_NOASSOC};
    rig.Window->SpdBtnViewClick(nullptr);
    QCOMPARE(rig.Dialogs.Messages(),
             QStringList{"Information: No program is available to open \"data.bin\"."});

    rig.Window->close();
    QTest::qWait(1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(watched.isNull());
  }

  // With no password configured the window asks for one, again when it does not fit; Cancel
  // skips the entry. Encrypted rows carry a lock.
  void encryptedEntriesAskForTheirPassword() {
    const QString archive = Path("secret.zip");
    QVERIFY(WriteFile(Path("src/secret.txt"), "top secret") && WriteFile(Path("src/plain.txt"), "open"));
    QProcess sevenZip;
    sevenZip.setWorkingDirectory(Path("src"));
    sevenZip.start("7zz", {"a", "-tzip", "-psecret", "-mem=AES256", archive, "secret.txt"});
    QVERIFY(sevenZip.waitForFinished(60000) && sevenZip.exitCode() == 0);
    sevenZip.start("7zz", {"a", "-tzip", archive, "plain.txt"});
    QVERIFY(sevenZip.waitForFinished(60000) && sevenZip.exitCode() == 0);

    TWindowRig rig;
    Open(rig, archive);
    QCOMPARE(rig.Model()->rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
      const bool secret = rig.Model()->Row(row).Path == "secret.txt";
      QCOMPARE(rig.Model()->index(row, 0).data(Qt::DecorationRole).isNull(), !secret);
      QCOMPARE(rig.Model()->index(row, 0).data(Qt::ToolTipRole).toString().startsWith("Encrypted"), secret);
    }
    rig.Window->ConfirmExtract = false;
    SelectNamed(rig, {"secret.txt"});
    rig.Dialogs.PasswordAnswers = {"wrong", "secret"};
    rig.Dialogs.FolderAnswers = {Path("out")};
    Button(rig, "SpdBtnExtract")->click();
    QCOMPARE(rig.Dialogs.Prompts.size(), 3);  // folder, password, password again
    QCOMPARE(rig.Dialogs.Prompts[1].Kind, QStringLiteral("password"));
    QCOMPARE(rig.Dialogs.Prompts[1].Text, QStringLiteral("Enter the password for \"secret.txt\":"));
    QCOMPARE(rig.Dialogs.Prompts[1].Buttons, 80u);  // the byte limit asked for
    QCOMPARE(rig.Dialogs.Prompts[2].Text,
             QStringLiteral("The password for \"secret.txt\" is not correct. Enter it again:"));
    QCOMPARE(Contents(Path("out/secret.txt")), QByteArray("top secret"));

    // Cancelled: skipped as before, with the engine's warning. (Opened again first: while it
    // stays open, the password that worked is tried without a question.)
    Open(rig, archive);
    SelectNamed(rig, {"secret.txt"});
    rig.Dialogs.Clear();
    rig.Dialogs.FolderAnswers = {Path("out2")};
    Button(rig, "SpdBtnExtract")->click();
    QCOMPARE(rig.Dialogs.Prompts[1].Kind, QStringLiteral("password"));
    QCOMPARE(rig.Dialogs.Messages().size(), 2);
    QVERIFY(rig.Dialogs.Messages()[0].contains("invalid or no password"));
    QVERIFY(!QFileInfo::exists(Path("out2/secret.txt")));

    // A configured password is used without a question.
    rig.Dialogs.Clear();
    rig.Window->MainXz->Password = "secret";
    rig.Dialogs.FolderAnswers = {Path("out3")};
    Button(rig, "SpdBtnExtract")->click();
    QCOMPARE(rig.Dialogs.Prompts.size(), 1);
    QCOMPARE(Contents(Path("out3/secret.txt")), QByteArray("top secret"));
  }

  // Seven encrypted entries: one question per operation however it is answered. Cancel skips
  // them all (one warning each), a wrong configured password lets the user type the right one
  // (and stays configured), Abort stops the operation, and View remembers what worked.
  void onePasswordQuestionPerOperation() {
    const QString archive = Path("seven.zip");
    QStringList names;
    for (int n = 1; n <= 7; ++n) {
      names << QString("e%1.txt").arg(n);
      QVERIFY(WriteFile(Path("src/" + names.last()), QByteArray(20, char('0' + n))));
    }
    QProcess sevenZip;
    sevenZip.setWorkingDirectory(Path("src"));
    sevenZip.start("7zz", QStringList{"a", "-tzip", "-psecret", "-mem=AES256", archive} + names);
    QVERIFY(sevenZip.waitForFinished(60000) && sevenZip.exitCode() == 0);
    TWindowRig rig;
    Open(rig, archive);
    rig.Window->ConfirmExtract = false;
    auto extractAll = [&](const QString& folder, std::deque<QString> answers) {
      rig.Dialogs.Clear();
      rig.Dialogs.PasswordAnswers = std::move(answers);
      rig.Dialogs.FolderAnswers = {Path(folder)};
      rig.Window->EditSelectAllMnClick(nullptr);
      Button(rig, "SpdBtnExtract")->click();
      return rig.Dialogs.Prompts.size() - 1 - rig.Dialogs.Messages().size();  // password questions
    };

    QCOMPARE(extractAll("cancelled", {""}), 1);
    QStringList skipped = rig.Dialogs.Messages();
    QCOMPARE(skipped.size(), 8);
    QCOMPARE(skipped.last(), QStringLiteral("Information: Some files were skipped while extracting."));
    QCOMPARE(skipped.filter("invalid or no password").size(), 7);
    QVERIFY(!QFileInfo::exists(Path("cancelled/e1.txt")));

    rig.Window->Password = "nope";
    rig.Window->MainXz->Password = "nope";
    QCOMPARE(extractAll("typed", {"secret"}), 1);
    QCOMPARE(rig.Dialogs.Messages(), QStringList());
    QCOMPARE(FilesUnder(Path("typed")).size(), 7);
    QCOMPARE(rig.Window->Password, QStringLiteral("nope"));
    QCOMPARE(rig.Window->MainXz->Password, QStringLiteral("nope"));

    Open(rig, archive);  // opened again: nothing typed before is remembered
    QCOMPARE(extractAll("stopped", {testing_support::TScriptedDialogs::kStopAnswer}), 1);
    QCOMPARE(rig.Dialogs.Messages(), QStringList{"Information: The extracting operation was aborted."});
    QVERIFY(!QFileInfo::exists(Path("stopped/e1.txt")));

    rig.Window->Password.clear();
    rig.Window->MainXz->Password.clear();
    rig.Dialogs.Clear();
    rig.Dialogs.PasswordAnswers = {"secret"};
    SelectNamed(rig, {"e1.txt"});
    rig.Window->SpdBtnViewClick(nullptr);
    SelectNamed(rig, {"e2.txt"});
    rig.Window->SpdBtnViewClick(nullptr);
    QCOMPARE(rig.Dialogs.Prompts.size(), 1);
    QCOMPARE(rig.Shell.Requests.size(), 2);
    QCOMPARE(Contents(rig.Shell.Requests[1].File), QByteArray(20, '2'));
  }

  // Names that look like patterns or like the engine's include and exclude marks, and a ":"
  // that Linux keeps: each selected entry acts on itself alone, beside names it would match.
  void selectedNamesActOnExactlyThemselves_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("decoys");
    QTest::newRow("brackets") << "Report [final].pdf" << QStringList{"Report f.pdf", "Report i.pdf"};
    QTest::newRow("star and question mark") << "a*b?.txt" << QStringList{"axxbc.txt", "ab1.txt"};
    QTest::newRow("exclude mark") << "<draft>.txt" << QStringList{"draft>.txt", "other.txt"};
    QTest::newRow("include mark") << ">in.txt" << QStringList{"in.txt", "other.txt"};
    QTest::newRow("colon") << "notes:v2.txt" << QStringList{"v2.txt", "other.txt"};
    QTest::newRow("a library marker") << "-x" << QStringList{"x", "other.txt"};
  }

  void selectedNamesActOnExactlyThemselves() {
    QFETCH(QString, name);
    QFETCH(QStringList, decoys);
    TWindowRig rig;
    const QString archive = Path("names.zip");
    QList<TFixtureEntry> entries{{name.replace("'", "\\'"), 11}};
    for (const QString& decoy : decoys) entries.append({decoy, 7});
    QVERIFY(MakeZip(archive, entries));
    Open(rig, archive);
    rig.Window->ConfirmExtract = rig.Window->ConfirmRemove = false;

    SelectNamed(rig, {name});
    rig.Dialogs.FolderAnswers = {Path("out")};
    Button(rig, "SpdBtnExtract")->click();
    QCOMPARE(FilesUnder(Path("out")), QStringList{"/" + name});

    rig.Window->TempFolder = Path("viewtmp");
    Button(rig, "SpdBtnView")->click();
    QCOMPARE(rig.Shell.Requests.size(), 1);
    QCOMPARE(QFileInfo(rig.Shell.Requests[0].File).fileName(), name);
    QCOMPARE(Contents(rig.Shell.Requests[0].File).size(), 11);

    Button(rig, "SpdBtnRemove")->click();
    QStringList left;
    for (int row = 0; row < rig.Model()->rowCount(); ++row) left << rig.Model()->Row(row).Path;
    left.sort();
    decoys.sort();
    QCOMPARE(left, decoys);
  }
};

PARCELIX_GUI_TEST_MAIN(TestExtractView)
#include "test_extract_view.moc"
