#include "core/temp_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/archive_guard.h"
#include "core/file_layer.h"
#include "zipengine_abi.h"

namespace zipeng {

namespace {

constexpr size_t kBufferSize = 1 << 20;

void syncFolder(const std::string& folder) {
  UniqueFd d(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (d) fileLayer().fsync(d.get());
}

mode_t newFileMode() {
  mode_t mask = umask(022);
  umask(mask);
  return 0666 & ~mask;
}

// Copies a finished temporary file into a second temporary beside the archive, for a "-b"
// folder on another file system where rename cannot cross.
bool copyFile(int from, int to) {
  std::vector<char> buf(kBufferSize);
  if (lseek(from, 0, SEEK_SET) < 0) return false;
  for (;;) {
    ssize_t n = ::read(from, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    size_t done = 0;
    while (done < static_cast<size_t>(n)) {
      ssize_t w = fileLayer().write(to, buf.data() + done, static_cast<size_t>(n) - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      done += static_cast<size_t>(w);
    }
  }
}

}  // namespace

void ArchiveSink::failFromErrno(int err, bool temp) {
  if (error_) return;
  if (err == ENOSPC || err == EDQUOT || err == EFBIG)
    error_ = zipabi::zrDiskFull;
  else if (err == ENOMEM)
    error_ = zipabi::zrOutOfMemory;
  else
    error_ = temp ? zipabi::zrTempFileProblem : zipabi::zrCannotAccess;
}

bool ArchiveSink::copyFromFd(int fd, uint64_t offset, uint64_t length) {
  std::vector<char> buf(static_cast<size_t>(std::min<uint64_t>(length, kBufferSize)));
  while (length > 0) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(length, buf.size()));
    ssize_t n = ::pread(fd, buf.data(), want, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      fail(zipabi::zrCannotAccess);
      return false;
    }
    if (!write(buf.data(), static_cast<size_t>(n))) return false;
    offset += static_cast<uint64_t>(n);
    length -= static_cast<uint64_t>(n);
  }
  return true;
}

bool ArchiveSink::kernelCopy(int from, uint64_t offset, int to, uint64_t toOffset, uint64_t length) {
  while (length > 0) {
    loff_t in = static_cast<loff_t>(offset), out = static_cast<loff_t>(toOffset);
    ssize_t n = fileLayer().copyFileRange(from, &in, to, &out,
                                          static_cast<size_t>(std::min<uint64_t>(length, 1ull << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) return false;
      failFromErrno(errno, true);
      return false;
    }
    if (n == 0) {
      fail(zipabi::zrCannotAccess);
      return false;
    }
    // The copy reaches the disk while the rest is copied and the directory written, so that
    // the flush before the rename finds little left to do. Only a start: the flush reports.
    sync_file_range(to, static_cast<off64_t>(toOffset), n, SYNC_FILE_RANGE_WRITE);
    offset += static_cast<uint64_t>(n);
    toOffset += static_cast<uint64_t>(n);
    length -= static_cast<uint64_t>(n);
  }
  return true;
}

bool ArchiveSink::rawPWrite(int fd, const void* data, size_t size, uint64_t offset) {
  auto* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = fileLayer().pwrite(fd, p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failFromErrno(n < 0 ? errno : ENOSPC, true);
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

namespace {

using WriteAtFn = std::function<bool(const void*, size_t, uint64_t)>;

// A file written from a start offset through a buffer, with patching of earlier bytes.
class BufferedFile {
 public:
  BufferedFile(ArchiveSink* owner, int fd, uint64_t start) : owner_(owner), fd_(fd), flushed_(start) {
    buf_.reserve(kBufferSize);
  }
  uint64_t pos() const { return flushed_ + buf_.size(); }
  template <typename WriteAt>
  bool write(const void* data, size_t size, WriteAt writeAt) {
    if (buf_.size() + size > kBufferSize) {
      if (!flush(writeAt)) return false;
      if (size >= kBufferSize) {
        if (!writeAt(data, size, flushed_)) return false;
        flushed_ += size;
        return true;
      }
    }
    buf_.append(static_cast<const char*>(data), size);
    return true;
  }
  template <typename WriteAt>
  bool flush(WriteAt writeAt) {
    if (buf_.empty()) return true;
    if (!writeAt(buf_.data(), buf_.size(), flushed_)) return false;
    flushed_ += buf_.size();
    buf_.clear();
    return true;
  }
  template <typename WriteAt>
  bool patch(uint64_t at, const std::string& bytes, WriteAt writeAt) {
    size_t done = 0;
    if (at < flushed_) {
      size_t head = static_cast<size_t>(std::min<uint64_t>(bytes.size(), flushed_ - at));
      if (!writeAt(bytes.data(), head, at)) return false;
      done = head;
    }
    if (done < bytes.size()) {
      uint64_t rel = at + done - flushed_;
      if (rel + (bytes.size() - done) > buf_.size()) return false;
      memcpy(buf_.data() + rel, bytes.data() + done, bytes.size() - done);
    }
    return true;
  }
  int fd() const { return fd_; }
  void set_fd(int fd) { fd_ = fd; }
  // Moves the write position past bytes placed by other means (an in-kernel copy).
  void skip(uint64_t n) { flushed_ += n; }

 private:
  [[maybe_unused]] ArchiveSink* owner_;
  int fd_;
  uint64_t flushed_;
  std::string buf_;
};

class TempFileSink final : public ArchiveSink {
 public:
  TempFileSink(std::string archive, std::string tempPath, UniqueFd fd)
      : archive_(std::move(archive)),
        temp_(std::move(tempPath)),
        fd_(std::move(fd)),
        file_(this, fd_.get(), 0) {}
  ~TempFileSink() override { discard(); }

  bool write(const void* data, size_t size) override {
    if (!ok()) return false;
    return file_.write(data, size, writeAt());
  }
  SinkPos pos() const override { return {0, file_.pos()}; }
  bool patch(SinkPos at, const std::string& bytes) override {
    if (!ok()) return false;
    return file_.patch(at.offset, bytes, writeAt());
  }
  bool copyFromFd(int fd, uint64_t offset, uint64_t length) override {
    if (!ok()) return false;
    // Small copies go through the buffer.
    if (length < (64u << 10) || kernelCopyFailed_) return ArchiveSink::copyFromFd(fd, offset, length);
    if (!file_.flush(writeAt())) return false;
    uint64_t at = file_.pos();
    if (kernelCopy(fd, offset, fd_.get(), at, length)) {
      file_.skip(length);
      return true;
    }
    if (!ok()) return false;
    kernelCopyFailed_ = true;
    return ArchiveSink::copyFromFd(fd, offset, length);
  }
  bool commit() override {
    if (done_ || !ok() || !file_.flush(writeAt())) return false;
    struct stat old {};
    bool existed = stat(archive_.c_str(), &old) == 0 && old.st_size > 0;
    mode_t mode = existed ? (old.st_mode & 07777) : newFileMode();
    // The rewritten archive keeps its owner when we may give it (as root), and its mode.
    if (existed && (old.st_uid != geteuid() || old.st_gid != getegid()) &&
        fchown(fd_.get(), old.st_uid, old.st_gid) != 0)
      mode &= 0777;
    fchmod(fd_.get(), mode);
    if (fileLayer().fsync(fd_.get()) != 0) {
      failFromErrno(errno, true);
      return false;
    }
    if (rename(temp_.c_str(), archive_.c_str()) != 0) {
      if (errno != EXDEV) {
        failFromErrno(errno, false);
        return false;
      }
      // The temporary folder is on another file system: copy beside the archive, then rename.
      std::string second;
      UniqueFd fd2 = makeTemporary(folderOf(archive_), &second);
      if (!fd2) {
        failFromErrno(errno, true);
        return false;
      }
      bool copied =
          copyFile(fd_.get(), fd2.get()) && fchmod(fd2.get(), mode) == 0 && fileLayer().fsync(fd2.get()) == 0;
      int err = errno;
      if (!copied || rename(second.c_str(), archive_.c_str()) != 0) {
        if (copied) err = errno;
        unlink(second.c_str());
        failFromErrno(err, true);
        return false;
      }
      unlink(temp_.c_str());
    }
    fd_.reset();
    done_ = true;
    syncFolder(folderOf(archive_));
    return true;
  }
  void discard() override {
    if (done_) return;
    done_ = true;
    unlink(temp_.c_str());
    fd_.reset();
  }

 private:
  WriteAtFn writeAt() {
    return [this](const void* d, size_t n, uint64_t off) { return rawPWrite(fd_.get(), d, n, off); };
  }
  std::string archive_, temp_;
  UniqueFd fd_;
  BufferedFile file_;
  bool done_ = false;
  bool kernelCopyFailed_ = false;
};

class InPlaceSink final : public ArchiveSink {
 public:
  InPlaceSink(std::string archive, UniqueFd fd, uint64_t appendAt, std::string_view head, std::string rest)
      : archive_(std::move(archive)),
        fd_(std::move(fd)),
        appendAt_(appendAt),
        head_(head),
        rest_(std::move(rest)),
        file_(this, fd_.get(), appendAt) {}
  ~InPlaceSink() override { discard(); }

  bool write(const void* data, size_t size) override {
    if (!ok()) return false;
    return file_.write(data, size, writeAt());
  }
  SinkPos pos() const override { return {0, file_.pos()}; }
  bool patch(SinkPos at, const std::string& bytes) override {
    if (!ok()) return false;
    return file_.patch(at.offset, bytes, writeAt());
  }
  bool commit() override {
    if (done_ || !ok() || !file_.flush(writeAt())) return false;
    // The rollback record may go only once the new directory is on disk.
    if (fileLayer().ftruncate(fd_.get(), static_cast<off_t>(file_.pos())) != 0 ||
        fileLayer().fsync(fd_.get()) != 0) {
      failFromErrno(errno, false);
      return false;
    }
    fd_.reset();
    done_ = true;
    removeRollbackRecord(archive_);
    return true;
  }
  void discard() override {
    if (done_) return;
    done_ = true;
    // Truncate first so the space the new entries took is free again for the old tail.
    const int fd = fd_.get();
    bool restored = fileLayer().ftruncate(fd, static_cast<off_t>(appendAt_)) == 0;
    uint64_t at = appendAt_;
    for (std::string_view part : {head_, std::string_view(rest_)}) {
      if (!restored) break;
      restored = rawRestore(fd, part, at);
      at += part.size();
    }
    restored = restored && fileLayer().fsync(fd) == 0;
    fd_.reset();
    // When the old bytes could not be put back, the record stays: the next operation that meets
    // the archive tries again.
    if (restored)
      removeRollbackRecord(archive_);
    else
      restoreFailed_ = true;
  }

 private:
  WriteAtFn writeAt() {
    return [this](const void* d, size_t n, uint64_t off) { return rawPWrite(fd_.get(), d, n, off); };
  }
  static bool rawRestore(int fd, std::string_view part, uint64_t at) {
    size_t done = 0;
    while (done < part.size()) {
      ssize_t n =
          fileLayer().pwrite(fd, part.data() + done, part.size() - done, static_cast<off_t>(at + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }
  std::string archive_;
  UniqueFd fd_;
  uint64_t appendAt_;
  std::string_view head_;
  std::string rest_;
  BufferedFile file_;
  bool done_ = false;
};

class SpannedSink final : public ArchiveSink {
 public:
  SpannedSink(std::string archive, uint64_t segmentSize, std::function<bool(uint32_t)> newDisk)
      : archive_(std::move(archive)),
        capacity_(segmentSize < 64 * 1024 ? 64 * 1024 : segmentSize),
        newDisk_(std::move(newDisk)) {}
  ~SpannedSink() override { discard(); }

  bool begin() {
    if (!openSegment()) return false;
    std::string sig;
    sig.push_back('P');
    sig.push_back('K');
    sig.push_back(7);
    sig.push_back(8);
    return write(sig.data(), sig.size());
  }

  bool write(const void* data, size_t size) override {
    auto* p = static_cast<const char*>(data);
    while (size > 0) {
      if (!ok()) return false;
      uint64_t room = capacity_ - files_.back()->pos();
      if (room == 0) {
        if (!nextSegment()) return false;
        continue;
      }
      size_t n = static_cast<size_t>(std::min<uint64_t>(room, size));
      if (!files_.back()->write(p, n, writeAt(files_.back()->fd()))) return false;
      p += n;
      size -= n;
    }
    return ok();
  }
  bool writeWhole(const std::string& bytes) override {
    if (!ensureRoom(bytes.size())) return false;
    return write(bytes.data(), bytes.size());
  }
  bool ensureRoom(size_t size) override {
    if (!ok()) return false;
    if (size <= capacity_ && files_.back()->pos() + size > capacity_) return nextSegment();
    return true;
  }
  SinkPos pos() const override { return {static_cast<uint32_t>(files_.size() - 1), files_.back()->pos()}; }
  bool patch(SinkPos at, const std::string& bytes) override {
    if (!ok() || at.disk >= files_.size()) return false;
    auto& f = files_[at.disk];
    return f->patch(at.offset, bytes, writeAt(f->fd()));
  }
  uint32_t diskCount() const override { return static_cast<uint32_t>(files_.size()); }
  bool segmented() const override { return true; }
  bool commit() override {
    if (done_ || !ok()) return false;
    for (auto& f : files_) {
      if (!f->flush(writeAt(f->fd()))) return false;
      fchmod(f->fd(), newFileMode());
      if (fileLayer().fsync(f->fd()) != 0) {
        failFromErrno(errno, true);
        return false;
      }
    }
    // The old segments are moved aside first, so a failure half way puts the whole old set
    // back instead of leaving old and new segments mixed.
    const uint32_t n = static_cast<uint32_t>(files_.size());
    std::vector<std::string> aside(n);
    uint32_t placed = 0;
    bool failed = false;
    for (; placed < n && !failed; ++placed) {
      std::string target = segmentPath(archive_, placed + 1, n);
      struct stat st {};
      if (lstat(target.c_str(), &st) == 0) {
        UniqueFd reserved = makeTemporary(folderOf(archive_), &aside[placed]);
        failed = !reserved || rename(target.c_str(), aside[placed].c_str()) != 0;
        if (failed) {
          failFromErrno(errno, false);
          if (reserved) unlink(aside[placed].c_str());
          aside[placed].clear();
          break;
        }
      }
      if (rename(temps_[placed].c_str(), target.c_str()) != 0) {
        failFromErrno(errno, false);
        failed = true;
        break;
      }
    }
    if (failed) {
      for (uint32_t i = 0; i <= placed && i < n; ++i) {
        std::string target = segmentPath(archive_, i + 1, n);
        if (i < placed) unlink(target.c_str());
        if (!aside[i].empty()) rename(aside[i].c_str(), target.c_str());
      }
      return false;
    }
    for (auto& old : aside)
      if (!old.empty()) unlink(old.c_str());
    fds_.clear();
    done_ = true;
    syncFolder(folderOf(archive_));
    return true;
  }
  void discard() override {
    if (done_) return;
    done_ = true;
    for (auto& t : temps_) unlink(t.c_str());
    fds_.clear();
  }

 private:
  WriteAtFn writeAt(int fd) {
    return [this, fd](const void* d, size_t n, uint64_t off) { return rawPWrite(fd, d, n, off); };
  }
  bool openSegment() {
    std::string path;
    UniqueFd fd = makeTemporary(folderOf(archive_), &path);
    if (!fd) {
      failFromErrno(errno, true);
      return false;
    }
    temps_.push_back(path);
    files_.push_back(std::make_unique<BufferedFile>(this, fd.get(), 0));
    fds_.push_back(std::move(fd));
    return true;
  }
  bool nextSegment() {
    if (!files_.back()->flush(writeAt(files_.back()->fd()))) return false;
    if (newDisk_ && !newDisk_(static_cast<uint32_t>(files_.size() + 1))) {
      fail(zipabi::zrAborted);
      return false;
    }
    return openSegment();
  }

  std::string archive_;
  uint64_t capacity_;
  std::function<bool(uint32_t)> newDisk_;
  std::vector<std::unique_ptr<BufferedFile>> files_;
  std::vector<UniqueFd> fds_;
  std::vector<std::string> temps_;
  bool done_ = false;
};

}  // namespace

std::unique_ptr<ArchiveSink> openTempFileSink(const std::string& archivePath, const std::string& tempFolder,
                                              int* error) {
  std::string folder = tempFolder.empty() ? folderOf(archivePath) : tempFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::string temp;
  UniqueFd fd = makeTemporary(folder, &temp);
  if (!fd) {
    *error = zipabi::zrTempFileProblem;
    return nullptr;
  }
  return std::make_unique<TempFileSink>(archivePath, temp, std::move(fd));
}

std::unique_ptr<ArchiveSink> openInPlaceSink(const std::string& archivePath, uint64_t appendAt,
                                             std::string_view tailHead, std::string tailRest, int* error) {
  UniqueFd fd(open(archivePath.c_str(), O_RDWR | O_CLOEXEC));
  if (!fd) {
    *error = errno == ENOENT ? zipabi::zrArchiveNotFound : zipabi::zrCannotAccess;
    return nullptr;
  }
  // Nothing of the archive changes before the record of its old tail is on disk. A folder that
  // takes no new file (a writable archive in a folder the user may not write) cannot hold it: the
  // change then goes ahead as it always could there, undone from memory on an error or abort.
  if (!writeRollbackRecord(archivePath, fd.get(), appendAt, tailHead, tailRest) && errno != EACCES &&
      errno != EPERM) {
    *error = errno == ENOSPC || errno == EDQUOT ? zipabi::zrDiskFull : zipabi::zrTempFileProblem;
    return nullptr;
  }
  return std::make_unique<InPlaceSink>(archivePath, std::move(fd), appendAt, tailHead, std::move(tailRest));
}

std::unique_ptr<ArchiveSink> openSpannedSink(const std::string& archivePath, uint64_t segmentSize,
                                             std::function<bool(uint32_t)> newDisk, int* error) {
  auto sink = std::make_unique<SpannedSink>(archivePath, segmentSize, std::move(newDisk));
  if (!sink->begin()) {
    *error = sink->error() ? sink->error() : zipabi::zrTempFileProblem;
    return nullptr;
  }
  return sink;
}

uint64_t spannedSegmentSize() {
  if (const char* v = getenv("PARCELIX_DISK_SIZE")) {
    long long n = strtoll(v, nullptr, 10);
    if (n > 0) return static_cast<uint64_t>(n);
  }
  return 1457664;
}

std::string segmentPath(const std::string& archivePath, uint32_t index1, uint32_t count) {
  if (index1 >= count) return archivePath;
  std::string base = archivePath;
  size_t dot = base.rfind('.');
  size_t slash = base.rfind('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.resize(dot);
  char ext[16];
  snprintf(ext, sizeof ext, ".z%02u", index1);
  return base + ext;
}

void removeStaleSegments(const std::string& archivePath, uint32_t from) {
  for (uint32_t i = std::max<uint32_t>(from, 1); i < 1000; ++i) {
    std::string p = segmentPath(archivePath, i, 1000);
    if (unlink(p.c_str()) != 0 && errno == ENOENT) break;
  }
}

}  // namespace zipeng
