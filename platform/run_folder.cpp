#include "platform/run_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace platform {

namespace {

// Held locked (flock) by the run that made the folder; the lock ends with the process, however
// it ends, so a folder whose mark can be locked belongs to no living run.
constexpr char kMark[] = "/.in-use";
// A folder without a mark is swept only when it is older than this: a run that is making its
// folder right now has not placed the mark yet.
constexpr std::time_t kUnmarkedAgeSeconds = 600;

QByteArray Native(const QString& path) {
  return QFile::encodeName(path);
}

}  // namespace

QString SystemTempFolder() {
  QString folder = qEnvironmentVariable("TMPDIR");
  if (folder.isEmpty()) folder = QStringLiteral("/tmp");
  if (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
  return folder;
}

TRunFolder::TRunFolder(const QString& parent, const QString& prefix) {
  QByteArray pattern = Native((parent == QLatin1String("/") ? QString() : parent) + u'/' + prefix + "XXXXXX");
  if (mkdtemp(pattern.data()) == nullptr) {  // mkdtemp makes it owner-only
    FError = QString::fromLocal8Bit(std::strerror(errno));
    return;
  }
  const QString path = QFile::decodeName(pattern);
  FMark = open(Native(path + kMark).constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (FMark < 0 || flock(FMark, LOCK_EX | LOCK_NB) != 0) {
    FError = QString::fromLocal8Bit(std::strerror(errno));
    if (FMark >= 0) close(FMark);
    FMark = -1;
    QDir(path).removeRecursively();
    return;
  }
  FPath = path;
}

TRunFolder::~TRunFolder() {
  if (FPath.isEmpty()) return;
  QDir(FPath).removeRecursively();  // links inside are removed, never followed
  close(FMark);
}

void SweepAbandonedRunFolders(const QString& parent, const QString& prefix) {
  const QStringList names =
      QDir(parent).entryList({prefix + u'*'}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
  for (const QString& name : names) {
    const QString path = (parent == QLatin1String("/") ? QString() : parent) + u'/' + name;
    struct stat st {};
    if (lstat(Native(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) continue;
    const int mark = open(Native(path + kMark).constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (mark < 0) {
      if (errno == ENOENT && std::time(nullptr) - st.st_mtime > kUnmarkedAgeSeconds)
        QDir(path).removeRecursively();
      continue;
    }
    if (flock(mark, LOCK_EX | LOCK_NB) == 0) QDir(path).removeRecursively();
    close(mark);
  }
}

void RemoveExecutableBits(const QString& folder) {
  QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (files.hasNext()) {
    const QByteArray path = Native(files.next());
    struct stat st {};
    if (lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0)
      chmod(path.constData(), st.st_mode & 0666);
  }
}

bool IsProgramFile(const QString& path) {
  struct stat st {};
  if (lstat(Native(path).constData(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0111) == 0)
    return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray start = file.read(4);
  return start == QByteArrayLiteral(
                      "\x7f"
                      "ELF") ||
         start.startsWith("#!");
}

}  // namespace platform
