// --extract-here, --extract-to and --compress as a file manager calls them: the command lines
// and their exit status, where extracted files land and what a compress is called, Abort in the
// middle, and archives whose names try to leave the folder made for them.
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "actions/action_progress.h"
#include "actions/file_manager_actions.h"
#include "common/scripted_dialogs.h"
#include "common/test_environment.h"
#include "mainform/archive_fixture.h"
#include "platform/run_folder.h"

namespace {

using testing_support::TScriptedDialogs;

// Every file and folder below Root (hidden ones too), folders ending with "/", sorted.
QStringList Tree(const QString& Root) {
  QStringList found;
  QDirIterator it(Root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QFileInfo info = it.nextFileInfo();
    found.append(QDir(Root).relativeFilePath(info.filePath()) +
                 (info.isDir() ? QStringLiteral("/") : QString()));
  }
  found.sort();
  return found;
}

QByteArray ReadFile(const QString& Path) {
  QFile file(Path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Runs a program in Folder; true when it ended with status 0.
bool Run(const QString& Folder, const QString& Program, const QStringList& Arguments) {
  QProcess process;
  process.setWorkingDirectory(Folder);
  process.start(Program, Arguments);
  return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
         process.exitCode() == 0;
}

// One line per entry of a ZIP archive, as Python's zipfile reads it: `Line` is a Python
// expression of the entry `i`; entries that `Keep` (also of `i`) leaves out give none. Sorted.
QStringList EntryLines(const QString& Archive, const QString& Line,
                       const QString& Keep = QStringLiteral("True")) {
  QProcess python;
  python.start(QStringLiteral("python3"),
               {QStringLiteral("-c"),
                QStringLiteral("import zipfile,sys\nfor i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
                               " if %2: print(%1)")
                    .arg(Line, Keep),
                Archive});
  if (!python.waitForFinished(30000) || python.exitCode() != 0) return {QStringLiteral("<not a zip>")};
  QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
  lines.sort();
  return lines;
}

// The entry names of a ZIP archive, as Python's zipfile reads them.
QStringList EntryNames(const QString& Archive) {
  return EntryLines(Archive, QStringLiteral("i.filename"));
}

// The command line as the program reads it, then what it does: the exit status.
int RunCommandLine(const QStringList& Arguments, TScriptedDialogs& Dialogs) {
  const TCommandLine commandLine = ParseCommandLine(QStringList{QStringLiteral("parcelix")} + Arguments);
  if (const int status = AnswerCommandLine(commandLine); status >= 0) return status;
  return RunFileManagerAction(commandLine, Dialogs);
}

// Clicks Abort once the engine is at work on an entry.
class TAbortMidway : public QObject {
 public:
  TAbortMidway() {
    connect(&FTimer, &QTimer::timeout, this, [this] {
      for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* progress = qobject_cast<TActionProgress*>(window);
            progress && progress->isVisible() && !progress->EntryText().isEmpty() && !Clicked) {
          Clicked = true;
          progress->AbortButton()->click();
        }
    });
    FTimer.start(1);
  }
  bool Clicked = false;

 private:
  QTimer FTimer;
};

}  // namespace

class TestFileManagerActions : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir* FWork = nullptr;
  QString Work() const { return FWork->path(); }
  QString At(const QString& Name) const { return Work() + u'/' + Name; }

 private slots:
  void init() {
    FWork = new QTemporaryDir();
    QVERIFY(FWork->isValid());
    QDir::setCurrent(Work());
  }
  void cleanup() {
    QDir::setCurrent(QDir::tempPath());
    delete FWork;
    FWork = nullptr;
  }

  // Each row: the arguments (in the work folder, which holds good.zip, secret.zip with the
  // password "secret", notzip.zip holding text, cut.zip cut short), the password and folder
  // answers, the exit status, what is then in the work folder besides those four, and how
  // many messages were shown.
  void commandLines_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("passwords");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("created");
    QTest::addColumn<int>("messages");
    const QStringList none;
    QTest::newRow("extract here") << QStringList{"--extract-here", "good.zip"} << none << none << 0
                                  << QStringList{"good/", "good/a.txt", "good/b/", "good/b/c.txt"} << 0;
    QTest::newRow("two archives") << QStringList{"--extract-here", "good.zip", "secret.zip"}
                                  << QStringList{"secret"} << none << 0
                                  << QStringList{"good/",        "good/a.txt", "good/b/",
                                                 "good/b/c.txt", "secret/",    "secret/s.txt"}
                                  << 0;
    QTest::newRow("after --") << QStringList{"--extract-here", "--", "good.zip"} << none << none << 0
                              << QStringList{"good/", "good/a.txt", "good/b/", "good/b/c.txt"} << 0;
    QTest::newRow("no archive named") << QStringList{"--extract-here"} << none << none << 2 << none << 0;
    QTest::newRow("only --") << QStringList{"--compress", "--"} << none << none << 2 << none << 0;
    QTest::newRow("a second option") << QStringList{"--extract-here", "--bogus", "good.zip"} << none << none
                                     << 2 << none << 0;
    QTest::newRow("missing archive, then a good one")
        << QStringList{"--extract-here", "gone.zip", "good.zip"} << none << none << 3
        << QStringList{"good/", "good/a.txt", "good/b/", "good/b/c.txt"} << 1;
    QTest::newRow("not an archive") << QStringList{"--extract-here", "notzip.zip"} << none << none << 3
                                    << none << 1;
    QTest::newRow("cut short") << QStringList{"--extract-here", "cut.zip"} << none << none << 3 << none << 1;
    QTest::newRow("wrong password, then right")
        << QStringList{"--extract-here", "secret.zip"} << QStringList{"wrong", "secret"} << none << 0
        << QStringList{"secret/", "secret/s.txt"} << 0;
    QTest::newRow("password cancelled: entry skipped")
        << QStringList{"--extract-here", "secret.zip"} << QStringList{""} << none << 1 << none << 1;
    QTest::newRow("password question aborted")
        << QStringList{"--extract-here", "secret.zip", "good.zip"}
        << QStringList{TScriptedDialogs::kStopAnswer} << none << 4 << none << 0;
    QTest::newRow("extract to a folder")
        << QStringList{"--extract-to", "good.zip"} << none << QStringList{"@/out"} << 0
        << QStringList{"out/", "out/good/", "out/good/a.txt", "out/good/b/", "out/good/b/c.txt"} << 0;
    QTest::newRow("extract to, chooser cancelled")
        << QStringList{"--extract-to", "good.zip"} << none << QStringList{""} << 4 << none << 0;
    QTest::newRow("compress") << QStringList{"--compress", "data.txt"} << none << none << 0
                              << QStringList{"data.zip"} << 0;
    QTest::newRow("compress a missing file")
        << QStringList{"--compress", "gone.txt"} << none << none << 3 << none << 1;
  }
  void commandLines() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, passwords);
    QFETCH(QStringList, folders);
    QFETCH(int, status);
    QFETCH(QStringList, created);
    QFETCH(int, messages);
    QVERIFY(MakeZip(At("good.zip"), {{"a.txt", 10}, {"b/c.txt", 20}}));
    QVERIFY(WriteFile(At("s.txt"), "hidden words"));
    QVERIFY(Run(Work(), "zip", {"-q", "-P", "secret", "secret.zip", "s.txt"}));
    QVERIFY(QFile::remove(At("s.txt")));
    QVERIFY(WriteFile(At("notzip.zip"), "just some text, no archive"));
    QByteArray cut = ReadFile(At("good.zip"));
    cut.chop(40);
    QVERIFY(WriteFile(At("cut.zip"), cut));
    QVERIFY(WriteFile(At("data.txt"), "data"));
    const QStringList before = Tree(Work());

    TScriptedDialogs dialogs;
    for (const QString& answer : passwords) dialogs.PasswordAnswers.push_back(answer);
    for (QString answer : folders) dialogs.FolderAnswers.push_back(answer.replace("@", Work()));
    QCOMPARE(RunCommandLine(arguments, dialogs), status);
    QStringList now = Tree(Work());
    for (const QString& old : before) now.removeOne(old);
    QCOMPARE(now, created);
    QCOMPARE(dialogs.Messages().size(), messages);
  }

  // Where an archive's entries land, beside it: a folder named after it, its one top folder of
  // that name taken as that folder, a taken name numbered. Pre-existing names are made first
  // (a name ending with "/" a folder); created is what the work folder gains.
  void extractHereFolderRules_data() {
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("created");
    QTest::newRow("one top folder of the archive's name")
        << "photos.zip" << QStringList{"photos/a.jpg", "photos/2020/b.jpg"} << QStringList{}
        << QStringList{"photos/", "photos/2020/", "photos/2020/b.jpg", "photos/a.jpg"};
    QTest::newRow("several top entries") << "mix.zip" << QStringList{"a.txt", "docs/b.txt"} << QStringList{}
                                         << QStringList{"mix/", "mix/a.txt", "mix/docs/", "mix/docs/b.txt"};
    QTest::newRow("one file") << "one.zip" << QStringList{"a.txt"} << QStringList{}
                              << QStringList{"one/", "one/a.txt"};
    QTest::newRow("nested folder with a different name")
        << "photos.zip" << QStringList{"pictures/a.jpg"} << QStringList{}
        << QStringList{"photos/", "photos/pictures/", "photos/pictures/a.jpg"};
    QTest::newRow("top folder of the name and a file beside it")
        << "photos.zip" << QStringList{"photos/a.jpg", "readme.txt"} << QStringList{}
        << QStringList{"photos/", "photos/photos/", "photos/photos/a.jpg", "photos/readme.txt"};
    QTest::newRow("name already taken")
        << "photos.zip" << QStringList{"photos/a.jpg"} << QStringList{"photos/"}
        << QStringList{"photos (2)/", "photos (2)/a.jpg"};
    QTest::newRow("name taken twice, once by a file")
        << "mix.zip" << QStringList{"a.txt", "b.txt"} << QStringList{"mix/", "mix (2)"}
        << QStringList{"mix (3)/", "mix (3)/a.txt", "mix (3)/b.txt"};
    QTest::newRow("upper-case extension")
        << "Pics.ZIP" << QStringList{"Pics/x.png"} << QStringList{} << QStringList{"Pics/", "Pics/x.png"};
    QTest::newRow("another extension")
        << "data.bin" << QStringList{"a.txt"} << QStringList{} << QStringList{"data/", "data/a.txt"};
    QTest::newRow("no extension: the archive has the name")
        << "backup" << QStringList{"backup/a.txt"} << QStringList{}
        << QStringList{"backup (2)/", "backup (2)/a.txt"};
  }
  void extractHereFolderRules() {
    QFETCH(QString, archive);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, existing);
    QFETCH(QStringList, created);
    QList<TFixtureEntry> fixture;
    for (const QString& entry : entries) fixture.append({entry, 100});
    QVERIFY(MakeZip(At(archive), fixture));
    for (const QString& name : existing)
      QVERIFY(name.endsWith(u'/') ? QDir().mkpath(At(name)) : WriteFile(At(name), "mine"));
    const QStringList before = Tree(Work());

    TScriptedDialogs dialogs;
    QCOMPARE(RunCommandLine({"--extract-here", At(archive)}, dialogs), 0);
    QStringList now = Tree(Work());
    for (const QString& old : before) now.removeOne(old);
    QCOMPARE(now, created);
    QVERIFY(dialogs.Prompts.isEmpty());
    for (const QString& name : existing)
      if (!name.endsWith(u'/')) QCOMPARE(ReadFile(At(name)), QByteArray("mine"));
  }

  // Archives written by the common tools come out byte for byte.
  void archivesOfThePeers_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("zip") << "zip" << QStringList{"-qr", "../tree.zip", "tree"};
    QTest::newRow("7zz") << "7zz" << QStringList{"a", "-bso0", "-bsp0", "../tree.zip", "tree"};
  }
  void archivesOfThePeers() {
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QByteArray big(3 << 20, '\0');
    for (qsizetype i = 0; i < big.size(); ++i) big[i] = char((i * 7919) >> 5);
    QVERIFY(WriteFile(At("src/tree/big.bin"), big));
    QVERIFY(WriteFile(At("src/tree/sub/small.txt"), "small"));
    QVERIFY(Run(At("src"), program, arguments));
    TScriptedDialogs dialogs;
    QCOMPARE(RunCommandLine({"--extract-here", At("tree.zip")}, dialogs), 0);
    QCOMPARE(ReadFile(At("tree/big.bin")), big);
    QCOMPARE(ReadFile(At("tree/sub/small.txt")), QByteArray("small"));
  }

  // What a compress is called and what it holds. Files are made first (a name ending with "/" a
  // folder); save is the answer to the name question ("" cancels), asked only when the name is
  // taken.
  void compressNaming_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("save");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("suggested");
    QTest::newRow("one file") << QStringList{"report.txt"} << QStringList{"report.txt"} << "" << 0
                              << "report.zip" << QStringList{"report.txt"} << "";
    QTest::newRow("one folder") << QStringList{"photos/a.jpg", "photos/.hidden"} << QStringList{"photos"}
                                << "" << 0 << "photos.zip"
                                << QStringList{"photos/", "photos/.hidden", "photos/a.jpg"} << "";
    QTest::newRow("several files in one folder")
        << QStringList{"docs/a.txt", "docs/b.txt"} << QStringList{"docs/a.txt", "docs/b.txt"} << "" << 0
        << "docs/docs.zip" << QStringList{"a.txt", "b.txt"} << "";
    QTest::newRow("a file and a folder")
        << QStringList{"docs/a.txt", "docs/sub/c.txt"} << QStringList{"docs/a.txt", "docs/sub"} << "" << 0
        << "docs/docs.zip" << QStringList{"a.txt", "sub/", "sub/c.txt"} << "";
    QTest::newRow("name taken: asked")
        << QStringList{"report.txt", "report.zip"} << QStringList{"report.txt"} << "@/report (2).zip" << 0
        << "report (2).zip" << QStringList{"report.txt"} << "report (2).zip";
    QTest::newRow("name taken: replace it")
        << QStringList{"report.txt", "report.zip"} << QStringList{"report.txt"} << "@/report.zip" << 0
        << "report.zip" << QStringList{"report.txt"} << "report (2).zip";
    QTest::newRow("name taken: cancelled, nothing written")
        << QStringList{"report.txt", "report.zip"} << QStringList{"report.txt"} << "" << 4 << ""
        << QStringList{} << "report (2).zip";
  }
  void compressNaming() {
    QFETCH(QStringList, files);
    QFETCH(QStringList, arguments);
    QFETCH(QString, save);
    QFETCH(int, status);
    QFETCH(QString, archive);
    QFETCH(QStringList, entries);
    QFETCH(QString, suggested);
    for (const QString& file : files) QVERIFY(WriteFile(At(file), file.toUtf8()));
    const QStringList before = Tree(Work());

    TScriptedDialogs dialogs;
    dialogs.SaveAnswers.push_back(QString(save).replace("@", Work()));
    QStringList given{"--compress"};
    for (const QString& argument : arguments) given.append(At(argument));
    QCOMPARE(RunCommandLine(given, dialogs), status);

    QStringList now = Tree(Work());
    for (const QString& old : before) now.removeOne(old);
    if (archive.isEmpty()) {
      QCOMPARE(now, QStringList{});
      QCOMPARE(ReadFile(At("report.zip")), QByteArray("report.zip"));
    } else {
      QCOMPARE(EntryNames(At(archive)), entries);
      QVERIFY(now == QStringList{archive} || (now.isEmpty() && before.contains(archive)));
    }
    QCOMPARE(dialogs.Prompts.size(), suggested.isEmpty() ? 0 : 1);
    if (!suggested.isEmpty()) {
      QCOMPARE(dialogs.Prompts.first().Kind, QStringLiteral("save"));
      QCOMPARE(dialogs.Prompts.first().Request.FileName, suggested);
      QCOMPARE(dialogs.Prompts.first().Request.InitialDir, Work());
    }
  }

  // A compress packs as the settings say (level, extensions stored as they are), yet never
  // takes the stored password nor moves the files. Each row: the settings file, then each
  // entry's name, method and encryption bit as Python's zipfile reads them.
  void compressTakesThePackingSettings_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("entries");
    QTest::newRow("none: level 6") << ""
                                   << "a.txt 8 0, b.dat 8 0, c.zip 0 0";
    QTest::newRow("level 0") << "[Settings]\nCompressionLevel=0\n"
                             << "a.txt 0 0, b.dat 0 0, c.zip 0 0";
    QTest::newRow("stored extensions, password, move")
        << "[Settings]\nStoredExt=.TXT\nPassword=secret\nMoveFiles=1\n"
        << "a.txt 0 0, b.dat 8 0, c.zip 8 0";
  }
  void compressTakesThePackingSettings() {
    QFETCH(QString, ini);
    QFETCH(QString, entries);
    RemoveIni();
    if (!ini.isEmpty()) QVERIFY(WriteIni(ini));
    const QStringList files{"a.txt", "b.dat", "c.zip"};
    for (const QString& file : files) QVERIFY(WriteFile(At("in/" + file), QByteArray(4000, 'x')));
    TScriptedDialogs dialogs;
    QCOMPARE(RunCommandLine({"--compress", At("in")}, dialogs), 0);
    RemoveIni();
    const QStringList found =
        EntryLines(At("in.zip"), "'%s %d %d' % (i.filename[3:], i.compress_type, i.flag_bits & 1)",
                   QStringLiteral("not i.is_dir()"));
    QCOMPARE(found.join(QStringLiteral(", ")), entries);
    for (const QString& file : files) QVERIFY(QFile::exists(At("in/" + file)));
  }

  // The folders a killed run left beside its target (an extract here, a compress replacing an
  // archive) go at the next such run there, with whatever they hold; one whose run still lives
  // stays.
  void abandonedWorkFoldersAreSwept() {
    QVERIFY(MakeZip(At("good.zip"), {{"a.txt", 10}}));
    QVERIFY(WriteFile(At("report.txt"), "report"));
    QVERIFY(WriteFile(At("report.zip"), "old"));
    QStringList stale;
    for (const char* prefix : {".parcelix-extract-", ".parcelix-compress-"}) {
      QVERIFY(WriteFile(At(prefix + QStringLiteral("dead01/.in-use")), ""));
      QVERIFY(WriteFile(At(prefix + QStringLiteral("dead01/out/half.txt")), "half"));
      stale << prefix + QStringLiteral("dead01/");
    }
    const platform::TRunFolder live(Work(), QStringLiteral(".parcelix-extract-"));
    QVERIFY(live.IsValid());
    TScriptedDialogs dialogs;
    QCOMPARE(RunCommandLine({"--extract-here", At("good.zip")}, dialogs), 0);
    dialogs.SaveAnswers.push_back(At("report.zip"));
    QCOMPARE(RunCommandLine({"--compress", At("report.txt")}, dialogs), 0);
    const QStringList now = Tree(Work());
    for (const QString& folder : stale) QVERIFY2(!now.contains(folder), qPrintable(folder));
    QVERIFY(QFileInfo::exists(live.Path() + "/.in-use"));
    QCOMPARE(EntryNames(At("report.zip")), QStringList{"report.txt"});
    QCOMPARE(ReadFile(At("good/a.txt")).size(), 10);
  }

  // Abort once the engine is at work: status 4, and nothing of the half-done work is left.
  void abortMidwayLeavesNothing_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("compress") << QStringList{"--compress", "big"};
    QTest::newRow("compress, replacing") << QStringList{"--compress", "big", "old.zip"};
    QTest::newRow("extract here") << QStringList{"--extract-here", "old.zip"};
  }
  void abortMidwayLeavesNothing() {
    QFETCH(QStringList, arguments);
    QByteArray bytes(4 << 20, '\0');
    for (int file = 0; file < 6; ++file) {
      for (qsizetype i = 0; i < bytes.size(); i += 4) bytes[i] = char(QRandomGenerator::global()->generate());
      QVERIFY(WriteFile(At(QStringLiteral("big/part%1.bin").arg(file)), bytes));
    }
    QVERIFY(Run(Work(), "zip", {"-qr1", "old.zip", "big"}));
    // Compressing big and old.zip makes the name "<work folder>.zip" beside them taken.
    const QString replaced = QFileInfo(Work()).fileName() + QStringLiteral(".zip");
    QVERIFY(WriteFile(At(replaced), "keep me"));
    const QStringList before = Tree(Work());
    const QByteArray old = ReadFile(At("old.zip"));

    TScriptedDialogs dialogs;
    dialogs.SaveAnswers.push_back(At(replaced));
    TAbortMidway abort;
    QStringList given{arguments.first()};
    for (qsizetype i = 1; i < arguments.size(); ++i) given.append(At(arguments[i]));
    QCOMPARE(RunCommandLine(given, dialogs), 4);
    QVERIFY(abort.Clicked);
    QCOMPARE(Tree(Work()), before);
    QCOMPARE(ReadFile(At("old.zip")), old);
    QCOMPARE(ReadFile(At(replaced)), QByteArray("keep me"));
    QCOMPARE(dialogs.Messages(), QStringList{});
  }

  // Entries named to climb out ("../x", "/x", "a/../../x") land inside the folder made for the
  // archive or nowhere, by both actions.
  void hostileNamesStayInside_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("extract here") << "--extract-here";
    QTest::newRow("extract to") << "--extract-to";
  }
  void hostileNamesStayInside() {
    QFETCH(QString, action);
    QVERIFY(
        MakeZip(At("in/evil.zip"), {{"../x.txt", 5}, {"/abs.txt", 5}, {"a/../../y.txt", 5}, {"ok.txt", 5}}));
    TScriptedDialogs dialogs;
    dialogs.FolderAnswers.push_back(At("in"));
    RunCommandLine({action, At("in/evil.zip")}, dialogs);
    QStringList outside = Tree(Work());
    outside.removeAll(QStringLiteral("in/"));
    outside.removeAll(QStringLiteral("in/evil.zip"));
    for (const QString& path : outside)
      QVERIFY2(path.startsWith(QStringLiteral("in/evil/")), qPrintable(path));
    QVERIFY(outside.contains(QStringLiteral("in/evil/ok.txt")));
  }
};

PARCELIX_GUI_TEST_MAIN(TestFileManagerActions)
#include "test_file_manager_actions.moc"
