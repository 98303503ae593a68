#include "platform/widgets/qt_shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace platform {

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

QStringList ParameterList(const QString& parameters) { return SplitCommandText(parameters); }

// True when the desktop names no program for the file's type. Without xdg-mime there is no way
// to ask, so the association is assumed and the launch itself decides.
bool HasNoAssociation(const QString& file) {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (tool.isEmpty()) return false;
  const QString type = QMimeDatabase().mimeTypeForFile(file).name();
  QProcess query;
  query.start(tool, {QStringLiteral("query"), QStringLiteral("default"), type});
  if (!query.waitForFinished(3000)) {
    query.kill();
    return false;
  }
  return query.exitCode() == 0 && query.readAllStandardOutput().trimmed().isEmpty();
}

}  // namespace

int TQtShell::ShellExecute(const QString& verb, const QString& file, const QString& parameters,
                           const QString& directory, int /*showCommand*/) {
  if (verb.compare(QStringLiteral("open"), Qt::CaseInsensitive) != 0) return SE_ERR_NOASSOC;
  if (file.compare(QLatin1String(kTextEditorProgram), Qt::CaseInsensitive) == 0)
    return OpenInTextEditor(parameters, directory);

  const QFileInfo info(file);
  if (!info.exists()) return SE_ERR_FNF;
  if (info.isFile() && info.isExecutable()) {
    // "open" on a program runs it, as the View command promises ("View or Run").
    return QProcess::startDetached(info.absoluteFilePath(), ParameterList(parameters), directory)
               ? SE_OK
               : SE_ERR_ACCESSDENIED;
  }
  return OpenDocument(info.absoluteFilePath());
}

int TQtShell::OpenInTextEditor(const QString& textFile, const QString& directory) {
  QString editor = Environment.value(QStringLiteral("VISUAL"));
  if (editor.trimmed().isEmpty()) editor = Environment.value(QStringLiteral("EDITOR"));
  QStringList command = SplitCommandText(editor);
  if (!command.isEmpty()) {
    const QString program = command.takeFirst();
    command << textFile;
    return QProcess::startDetached(program, command, directory) ? SE_OK : SE_ERR_FNF;
  }
  // The editor opens a missing file as a new one; the desktop's association cannot.
  if (!QFileInfo::exists(textFile)) return SE_ERR_FNF;
  return OpenDocument(QFileInfo(textFile).absoluteFilePath());
}

int TQtShell::OpenDocument(const QString& file) {
  if (HasNoAssociation(file)) return SE_ERR_NOASSOC;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(file)) ? SE_OK : SE_ERR_NOASSOC;
}

}  // namespace platform
