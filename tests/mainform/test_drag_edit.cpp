// Entries dragged out of the list, and copies changed outside the window offered back to the
// archive: against the real libraries and archives written by zip.
#include <sys/stat.h>

#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include "archive_fixture.h"
#include "common/test_environment.h"
#include "test_mainwindow_rig.h"

namespace {

const QString kYesNoPrefix = QStringLiteral("Confirm: ");

QString Run(const QString& program, const QStringList& arguments, const QString& folder = {}) {
  QProcess process;
  if (!folder.isEmpty()) process.setWorkingDirectory(folder);
  process.start(program, arguments);
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return QStringLiteral("<failed>");
  return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

class TestDragEdit : public QObject {
  Q_OBJECT

  QString FDir;
  QString FStartDir;

  QString Path(const QString& name) { return FDir + "/" + name; }

  // zip -r of src/: docs/, docs/a.txt, docs/sub/, docs/sub/b.txt, top.sh (a program, mode 0755).
  QString MakeTree(const QStringList& zipOptions = {}) {
    WriteFile(Path("src/docs/a.txt"), "alpha\n");
    WriteFile(Path("src/docs/sub/b.txt"), QByteArray(70000, 'b'));
    WriteFile(Path("src/top.sh"), "#!/bin/sh\necho ran > ran.txt\n");
    chmod(Path("src/top.sh").toLocal8Bit().constData(), 0755);
    Run("zip", QStringList{"-q", "-r"} + zipOptions + QStringList{Path("tree.zip"), "docs", "top.sh"},
        Path("src"));
    return Path("tree.zip");
  }

  void Open(TWindowRig& rig, const QString& path) {
    rig.Dialogs.OpenAnswers.push_back({path});
    rig.Action("FileOpenMn")->trigger();
    rig.Dialogs.Clear();
  }

  QModelIndexList Select(TWindowRig& rig, const QStringList& storedNames) {
    rig.List()->clearSelection();
    for (int row = 0; row < rig.Model()->rowCount(); ++row)
      if (storedNames.contains(rig.Model()->Row(row).Path))
        rig.List()->selectionModel()->select(rig.Model()->index(row, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    return rig.List()->selectionModel()->selectedIndexes();
  }

  // The local files a drag of the selection would carry; empty when no drag starts.
  QStringList DraggedFiles(TWindowRig& rig, const QStringList& storedNames) {
    std::unique_ptr<QMimeData> data(rig.Model()->mimeData(Select(rig, storedNames)));
    QStringList files;
    if (data)
      for (const QUrl& url : data->urls()) files << url.toLocalFile();
    return files;
  }

  // The window's view copy of one entry.
  QString ViewCopy(TWindowRig& rig, const QString& storedName) {
    Select(rig, {storedName});
    rig.Shell.Requests.clear();
    rig.Window->SpdBtnViewClick(nullptr);
    return rig.Shell.Requests.isEmpty() ? QString() : rig.Shell.Requests.last().File;
  }

 private slots:
  void initTestCase() { FStartDir = QDir::currentPath(); }

  void init() {
    RemoveIni();
    QDir::setCurrent(FStartDir);
    FDir = QDir::tempPath() + "/dragedit";
    QDir(FDir).removeRecursively();
    QDir().mkpath(FDir);
  }

  void cleanup() { QDir::setCurrent(FStartDir); }

  void draggedRowsArriveAsPrivateFilesFoldersWithTheirContents() {
    TWindowRig rig;
    Open(rig, MakeTree());
    rig.Window->TempFolder = Path("tmp");
    QVERIFY(rig.List()->dragEnabled());
    QCOMPARE(rig.Model()->mimeTypes(), QStringList{"text/uri-list"});

    // A folder row carries the folder with everything under it; its own rows inside are not
    // carried twice.
    const QStringList files = DraggedFiles(rig, {"docs/", "docs/sub/b.txt", "top.sh"});
    QCOMPARE(files.size(), 2);
    const QString folder = QFileInfo(files[0]).path();
    QCOMPARE(QFileInfo(files[1]).path(), folder);
    QCOMPARE(QStringList({QFileInfo(files[0]).fileName(), QFileInfo(files[1]).fileName()}).size(), 2);
    QVERIFY(files.contains(folder + "/docs") && files.contains(folder + "/top.sh"));
    QCOMPARE(Contents(folder + "/docs/a.txt"), QByteArray("alpha\n"));
    QCOMPARE(Contents(folder + "/docs/sub/b.txt"), QByteArray(70000, 'b'));
    QCOMPARE(Contents(folder + "/top.sh"), Contents(Path("src/top.sh")));
    // The view folder's rules: under TempFolder, readable by the user alone, nothing executable.
    QVERIFY(
        QFileInfo(folder).canonicalFilePath().startsWith(QFileInfo(Path("tmp")).canonicalFilePath() + "/"));
    QCOMPARE(QFileInfo(folder + "/..").permissions() & 0x0777,
             QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    QCOMPARE(
        QFileInfo(folder + "/top.sh").permissions() & (QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther),
        QFile::Permissions());
    QVERIFY(rig.Dialogs.Prompts.isEmpty());
    // The user's choices are as they were.
    QVERIFY(rig.Window->MainXz->ExactNames);
    QCOMPARE(rig.Window->MainXz->Overwrite, zowAsk);

    // One file row: that file alone, in a new folder.
    const QStringList one = DraggedFiles(rig, {"docs/sub/b.txt"});
    QCOMPARE(one.size(), 1);
    QVERIFY(one[0].endsWith("/docs/sub/b.txt") && !one[0].startsWith(folder + "/"));

    rig.Window->close();
    QVERIFY(!QFileInfo::exists(folder));
  }

  void anEncryptedEntryAsksFirstAndACancelStartsNoDrag() {
    TWindowRig rig;
    Open(rig, MakeTree({"-P", "secret"}));
    rig.Window->TempFolder = Path("tmp");
    // Cancel (skip the entry, with its warning) and Abort alike leave nothing to drag.
    for (const QString& answer : {QString(), testing_support::TScriptedDialogs::kStopAnswer}) {
      rig.Dialogs.Clear();
      rig.Dialogs.PasswordAnswers = {answer};
      QVERIFY(DraggedFiles(rig, {"docs/a.txt"}).isEmpty());
      QCOMPARE(rig.Dialogs.Prompts.first().Kind, QStringLiteral("password"));
    }

    rig.Dialogs.Clear();
    rig.Dialogs.PasswordAnswers = {QStringLiteral("secret")};
    const QStringList files = DraggedFiles(rig, {"docs/a.txt"});
    QCOMPARE(files.size(), 1);
    QCOMPARE(Contents(files[0]), QByteArray("alpha\n"));
  }

  // A copy changed by the program showing it is offered back once per change; Yes updates the
  // entry under its stored name, No leaves the archive alone, an unchanged save asks nothing.
  void aChangedViewCopyIsOfferedBackUnderItsStoredName() {
    TWindowRig rig;
    const QString archive = MakeTree();
    Open(rig, archive);
    rig.Window->TempFolder = Path("tmp");
    const QString copy = ViewCopy(rig, "docs/sub/b.txt");
    QVERIFY(!copy.isEmpty());
    const auto listed = [&] {
      QStringList names = Run("unzip", {"-Z1", archive}).split(u'\n');
      names.sort();
      return names;
    };
    const QStringList before = listed();

    QVERIFY(WriteFile(copy, QByteArray(70000, 'b')));  // saved without a change
    QTest::qWait(900);
    QVERIFY(rig.Dialogs.Prompts.isEmpty());

    rig.Dialogs.MessageAnswers = {platform::mrNo};
    QVERIFY(WriteFile(copy, "first edit\n"));
    QTRY_COMPARE(rig.Dialogs.Messages(),
                 QStringList{kYesNoPrefix + "b.txt was changed. Update it in the archive?"});
    QCOMPARE(Run("unzip", {"-p", archive, "docs/sub/b.txt"}).size(), 70000);

    // An editor that saves by writing a new file and renaming it over the copy.
    rig.Dialogs.Clear();
    rig.Dialogs.MessageAnswers = {platform::mrYes};
    QVERIFY(WriteFile(copy + ".new", "second edit\n"));
    QVERIFY(std::rename((copy + ".new").toLocal8Bit().constData(), copy.toLocal8Bit().constData()) == 0);
    QTRY_COMPARE(rig.Dialogs.Prompts.size(), 1);
    QTRY_COMPARE(Run("unzip", {"-p", archive, "docs/sub/b.txt"}), QStringLiteral("second edit\n"));
    QCOMPARE(listed(), before);  // the same entries, none added
    QCOMPARE(Run("unzip", {"-p", archive, "docs/a.txt"}), QStringLiteral("alpha\n"));
    QTest::qWait(900);
    QCOMPARE(rig.Dialogs.Prompts.size(), 1);  // asked once per change
  }

  void aChangeStillUnofferedIsAskedAboutAtClose() {
    TWindowRig rig;
    const QString archive = MakeTree();
    Open(rig, archive);
    rig.Window->TempFolder = Path("tmp");
    const QString copy = ViewCopy(rig, "docs/a.txt");
    rig.Dialogs.MessageAnswers = {platform::mrYes};
    QVERIFY(WriteFile(copy, "edited just before closing\n"));
    rig.Window->close();
    QCOMPARE(rig.Dialogs.Prompts.size(), 1);
    QCOMPARE(Run("unzip", {"-p", archive, "docs/a.txt"}), QStringLiteral("edited just before closing\n"));
  }

  // A spanned set cannot take a changed entry: the answer says so and the segments stay as they were.
  void aSpannedSetRefusesTheUpdateWithAMessage() {
    QDir().mkpath(Path("src"));
    Run("bash",
        {"-c", "head -c 350000 /dev/urandom > big.bin && zip -q -s 64k " + Path("span.zip") + " big.bin"},
        Path("src"));
    QVERIFY(QFileInfo::exists(Path("span.z01")));
    const QByteArray last = Contents(Path("span.zip"));
    TWindowRig rig;
    Open(rig, Path("span.zip"));
    rig.Window->TempFolder = Path("tmp");
    const QString copy = ViewCopy(rig, "big.bin");
    QVERIFY(!copy.isEmpty());
    rig.Dialogs.MessageAnswers = {platform::mrYes};
    QVERIFY(WriteFile(copy, "changed\n"));
    QTRY_COMPARE(rig.Dialogs.Messages().size(), 2);
    QVERIFY2(rig.Dialogs.Messages()[1].contains("multiple-disk"), qPrintable(rig.Dialogs.Messages()[1]));
    QCOMPARE(Contents(Path("span.zip")), last);
  }

  // An archive viewed out of this one and changed in its own window: asked when that window
  // closes, not while it works.
  void aChangedInnerArchiveIsOfferedBackWhenItsWindowCloses() {
    QVERIFY(MakeZip(Path("src/inner.zip"), {{"deep.txt", 10}}));
    Run("zip", {"-q", "-j", Path("outer.zip"), Path("src/inner.zip")});
    TWindowRig rig;
    Open(rig, Path("outer.zip"));
    rig.Window->TempFolder = Path("tmp");
    Select(rig, {"inner.zip"});
    rig.Window->SpdBtnViewClick(nullptr);
    TMainFormFm* inner = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (auto* form = qobject_cast<TMainFormFm*>(widget); form && form != rig.Window.get()) inner = form;
    QVERIFY(inner);
    QVERIFY(WriteFile(Path("added.txt"), "added inside\n"));
    inner->AddFilesToZip({Path("added.txt")});
    QCOMPARE(inner->ListModel->rowCount(), 2);
    QTest::qWait(900);
    QVERIFY(rig.Dialogs.Prompts.isEmpty());

    rig.Dialogs.MessageAnswers = {platform::mrYes};
    inner->close();
    QTRY_COMPARE(rig.Dialogs.Messages(),
                 QStringList{kYesNoPrefix + "inner.zip was changed. Update it in the archive?"});
    const auto innerAdded = [&] {
      Run("unzip", {"-q", "-o", Path("outer.zip"), "-d", Path("out")});
      return Run("unzip", {"-Z1", Path("out/inner.zip")}).endsWith(QStringLiteral("added.txt\n"));
    };
    QTRY_VERIFY(innerAdded());
    QCOMPARE(Run("unzip", {"-Z1", Path("outer.zip")}), QStringLiteral("inner.zip\n"));
  }
};

PARCELIX_GUI_TEST_MAIN(TestDragEdit)
#include "test_drag_edit.moc"
