#include "archive_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "zipengine_abi.h"

namespace zipeng {

ArchiveSource::~ArchiveSource() = default;

namespace {
int32_t statFile(const std::string& path, uint64_t& size) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR ? zipabi::zrArchiveNotFound : zipabi::zrCannotAccess;
  if (!S_ISREG(st.st_mode)) return zipabi::zrCannotAccess;
  size = static_cast<uint64_t>(st.st_size);
  return zipabi::zrOk;
}
}  // namespace

int32_t ArchiveSource::openFile(const std::string& path) {
  path_ = path;
  Segment s;
  s.path = path;
  s.fd.reset(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!s.fd) return errno == ENOENT || errno == ENOTDIR ? zipabi::zrArchiveNotFound : zipabi::zrCannotAccess;
  struct stat st;
  if (fstat(s.fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return zipabi::zrCannotAccess;
  s.size = static_cast<uint64_t>(st.st_size);
  total_ = s.size;
  segments_.push_back(std::move(s));
  return zipabi::zrOk;
}

bool ArchiveSource::openCopyOf(const ArchiveSource& other) {
  if (other.segments_.size() != 1) return false;
  const Segment& from = other.segments_.front();
  Segment s;
  s.path = from.path;
  s.size = from.size;
  s.memory = from.memory;
  if (!from.memory) {
    s.fd.reset(fcntl(from.fd.get(), F_DUPFD_CLOEXEC, 0));
    if (!s.fd) return false;
  }
  path_ = other.path_;
  total_ = other.total_;
  segments_.clear();
  segments_.push_back(std::move(s));
  return true;
}

int32_t ArchiveSource::openSpanned(const std::string& path, NewDiskFn newDisk) {
  path_ = path;
  newDisk_ = std::move(newDisk);
  uint64_t lastSize = 0;
  if (int32_t rc = statFile(path, lastSize); rc != zipabi::zrOk) return rc;
  // NAME.zip -> NAME.z01, NAME.z02, ...: collect them while they exist.
  std::string stem = path;
  auto dot = stem.rfind('.');
  auto slash = stem.rfind('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) stem.resize(dot);
  for (int n = 1; n < 100000; ++n) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, n < 100 ? ".z%02d" : ".z%d", n);
    Segment s;
    s.path = stem + suffix;
    if (statFile(s.path, s.size) != zipabi::zrOk) break;
    s.start = total_;
    s.diskLabel = n;
    total_ += s.size;
    segments_.push_back(std::move(s));
  }
  Segment last;
  last.path = path;
  last.size = lastSize;
  last.start = total_;
  last.diskLabel = 0;
  total_ += lastSize;
  segments_.push_back(std::move(last));
  if (!ensureOpen(segments_.back())) return aborted_ ? zipabi::zrAborted : zipabi::zrCannotAccess;
  return zipabi::zrOk;
}

void ArchiveSource::openMemory(const uint8_t* data, size_t size) {
  Segment s;
  s.memory = data;
  s.size = size;
  total_ = size;
  segments_.push_back(std::move(s));
}

bool ArchiveSource::limitSegments(uint32_t disks) {
  if (segments_.empty() || segments_.size() < static_cast<size_t>(disks) + 1) return false;
  if (segments_.size() == static_cast<size_t>(disks) + 1) return true;
  Segment last = std::move(segments_.back());
  segments_.resize(disks);
  segments_.push_back(std::move(last));
  total_ = 0;
  for (auto& s : segments_) {
    s.start = total_;
    total_ += s.size;
  }
  return true;
}

uint64_t ArchiveSource::segmentStart(uint32_t disk) const {
  if (disk >= segments_.size()) return total_;
  return segments_[disk].start;
}

bool ArchiveSource::ensureOpen(Segment& segment) {
  if (segment.fd || segment.memory != nullptr) return true;
  if (newDisk_ && !newDisk_(segment.diskLabel)) {
    aborted_ = true;
    return false;
  }
  segment.fd.reset(open(segment.path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!segment.fd) {
    ioFailed_ = true;
    return false;
  }
  return true;
}

bool ArchiveSource::read(uint64_t offset, void* buffer, size_t length) {
  if (offset > total_ || length > total_ - offset) return false;
  auto* out = static_cast<uint8_t*>(buffer);
  // Segments are few; find the first one holding `offset` from the back (reads cluster at the end).
  size_t i = segments_.size();
  while (i > 0 && segments_[i - 1].start > offset) --i;
  if (i == 0) return false;
  --i;
  while (length > 0) {
    if (i >= segments_.size()) return false;
    Segment& s = segments_[i];
    uint64_t within = offset - s.start;
    size_t chunk = static_cast<size_t>(std::min<uint64_t>(length, s.size - within));
    if (chunk == 0) {
      ++i;
      continue;
    }
    if (s.memory != nullptr) {
      std::memcpy(out, s.memory + within, chunk);
    } else {
      if (!ensureOpen(s)) return false;
      size_t done = 0;
      while (done < chunk) {
        ssize_t got = pread(s.fd.get(), out + done, chunk - done, static_cast<off_t>(within + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
          ioFailed_ = true;
          return false;
        }
        done += static_cast<size_t>(got);
      }
    }
    out += chunk;
    offset += chunk;
    length -= chunk;
    ++i;
  }
  return true;
}

}  // namespace zipeng
