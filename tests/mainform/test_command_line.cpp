// The program's command line: --help and --version answered on the terminal without a display,
// "--" ending the options, any other "--" word refused with status 2 before anything is read or
// written, and everything else joined into the archive's name as before.
#include <QDir>
#include <QProcess>
#include <QTest>

#include "common/test_environment.h"
#include "mainform/command_line.h"
#include "parcelix_version.h"
#include "test_mainwindow_rig.h"

namespace {

using TAction = TCommandLine::TAction;

}  // namespace

class TestCommandLine : public QObject {
  Q_OBJECT

 private slots:
  void parsing_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("refused");
    const int open = int(TAction::Open), help = int(TAction::Help), version = int(TAction::Version),
              refuse = int(TAction::Refuse), here = int(TAction::ExtractHere), to = int(TAction::ExtractTo),
              compress = int(TAction::Compress);
    QTest::newRow("nothing") << QStringList{} << open << QStringList{} << "";
    QTest::newRow("a name") << QStringList{"/data/a.zip"} << open << QStringList{"/data/a.zip"} << "";
    QTest::newRow("a name split at a blank")
        << QStringList{"/data/MY", "FILES.ZIP"} << open << QStringList{"/data/MY", "FILES.ZIP"} << "";
    QTest::newRow("--help") << QStringList{"--help"} << help << QStringList{} << "";
    QTest::newRow("--version") << QStringList{"--version"} << version << QStringList{} << "";
    QTest::newRow("option after a name")
        << QStringList{"a.zip", "--version"} << version << QStringList{"a.zip"} << "";
    QTest::newRow("leftmost option decides")
        << QStringList{"--version", "--help"} << version << QStringList{} << "";
    QTest::newRow("unknown option") << QStringList{"--list"} << refuse << QStringList{} << "--list";
    QTest::newRow("unknown before --help")
        << QStringList{"--bogus", "--help"} << refuse << QStringList{} << "--bogus";
    QTest::newRow("--help with a value")
        << QStringList{"--help=all"} << refuse << QStringList{} << "--help=all";
    QTest::newRow("case matters") << QStringList{"--Version"} << refuse << QStringList{} << "--Version";
    QTest::newRow("-- ends the options")
        << QStringList{"--", "--version"} << open << QStringList{"--version"} << "";
    QTest::newRow("only the first -- is taken")
        << QStringList{"--", "a", "--", "b"} << open << QStringList{"a", "--", "b"} << "";
    QTest::newRow("-- alone") << QStringList{"--"} << open << QStringList{} << "";
    QTest::newRow("-- after a name") << QStringList{"a", "--", "--b.zip"} << open
                                     << QStringList{"a", "--b.zip"} << "";
    QTest::newRow("one dash is a name") << QStringList{"-h", "-"} << open << QStringList{"-h", "-"} << "";
    QTest::newRow("--extract-here, names kept apart") << QStringList{"--extract-here", "/d/a b.zip", "c.zip"}
                                                      << here << QStringList{"/d/a b.zip", "c.zip"} << "";
    QTest::newRow("--extract-to") << QStringList{"--extract-to", "a.zip"} << to << QStringList{"a.zip"} << "";
    QTest::newRow("--compress, names before it")
        << QStringList{"x", "--compress", "y"} << compress << QStringList{"x", "y"} << "";
    QTest::newRow("--compress, a name after --")
        << QStringList{"--compress", "--", "--x"} << compress << QStringList{"--x"} << "";
    QTest::newRow("an action without a name")
        << QStringList{"--extract-here"} << refuse << QStringList{} << "--extract-here";
    QTest::newRow("an action and another option")
        << QStringList{"--compress", "a", "--help"} << refuse << QStringList{"a"} << "--help";
    QTest::newRow("--help before an action")
        << QStringList{"--help", "--compress"} << help << QStringList{} << "";
  }
  void parsing() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QStringList, names);
    QFETCH(QString, refused);
    const TCommandLine parsed = ParseCommandLine(QStringList{"parcelix"} + arguments);
    QCOMPARE(int(parsed.Action), action);
    QCOMPARE(parsed.Names, names);
    QCOMPARE(parsed.Refused, refused);
  }

  // What the window opens: the names joined as before, the "--" left out.
  void theWindowOpensTheJoinedNames() {
    TWindowRig dashed(WindowArguments({"Parcelix", "--", "/data/--version"}));
    QCOMPARE(dashed.Window->MainXz->ZipFileName, QStringLiteral("/data/--version"));
    TWindowRig split(WindowArguments({"Parcelix", "/data/MY", "--", "FILES/A.ZIP"}));
    QCOMPARE(split.Window->MainXz->ZipFileName, QStringLiteral("/data/MYFILES/A.ZIP"));
    TWindowRig ended(WindowArguments({"Parcelix", "--"}));
    QVERIFY(ended.Window->MainXz->ZipFileName.isEmpty());
    QCOMPARE(ended.Window->windowTitle(), QStringLiteral("Untitled - Parcelix for Windows 95"));
  }

  // The program itself, with no display at all: answered on the terminal, nothing left on disk.
  void theProgramWithoutADisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QString usage = QStringLiteral(
        "usage: parcelix [--help | --version] [--] [archive]\n"
        "       parcelix --extract-here | --extract-to [--] archive...\n"
        "       parcelix --compress [--] file...\n");
    QTest::newRow("--version") << QStringList{"--version"} << 0
                               << "parcelix (Parcelix) " PARCELIX_VERSION "\n"
                               << "";
    QTest::newRow("--help") << QStringList{"--help"} << 0 << CommandLineHelp() << "";
    QTest::newRow("--help after a name") << QStringList{"a.zip", "--help"} << 0 << CommandLineHelp() << "";
    QTest::newRow("unknown option") << QStringList{"--list", "a.zip"} << 2 << ""
                                    << "parcelix: unknown option --list\n" + usage;
    QTest::newRow("an action without a name") << QStringList{"--extract-to"} << 2 << ""
                                              << "parcelix: --extract-to needs at least one name\n" + usage;
  }
  void theProgramWithoutADisplay() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QVERIFY(CommandLineHelp().startsWith(CommandLineUsage()));
    const QString folder = QDir::tempPath() + QStringLiteral("/run");
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/config")));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(folder);
    program.start(QStringLiteral(PARCELIX_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()), err);
    QCOMPARE(QString::fromLocal8Bit(program.readAllStandardOutput()), out);
    QCOMPARE(program.exitCode(), status);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"config"});
    QVERIFY(QDir(folder + QStringLiteral("/config"))
                .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
  }
};

PARCELIX_GUI_TEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
