#include "platform/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <cerrno>

// The freedesktop.org Trash: "files/" holds the trashed file, "info/NAME.trashinfo" says where it
// came from and when. The home Trash serves files on the home Trash's own file system; a file
// elsewhere goes to the Trash of its file system's top folder, or nowhere.
namespace platform {

namespace {

QByteArray Native(const QString& path) {
  return QFile::encodeName(path);
}

bool IsPrivateFolderOfOurs(const QString& path) {
  struct stat st {};
  return lstat(Native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid();
}

// Makes `path` an owner-only folder unless it is there already as a folder of this user (never
// through a symbolic link, which another user could have planted).
bool MakePrivateFolder(const QString& path) {
  if (mkdir(Native(path).constData(), 0700) == 0) return true;
  return errno == EEXIST && IsPrivateFolderOfOurs(path);
}

bool MakeTrashFolders(const QString& trash) {
  return MakePrivateFolder(trash) && MakePrivateFolder(trash + QStringLiteral("/files")) &&
         MakePrivateFolder(trash + QStringLiteral("/info"));
}

QString HomeTrash() {
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.isEmpty() || !QDir::isAbsolutePath(data))
    data = QDir::homePath() + QStringLiteral("/.local/share");
  return data + QStringLiteral("/Trash");
}

dev_t DeviceOf(const QString& path) {
  struct stat st {};
  return lstat(Native(path).constData(), &st) == 0 ? st.st_dev : static_cast<dev_t>(-1);
}

// The top folder of the file system holding `path`: the last folder upward on the same device.
QString TopFolderOf(const QString& path) {
  const dev_t device = DeviceOf(path);
  QString top = QFileInfo(path).absolutePath();
  while (top != QLatin1String("/")) {
    const QString parent = QFileInfo(top).absolutePath();
    if (DeviceOf(parent) != device) break;
    top = parent;
  }
  return top;
}

// The Trash folder for a file outside the home Trash's file system: "$top/.Trash/$uid" when the
// administrator made "$top/.Trash" (a sticky folder, not a link), else "$top/.Trash-$uid".
QString TopTrashFor(const QString& top) {
  const QString base = top == QLatin1String("/") ? QString() : top;
  const QString uid = QString::number(getuid());
  const QString shared = base + QStringLiteral("/.Trash");
  struct stat st {};
  if (lstat(Native(shared).constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0) {
    const QString own = shared + u'/' + uid;
    if (MakeTrashFolders(own)) return own;
  }
  const QString own = base + QStringLiteral("/.Trash-") + uid;
  return MakeTrashFolders(own) ? own : QString();
}

// Reserves "info/NAME.trashinfo" under a name no other trashed file has; the name is returned.
QString ReserveInfo(const QString& trash, const QString& wanted, const QByteArray& content) {
  const QFileInfo parts(wanted);
  for (int n = 1; n < 10000; ++n) {
    QString name = wanted;
    if (n > 1) {
      const QString suffix = parts.completeSuffix();
      name = parts.baseName() + u'.' + QString::number(n) + (suffix.isEmpty() ? QString() : u'.' + suffix);
    }
    // A file left in "files/" without its record keeps its name too: rename would replace it.
    struct stat taken {};
    if (lstat(Native(trash + QStringLiteral("/files/") + name).constData(), &taken) == 0) continue;
    const QByteArray info = Native(trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
    const int fd = open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return QString();
    }
    const bool written = write(fd, content.constData(), content.size()) == content.size();
    if (close(fd) != 0 || !written) {
      unlink(info.constData());
      return QString();
    }
    return name;
  }
  return QString();
}

}  // namespace

bool MoveToTrash(const QString& file, const QString& originalPath, QString* trashedAs) {
  const QString source = QFileInfo(file).absoluteFilePath();
  const QString original = QFileInfo(originalPath).absoluteFilePath();
  struct stat st {};
  if (lstat(Native(source).constData(), &st) != 0) return false;

  QString trash = HomeTrash();
  const QString dataHome = QFileInfo(trash).absolutePath();
  QDir().mkpath(dataHome);
  QString pathInInfo = original;
  if (DeviceOf(dataHome) == st.st_dev) {
    if (!MakeTrashFolders(trash)) return false;
  } else {
    const QString top = TopFolderOf(source);
    trash = TopTrashFor(top);
    if (trash.isEmpty()) return false;
    // A top folder's Trash records paths from that folder when the file came from beneath it.
    const QString prefix = top == QLatin1String("/") ? QStringLiteral("/") : top + u'/';
    if (original.startsWith(prefix)) pathInInfo = original.mid(prefix.size());
  }

  const QByteArray content =
      QByteArrayLiteral("[Trash Info]\nPath=") + QUrl::toPercentEncoding(pathInInfo, "/") +
      QByteArrayLiteral("\nDeletionDate=") +
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + '\n';
  const QString name = ReserveInfo(trash, QFileInfo(original).fileName(), content);
  if (name.isEmpty()) return false;
  const QString target = trash + QStringLiteral("/files/") + name;
  if (rename(Native(source).constData(), Native(target).constData()) != 0) {
    unlink(Native(trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo")).constData());
    return false;
  }
  if (trashedAs != nullptr) *trashedAs = target;
  return true;
}

QString KeepBeside(const QString& file) {
  const QFileInfo info(file);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const QString kept = info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                         QStringLiteral(".old-") + QString::number(getpid()) + u'-' +
                         QString::number(attempt);
    if (link(Native(info.absoluteFilePath()).constData(), Native(kept).constData()) == 0) return kept;
    if (errno == EEXIST) continue;
    if (QFile::exists(kept)) continue;
    return QFile::copy(info.absoluteFilePath(), kept) ? kept : QString();
  }
  return QString();
}

bool MoveFileToTrash(const QString& FileName, TDialogs& Dialogs) {
  const QString fullName = QFileInfo(FileName).absoluteFilePath();
  if (Dialogs.MessageDlg(
          QCoreApplication::translate("Dialogs", "Do you want to move \"%1\" to the Trash?").arg(fullName),
          TMsgDlgType::mtConfirmation, mbYesNo) != mrYes)
    return false;
  if (MoveToTrash(fullName, fullName)) return true;
  Dialogs.MessageDlg(
      QCoreApplication::translate("Dialogs", "Unable to move \"%1\" to the Trash.").arg(fullName),
      TMsgDlgType::mtError, mbOK);
  return false;
}

}  // namespace platform
