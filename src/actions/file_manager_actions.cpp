#include "actions/file_manager_actions.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "actions/action_runner.h"

namespace {

using TAction = TCommandLine::TAction;

// The archives are extracted in turn; an Abort ends the batch, a failed archive does not.
int ExtractEach(TActionRunner& Runner, const QStringList& Archives, const QString& Target) {
  TActionStatus worst = asDone;
  for (qsizetype index = 0; index < Archives.size(); ++index) {
    const QString archive = QFileInfo(Archives[index]).absoluteFilePath();
    const QString folder = Target.isEmpty() ? QFileInfo(archive).absolutePath() : Target;
    const QString name = QFileInfo(archive).fileName();
    const QString task =
        Archives.size() == 1
            ? TActionRunner::tr("Extracting \"%1\"").arg(name)
            : TActionRunner::tr("Extracting \"%1\" (%2 of %3)").arg(name).arg(index + 1).arg(Archives.size());
    const TActionStatus status = Runner.ExtractArchive(archive, folder, task);
    worst = std::max(worst, status);
    if (status == asStopped) break;
  }
  return worst;
}

}  // namespace

bool IsFileManagerAction(TCommandLine::TAction Action) {
  return Action == TAction::ExtractHere || Action == TAction::ExtractTo || Action == TAction::Compress;
}

int RunFileManagerAction(const TCommandLine& CommandLine, platform::TDialogs& Dialogs) {
  if (CommandLine.Names.isEmpty()) return asUsage;
  TActionRunner runner(Dialogs);
  switch (CommandLine.Action) {
    case TAction::ExtractHere:
      return ExtractEach(runner, CommandLine.Names, QString());
    case TAction::ExtractTo: {
      // One folder for them all, offered from where the first archive lies.
      QString folder = QFileInfo(QFileInfo(CommandLine.Names.first()).absoluteFilePath()).absolutePath();
      if (!Dialogs.SelectDirectory(TActionRunner::tr("Extract To"), folder) || folder.isEmpty())
        return asStopped;
      folder = QDir(folder).absolutePath();
      if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        Dialogs.MessageDlg(TActionRunner::tr("Unable to create the folder \"%1\".").arg(folder),
                           platform::TMsgDlgType::mtError, platform::mbOK);
        return asFailed;
      }
      return ExtractEach(runner, CommandLine.Names, folder);
    }
    case TAction::Compress:
      return runner.CompressFiles(CommandLine.Names);
    default:
      return asUsage;
  }
}
