#include "platform/widgets/qt_shell.h"

#include <unistd.h>

#include <QEventLoop>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QTimer>

#include "platform/widgets/text_window.h"

namespace platform {

bool StartedFromTerminal() {
  return isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1;
}

QStringList SplitCommandText(const QString& command) {
  QStringList parts;
  QString current;
  bool quoted = false, any = false;
  for (const QChar c : command) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (c.isSpace() && !quoted) {
      if (any) parts << current;
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) parts << current;
  return parts;
}

namespace {

QStringList ParameterList(const QString& parameters) {
  return SplitCommandText(parameters);
}

bool LooksLikeText(const QString& file) {
  if (QFileInfo(file).size() == 0) return true;
  return QMimeDatabase().mimeTypeForFile(file).inherits(QStringLiteral("text/plain"));
}

// How long a desktop opener may take to say that it failed. One still running after that has
// handed the file to a program that is now showing it.
constexpr int kOpenerVerdictMs = 3000;

}  // namespace

int TQtShell::ShellExecute(const QString& verb, const QString& file, const QString& parameters,
                           const QString& directory, int /*showCommand*/) {
  if (verb.compare(QStringLiteral("open"), Qt::CaseInsensitive) != 0 &&
      verb.compare(QLatin1String(kRunVerb), Qt::CaseInsensitive) != 0)
    return SE_ERR_NOASSOC;
  if (file.compare(QLatin1String(kTextEditorProgram), Qt::CaseInsensitive) == 0)
    return OpenInTextEditor(parameters, directory);

  const QFileInfo info(file);
  if (!info.exists()) return SE_ERR_FNF;
  if (verb.compare(QLatin1String(kRunVerb), Qt::CaseInsensitive) == 0) {
    // Only on the caller's explicit word: the user has agreed to run this program.
    if (!info.isFile() || !info.isExecutable()) return SE_ERR_ACCESSDENIED;
    return QProcess::startDetached(info.absoluteFilePath(), ParameterList(parameters), directory)
               ? SE_OK
               : SE_ERR_ACCESSDENIED;
  }
  // "open" shows a file by its type, whatever its mode bits say: a document marked executable
  // (every file from some systems is) is still a document.
  return OpenDocument(info.absoluteFilePath());
}

int TQtShell::OpenInTextEditor(const QString& textFile, const QString& directory) {
  // $VISUAL and $EDITOR usually name editors that draw in a terminal; started from a desktop
  // without one they would run unseen, so they are used only when there is a terminal.
  if (HasTerminal) {
    QString editor = Environment.value(QStringLiteral("VISUAL"));
    if (editor.trimmed().isEmpty()) editor = Environment.value(QStringLiteral("EDITOR"));
    QStringList command = SplitCommandText(editor);
    if (!command.isEmpty()) {
      const QString program = command.takeFirst();
      command << textFile;
      if (QProcess::startDetached(program, command, directory)) return SE_OK;
    }
  }
  // An editor opens a missing file as a new one; the desktop and our own window cannot.
  if (!QFileInfo::exists(textFile)) return SE_ERR_FNF;
  // A binary file would show as garbage: there is nothing here that can show it.
  if (!LooksLikeText(textFile)) return SE_ERR_NOASSOC;
  const QString absolute = QFileInfo(textFile).absoluteFilePath();
  if (OpenDocument(absolute) > 32) return SE_OK;
  // Nothing on this desktop will show it: a window of our own always can.
  auto* window = new TTextWindow(absolute);
  window->show();
  return SE_OK;
}

int TQtShell::OpenDocument(const QString& file) {
  QStringList command = OpenerCommand;
  if (command.isEmpty()) return SE_ERR_NOASSOC;
  const QString program = command.takeFirst();
  command << file;
  // The opener reports failure (no program for the type, a program that needs a terminal the
  // desktop lacks) only by its exit status, so it is watched for a moment. The window keeps
  // painting meanwhile. The process object outlives this call: destroying it would end an
  // opener that is still handing the file over.
  auto* opener = new QProcess;
  opener->setProgram(program);
  opener->setArguments(command);
  opener->setStandardInputFile(QProcess::nullDevice());
  opener->setStandardOutputFile(QProcess::nullDevice());
  opener->setStandardErrorFile(QProcess::nullDevice());
  QEventLoop wait;
  QTimer verdict;
  verdict.setSingleShot(true);
  QObject::connect(&verdict, &QTimer::timeout, &wait, &QEventLoop::quit);
  QObject::connect(opener, &QProcess::finished, &wait, &QEventLoop::quit);
  QObject::connect(opener, &QProcess::errorOccurred, &wait, &QEventLoop::quit);
  opener->start();
  if (opener->state() != QProcess::NotRunning) {
    verdict.start(kOpenerVerdictMs);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
  }
  if (opener->state() != QProcess::NotRunning) {
    opener->disconnect(&wait);
    QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
    return SE_OK;
  }
  const bool opened = opener->error() != QProcess::FailedToStart &&
                      opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
  delete opener;
  return opened ? SE_OK : SE_ERR_NOASSOC;
}

}  // namespace platform
