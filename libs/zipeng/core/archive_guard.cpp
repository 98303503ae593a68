#include "core/archive_guard.h"

#include <dirent.h>
#include <fcntl.h>
#include <libdeflate.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "core/file_layer.h"
#include "core/zip_format.h"
#include "zipengine_abi.h"

namespace zipeng {

namespace {

constexpr char kRollbackMagic[8] = {'P', 'X', 'R', 'O', 'L', 'L', '0', '1'};
constexpr size_t kRollbackHeader = 8 + 8 * 5 + 4;  // magic, dev, ino, old length, offset, tail length, CRC
constexpr const char* kTempPrefix = ".parcelix-";
constexpr size_t kTempSuffix = 6;

std::string baseOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void syncFolder(const std::string& folder) {
  UniqueFd d(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (d) fileLayer().fsync(d.get());
}

bool writeAll(int fd, const void* data, size_t size, uint64_t at) {
  auto* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = fileLayer().pwrite(fd, p, size, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
    at += static_cast<uint64_t>(n);
  }
  return true;
}

bool readAll(int fd, void* data, size_t size, uint64_t at) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = ::pread(fd, p, size, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
    at += static_cast<uint64_t>(n);
  }
  return true;
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string resolveArchivePath(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

WriterLock::~WriterLock() {
  if (!fd_) return;
  // A new archive that the operation did not fill is not left behind as an empty file.
  struct stat held {
  }, now{};
  if (created_ && fstat(fd_.get(), &held) == 0 && held.st_size == 0 && lstat(path_.c_str(), &now) == 0 &&
      sameFile(held, now))
    unlink(path_.c_str());
  fd_.reset();
}

int32_t WriterLock::acquire(const std::string& archive, bool create) {
  path_ = archive;
  // A writer that renamed a new copy over the archive while we waited leaves us holding the
  // old file: lock whatever the name means now.
  for (int attempt = 0; attempt < 16; ++attempt) {
    created_ = false;
    UniqueFd fd(::open(archive.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd && errno == ENOENT && create) {
      fd.reset(::open(archive.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
      if (!fd && errno == EEXIST) continue;
      created_ = static_cast<bool>(fd);
    }
    if (!fd) return errno == ENOENT || errno == ENOTDIR ? zipabi::zrArchiveNotFound : zipabi::zrCannotAccess;
    struct stat st {};
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return zipabi::zrCannotAccess;
    if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
      if (created_) unlink(archive.c_str());
      created_ = false;
      return errno == EWOULDBLOCK ? zipabi::zrArchiveBusy : zipabi::zrCannotAccess;
    }
    struct stat now {};
    if (stat(archive.c_str(), &now) == 0 && sameFile(st, now)) {
      fd_ = std::move(fd);
      return zipabi::zrOk;
    }
  }
  return zipabi::zrArchiveBusy;
}

std::string rollbackPath(const std::string& archive) {
  std::string folder = folderOf(archive);
  return (folder == "/" ? "" : folder) + "/." + baseOf(archive) + ".parcelix-rollback";
}

bool writeRollbackRecord(const std::string& archive, int archiveFd, uint64_t appendAt, std::string_view head,
                         std::string_view rest) {
  struct stat st {};
  if (fstat(archiveFd, &st) != 0) return false;
  std::string record(kRollbackMagic, sizeof kRollbackMagic);
  append64(record, static_cast<uint64_t>(st.st_dev));
  append64(record, static_cast<uint64_t>(st.st_ino));
  append64(record, static_cast<uint64_t>(st.st_size));
  append64(record, appendAt);
  append64(record, head.size() + rest.size());
  uint32_t crc = libdeflate_crc32(0, head.data(), head.size());
  crc = libdeflate_crc32(crc, rest.data(), rest.size());
  append32(record, crc);
  record.append(head);
  record.append(rest);
  std::string path = rollbackPath(archive);
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!fd) return false;
  if (!writeAll(fd.get(), record.data(), record.size(), 0) || fileLayer().fsync(fd.get()) != 0) {
    int err = errno;
    unlink(path.c_str());
    errno = err;
    return false;
  }
  syncFolder(folderOf(path));
  return true;
}

void removeRollbackRecord(const std::string& archive) {
  std::string path = rollbackPath(archive);
  if (unlink(path.c_str()) == 0) syncFolder(folderOf(path));
}

int32_t recoverInterruptedChange(const std::string& archive) {
  std::string path = rollbackPath(archive);
  UniqueFd rec(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!rec) return zipabi::zrOk;
  struct stat rst {};
  uint8_t h[kRollbackHeader];
  bool valid = fstat(rec.get(), &rst) == 0 && S_ISREG(rst.st_mode) &&
               static_cast<uint64_t>(rst.st_size) >= kRollbackHeader && readAll(rec.get(), h, sizeof h, 0) &&
               std::memcmp(h, kRollbackMagic, sizeof kRollbackMagic) == 0;
  uint64_t dev = valid ? get64(h + 8) : 0, ino = valid ? get64(h + 16) : 0,
           oldLength = valid ? get64(h + 24) : 0;
  uint64_t at = valid ? get64(h + 32) : 0, tailLength = valid ? get64(h + 40) : 0;
  valid = valid && tailLength == static_cast<uint64_t>(rst.st_size) - kRollbackHeader && at <= oldLength &&
          oldLength - at == tailLength;
  std::string tail;
  if (valid) {
    tail.resize(static_cast<size_t>(tailLength));
    valid = readAll(rec.get(), tail.data(), tail.size(), kRollbackHeader) &&
            libdeflate_crc32(0, tail.data(), tail.size()) == get32(h + 48);
  }
  UniqueFd fd(::open(archive.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
  struct stat ast {};
  // A record that is cut short (the crash came while it was written, before the archive was
  // touched) or that belongs to another file than the one now under the name has nothing to undo.
  if (!valid || !fd || fstat(fd.get(), &ast) != 0 || static_cast<uint64_t>(ast.st_dev) != dev ||
      static_cast<uint64_t>(ast.st_ino) != ino || static_cast<uint64_t>(ast.st_size) < at) {
    if (!fd && errno != ENOENT && valid) return zipabi::zrArchiveTooCorrupted;
    removeRollbackRecord(archive);
    return zipabi::zrOk;
  }
  if (!writeAll(fd.get(), tail.data(), tail.size(), at) ||
      fileLayer().ftruncate(fd.get(), static_cast<off_t>(oldLength)) != 0 || fileLayer().fsync(fd.get()) != 0)
    return zipabi::zrArchiveTooCorrupted;
  removeRollbackRecord(archive);
  return zipabi::zrOk;
}

int32_t prepareToRead(const std::string& archive) {
  struct stat st {};
  if (lstat(rollbackPath(archive).c_str(), &st) != 0) return zipabi::zrOk;
  WriterLock lock;
  int32_t rc = lock.acquire(archive, false);
  if (rc == zipabi::zrArchiveBusy) return rc;
  if (rc != zipabi::zrOk) return zipabi::zrOk;  // the read itself reports what is wrong
  rc = recoverInterruptedChange(archive);
  // A reader that may not write the archive still reads what is there.
  return rc == zipabi::zrOk || access(archive.c_str(), W_OK) != 0 ? zipabi::zrOk : rc;
}

UniqueFd makeTemporary(const std::string& folder, std::string* path) {
  static thread_local std::mt19937 random{std::random_device{}()};
  static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string base = (folder == "/" ? "" : folder) + "/" + kTempPrefix;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = base;
    for (size_t i = 0; i < kTempSuffix; ++i) name += letters[random() % (sizeof letters - 1)];
    // Opened anonymously and locked before it gets its name, so no cleaner ever sees it unlocked.
    UniqueFd fd(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (fd) {
      if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return UniqueFd();
      std::string proc = "/proc/self/fd/" + std::to_string(fd.get());
      if (linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        *path = name;
        return fd;
      }
      if (errno == EEXIST) continue;
    }
    // No anonymous files here (or no /proc): create by name and lock at once.
    fd.reset(::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd) {
      if (errno == EEXIST) continue;
      return UniqueFd();
    }
    flock(fd.get(), LOCK_EX | LOCK_NB);
    *path = name;
    return fd;
  }
  errno = EEXIST;
  return UniqueFd();
}

void clearStaleTemporaries(const std::string& folder) {
  UniqueFd dirFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dirFd) return;
  DIR* dir = fdopendir(dirFd.release());
  if (!dir) return;
  const size_t prefix = std::strlen(kTempPrefix);
  while (dirent* d = readdir(dir)) {
    std::string_view name = d->d_name;
    if (name.size() != prefix + kTempSuffix || name.substr(0, prefix) != kTempPrefix) continue;
    UniqueFd fd(openat(dirfd(dir), d->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat st {};
    if (!fd || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    // Held by a running operation: not ours to touch.
    if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
    struct stat now {};
    if (fstatat(dirfd(dir), d->d_name, &now, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(st, now))
      unlinkat(dirfd(dir), d->d_name, 0);
  }
  closedir(dir);
}

}  // namespace zipeng
