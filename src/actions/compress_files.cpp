// Compress: one archive of the files named, beside the first of them. A name that is taken is
// asked for; an archive the user chose to replace is written apart and put in its place only
// when complete, so a failed or stopped compress leaves the old one as it was.
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "actions/action_runner.h"
#include "actions/folder_names.h"
#include "platform/run_folder.h"
#include "settings/engine_settings.h"
#include "settings/settings.h"

namespace {

const QString kZipExtension = QStringLiteral(".zip");

// The bytes of the files below Path (the file itself when it is one), links not followed.
std::int64_t FileBytes(const QString& Path) {
  const QFileInfo info(Path);
  if (!info.isDir() || info.isSymLink()) return info.isSymLink() ? 0 : info.size();
  std::int64_t total = 0;
  QDirIterator files(Path, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                     QDirIterator::Subdirectories);
  while (files.hasNext()) total += files.nextFileInfo().size();
  return total;
}

// The process's folder while the engine reads names relative to it.
class TCurrentFolder {
 public:
  explicit TCurrentFolder(const QString& Folder) : FPrevious(QDir::currentPath()) {
    QDir::setCurrent(Folder);
  }
  ~TCurrentFolder() { QDir::setCurrent(FPrevious); }
  TCurrentFolder(const TCurrentFolder&) = delete;
  TCurrentFolder& operator=(const TCurrentFolder&) = delete;

 private:
  QString FPrevious;
};

}  // namespace

TActionStatus TActionRunner::CompressFiles(const QStringList& Files) {
  const TCompressPlan plan = PlanCompress(Files);
  QString archive = plan.Archive();
  bool replacing = false;
  if (NameTaken(archive)) {
    platform::TFileDialogRequest request;
    request.Title = tr("\"%1\" already exists. Save the new archive as").arg(QFileInfo(archive).fileName());
    request.InitialDir = plan.Folder;
    request.FileName = FreeName(plan.Folder, plan.ArchiveName, kZipExtension);
    request.Filter = tr("ZIP archives (*.zip);;All files (*)");
    request.DefaultExt = QStringLiteral("zip");
    request.OverwritePrompt = true;
    QString chosen;
    if (!FDialogs.SaveFileDialog(request, chosen) || chosen.isEmpty()) return asStopped;
    archive = QDir(plan.Folder).absoluteFilePath(chosen);
    // The dialog has had the user confirm replacing it.
    replacing = NameTaken(archive);
  }

  std::int64_t total = 0;
  for (const QString& name : plan.Names) total += FileBytes(QDir(plan.Base).filePath(name));
  FProgress.show();
  FProgress.Begin(tr("Compressing into \"%1\"").arg(QFileInfo(archive).fileName()), total);

  // A replacement is written in a folder of this run beside the old archive (swept by a later
  // compress there should this run be killed), under a name of its own beside the run's mark.
  const QString folder = QFileInfo(archive).absolutePath();
  const QString apartPrefix = QStringLiteral(".parcelix-compress-");
  std::optional<platform::TRunFolder> apart;
  if (replacing) {
    platform::SweepAbandonedRunFolders(folder, apartPrefix);
    apart.emplace(folder, apartPrefix);
    if (!apart->IsValid()) {
      ReportProblem(tr("Unable to create a folder in \"%1\": %2.").arg(folder, apart->ErrorString()));
      return asFailed;
    }
  }
  const QString written = apart ? apart->Path() + QStringLiteral("/new.zip") : archive;

  // The level, the extensions stored as they are and the temporary copy's folder come from the
  // settings; moving the files and the stored password never do, for a compress from a menu.
  TSettings settings = ReadSettings();
  ApplyPackingToEngine(settings, FEngine);
  FEngine.ZipFileName = written;
  FEngine.FilesToProcess = plan.Names;
  FEngine.ExactNames = true;  // a file called "<draft>" is that file, not a pattern
  FEngine.UsePaths = true;
  FEngine.Recurse = true;
  FEngine.IncludeHiddenFiles = true;
  FEngine.IncludeDirectoryEntries = true;
  FEngine.Password.clear();
  int code = zrOk;
  {
    TBusy busy;
    TCurrentFolder current(plan.Base);
    code = FEngine.Add(0);
  }
  FEngine.ExactNames = false;
  if (code == zrAborted || FProgress.AbortRequested()) return asStopped;

  if (replacing && QFileInfo::exists(written)) {
    // One rename puts the new archive in the old one's place.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(written).toStdString(),
                            QFile::encodeName(archive).toStdString(), error);
    if (error) {
      ReportProblem(
          tr("Unable to replace \"%1\": %2.").arg(archive, QString::fromStdString(error.message())));
      return asFailed;
    }
  }
  // Every file left out (each one reported) makes no archive: that is a failure, not a warning.
  const TActionStatus status = Conclude(code, tr("adding"));
  return NameTaken(archive) ? status : std::max(status, asFailed);
}
