// Extract here / extract to: the archive comes out into a hidden folder of its own beside the
// target, and only then takes its place under a free name, so nothing of the user's is ever
// overwritten, an Abort leaves nothing behind, and whatever the archive's names say, nothing
// lands outside the folder made for it.
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <system_error>

#include "actions/action_runner.h"
#include "actions/folder_names.h"
#include "platform/run_folder.h"

namespace {

const QString kStagingPrefix = QStringLiteral(".parcelix-extract-");

QString SystemErrorText() {
  return QString::fromStdString(std::generic_category().message(errno != 0 ? errno : EIO));
}

QFileInfoList Contents(const QString& Folder) {
  return QDir(Folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

}  // namespace

std::int64_t TActionRunner::ListedSize(const QString& Archive, int& Code) {
  std::int64_t total = 0;
  FEngine.OnListing = [&total](TZipEngine&, const TZipFileStats& Stats) { total += Stats.Size; };
  FEngine.ZipFileName = Archive;
  FEngine.FilesToProcess.clear();
  {
    TBusy busy;
    Code = FEngine.List();
  }
  FEngine.OnListing = nullptr;
  return total;
}

TActionStatus TActionRunner::ExtractArchive(const QString& Archive, const QString& Folder,
                                            const QString& Task) {
  const QString verb = tr("extracting");
  FProgress.show();
  FProgress.Begin(Task, 0);
  int code = zrOk;
  const std::int64_t total = ListedSize(Archive, code);
  if (code != zrOk) return Conclude(code, verb);
  if (FProgress.AbortRequested()) return asStopped;
  FProgress.Begin(Task, total);

  // Removed with whatever is left in it when this ends: all of it after an Abort. One that a
  // killed run left here is swept now. The archive comes out into a folder inside it, apart
  // from the mark that says the run is alive.
  platform::SweepAbandonedRunFolders(Folder, kStagingPrefix);
  const platform::TRunFolder staging(Folder, kStagingPrefix);
  const QString out = staging.Path() + QStringLiteral("/out");
  errno = 0;
  if (!staging.IsValid() || !QDir().mkdir(out)) {
    ReportProblem(tr("Unable to create a folder in \"%1\": %2.")
                      .arg(Folder, staging.IsValid() ? SystemErrorText() : staging.ErrorString()));
    return asFailed;
  }
  FEngine.ZipFileName = Archive;
  FEngine.FilesToProcess.clear();
  FEngine.ExtractDirectory = out;
  FEngine.UsePaths = true;
  FEngine.Overwrite = zowAsk;
  FEngine.Password.clear();
  FPasswordAskedFor.clear();
  {
    TBusy busy;
    code = FEngine.Extract(0);
  }
  if (code == zrAborted || FProgress.AbortRequested()) return asStopped;

  // What came out goes into a folder named after the archive; an archive whose entries all lie
  // in one folder of that name gives that folder's contents, so there is no folder twice.
  const QString name = ExtractFolderName(Archive);
  QFileInfoList top = Contents(out);
  if (!top.isEmpty()) {
    QString from = out;
    if (top.size() == 1 && top.first().isDir() && !top.first().isSymLink() &&
        top.first().fileName() == name) {
      from = top.first().filePath();
      top = Contents(from);
    }
    // The name is claimed by making the folder, so a folder that appears meanwhile is not used.
    QString created;
    for (;;) {
      created = FreeName(Folder, name);
      errno = 0;
      if (QDir(Folder).mkdir(created)) break;
      if (!NameTaken(QDir(Folder).filePath(created))) {
        ReportProblem(tr("Unable to create the folder \"%1\": %2.")
                          .arg(QDir(Folder).filePath(created), SystemErrorText()));
        return asFailed;
      }
    }
    const QDir target(QDir(Folder).filePath(created));
    for (const QFileInfo& item : top) {
      errno = 0;
      // A rename within one folder: links move as links, nothing is copied or followed.
      if (!QDir().rename(item.filePath(), target.filePath(item.fileName()))) {
        ReportProblem(tr("Unable to move \"%1\" into \"%2\": %3.")
                          .arg(item.fileName(), target.path(), SystemErrorText()));
        return asFailed;
      }
    }
  }
  return Conclude(code, verb);
}
