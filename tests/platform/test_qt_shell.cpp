// Shell "open" and "run" on the desktop: failures below 33, programs started only when asked,
// the editor fallback.
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include "common/test_environment.h"
#include "platform/widgets/qt_shell.h"

using namespace platform;

namespace {

// A small program that writes its arguments into `out`.
QString MakeRecorder(const QString& folder, const QString& out) {
  const QString path = folder + "/recorder.sh";
  QFile script(path);
  script.open(QIODevice::WriteOnly);
  script.write(("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + out + "'\n").toUtf8());
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return path;
}

// What a recorder has written so far; tests wait until it is all there.
QString TextOf(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(file.readAll());
}

// Started programs may be slow to come on a loaded machine.
constexpr int kPatienceMs = 20000;

}  // namespace

class TestQtShell : public QObject {
  Q_OBJECT

 private slots:
  void commandTextsSplitAtBlanksOutsideQuotes() {
    QCOMPARE(SplitCommandText("gedit --new-window"), (QStringList{"gedit", "--new-window"}));
    QCOMPARE(SplitCommandText("\"/opt/my editor/ed\"  -x"), (QStringList{"/opt/my editor/ed", "-x"}));
    QCOMPARE(SplitCommandText("  "), QStringList());
    QCOMPARE(SplitCommandText("a \"\" b"), (QStringList{"a", "", "b"}));
  }

  void missingFilesAndUnknownVerbsFail() {
    TQtShell shell;
    QVERIFY(shell.ShellExecute("open", "/no/such/README.DOC", "", "", SW_SHOWNORMAL) <= 32);
    QTemporaryDir folder;
    QFile file(folder.path() + "/a.txt");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(shell.ShellExecute("print", file.fileName(), "", "", SW_SHOWNORMAL) <= 32);
  }

  // "open" shows a file by its type, also one with an executable bit: the opener gets it and it
  // does not run. Only "run" starts a program.
  void onlyRunStartsAProgramOpenHandsItToTheOpener() {
    QTemporaryDir folder;
    const QString out = folder.path() + "/ran.txt";
    const QString program = MakeRecorder(folder.path(), out);
    const QString opened = folder.path() + "/opened.txt";
    TQtShell shell;
    shell.OpenerCommand = {MakeRecorder(folder.path() + "/..", opened)};
    QVERIFY(shell.ShellExecute("open", program, "", folder.path(), SW_SHOWNORMAL) > 32);
    QTRY_COMPARE_WITH_TIMEOUT(TextOf(opened), program + "\n", kPatienceMs);
    QVERIFY(!QFile::exists(out));

    QVERIFY(shell.ShellExecute(kRunVerb, program, "one \"two words\"", folder.path(), SW_SHOWNORMAL) > 32);
    QTRY_COMPARE_WITH_TIMEOUT(TextOf(out), QStringLiteral("one\ntwo words\n"), kPatienceMs);
    QFile::remove(folder.path() + "/../recorder.sh");
  }

  // The text editor stand-in takes text only: a binary file is refused rather than shown as
  // garbage.
  void theTextEditorRefusesABinaryFile() {
    QTemporaryDir folder;
    const QString binary = folder.path() + "/picture.dat";
    QFile file(binary);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\x01\x02\x03\xff\xfe", 24));
    file.close();
    TQtShell shell;
    shell.HasTerminal = false;
    shell.OpenerCommand = {"/bin/sh", "-c", "exit 0", "opener"};
    QCOMPARE(shell.ShellExecute("open", "notepad.exe", binary, "", SW_SHOWNORMAL), int(SE_ERR_NOASSOC));
  }

  void theTextEditorComesFromVisualOrEditor() {
    QTemporaryDir folder;
    const QString out = folder.path() + "/edited.txt";
    const QString editor = MakeRecorder(folder.path(), out);
    TQtShell shell;
    shell.HasTerminal = true;
    shell.Environment.insert("VISUAL", "");
    shell.Environment.insert("EDITOR", editor + " --flag");
    QVERIFY(shell.ShellExecute("open", "notepad.exe", folder.path() + "/README.TXT", "", SW_SHOWNORMAL) > 32);
    QTRY_COMPARE_WITH_TIMEOUT(TextOf(out), QString("--flag\n" + folder.path() + "/README.TXT\n"),
                              kPatienceMs);

    // Without an editor the desktop opens the text file; a missing one cannot be opened.
    shell.Environment.remove("EDITOR");
    QVERIFY(shell.ShellExecute("open", "notepad.exe", folder.path() + "/missing.txt", "", SW_SHOWNORMAL) <=
            32);
  }

  // The desktop's opener says by its exit status whether a program took the file; when none
  // did, the text editor stand-in still shows it, in the end in a window of our own.
  void anOpenerThatFailsIsSeenAndTheTextStillShows() {
    QTemporaryDir folder;
    const QString text = folder.path() + "/notes.txt";
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("line one\nline two\n") > 0);
    file.close();
    TQtShell shell;
    shell.HasTerminal = false;
    shell.Environment.insert("EDITOR", "/bin/true");  // no terminal: not used
    shell.OpenerCommand = {"/bin/sh", "-c", "exit 0", "opener"};
    QVERIFY(shell.ShellExecute("open", text, "", "", SW_SHOWNORMAL) > 32);
    shell.OpenerCommand = {"/bin/sh", "-c", "exit 4", "opener"};
    QVERIFY(shell.ShellExecute("open", text, "", "", SW_SHOWNORMAL) <= 32);
    shell.OpenerCommand = {folder.path() + "/no-such-opener"};
    QVERIFY(shell.ShellExecute("open", text, "", "", SW_SHOWNORMAL) <= 32);

    QVERIFY(shell.ShellExecute("open", "notepad.exe", text, "", SW_SHOWNORMAL) > 32);
    QPlainTextEdit* shown = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
      if (auto* edit = qobject_cast<QPlainTextEdit*>(window); edit && edit->isVisible()) shown = edit;
    QVERIFY(shown);
    QVERIFY(shown->isReadOnly());
    QCOMPARE(shown->toPlainText(), QStringLiteral("line one\nline two\n"));
    QVERIFY(shown->windowTitle().startsWith("notes.txt"));
    shown->close();
  }
};

PARCELIX_GUI_TEST_MAIN(TestQtShell)
#include "test_qt_shell.moc"
