#include "archive_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "temp_output.h"
#include "zipengine_abi.h"

namespace zipeng {

ArchiveSource::~ArchiveSource() = default;

namespace {
int32_t statFile(const std::string& path, uint64_t& size) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0)
    return errno == ENOENT || errno == ENOTDIR ? zipabi::zrArchiveNotFound : zipabi::zrCannotAccess;
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
  window_.clear();
  windowFill_ = 0;
  if (!from.memory) window_.resize(kWindowSize);
  return true;
}

int32_t ArchiveSource::openSpanned(const std::string& path, NewDiskFn newDisk) {
  path_ = path;
  newDisk_ = std::move(newDisk);
  uint64_t lastSize = 0;
  if (int32_t rc = statFile(path, lastSize); rc != zipabi::zrOk) return rc;
  // NAME.zip -> NAME.z01, NAME.z02, ...: collect them while they exist.
  for (int n = 1; n < 100000; ++n) {
    Segment s;
    s.path = segmentPath(path, static_cast<uint32_t>(n), UINT32_MAX);
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

void ArchiveSource::close() {
  segments_.clear();
  window_.clear();
  windowFill_ = 0;
  total_ = 0;
  path_.clear();
  newDisk_ = nullptr;
  aborted_ = false;
  ioFailed_ = false;
}

void ArchiveSource::openMemory(const uint8_t* data, size_t size) {
  Segment s;
  s.memory = data;
  s.size = size;
  total_ = size;
  segments_.push_back(std::move(s));
}

bool ArchiveSource::limitSegments(uint32_t disks) {
  if (segments_.empty()) return false;
  const size_t wanted = static_cast<size_t>(disks) + 1;
  if (segments_.size() > wanted) {
    Segment last = std::move(segments_.back());
    segments_.resize(disks);
    segments_.push_back(std::move(last));
  }
  if (segments_.size() < wanted) {
    if (!newDisk_) return false;
    while (segments_.size() < wanted) {
      Segment s;
      s.diskLabel = static_cast<int32_t>(segments_.size());
      s.path = segmentPath(path_, static_cast<uint32_t>(s.diskLabel), UINT32_MAX);
      if (!askForDisk(s.diskLabel, [&] { return statFile(s.path, s.size) == zipabi::zrOk; })) return false;
      segments_.insert(segments_.end() - 1, std::move(s));
    }
  }
  layOut();
  return true;
}

void ArchiveSource::layOut() {
  total_ = 0;
  for (auto& s : segments_) {
    s.start = total_;
    total_ += s.size;
  }
}

bool ArchiveSource::askForDisk(int32_t label, const std::function<bool()>& present) {
  if (present()) return true;
  for (int asked = 0; asked < kDiskQuestions; ++asked) {
    if (!newDisk_(label)) {
      aborted_ = true;
      return false;
    }
    if (present()) return true;
  }
  return false;
}

uint64_t ArchiveSource::segmentStart(uint32_t disk) const {
  if (disk >= segments_.size()) return total_;
  return segments_[disk].start;
}

bool ArchiveSource::ensureOpen(Segment& segment) {
  if (segment.fd || segment.memory != nullptr) return true;
  // The segments of a set usually lie side by side: the user is asked only for one that is
  // not there.
  auto tryOpen = [&] {
    segment.fd.reset(open(segment.path.c_str(), O_RDONLY | O_CLOEXEC));
    return static_cast<bool>(segment.fd);
  };
  if (tryOpen()) return true;
  if (errno == ENOENT && newDisk_ && askForDisk(segment.diskLabel, tryOpen)) return true;
  if (!aborted_) ioFailed_ = true;
  return false;
}

bool ArchiveSource::readThroughWindow(uint64_t offset, uint8_t* out, size_t length) {
  if (window_.empty() || length > window_.size() / 4 || segments_.size() != 1 || !segments_[0].fd)
    return false;
  if (offset < windowAt_ || offset - windowAt_ > windowFill_ || length > windowFill_ - (offset - windowAt_)) {
    // Filled from the bytes asked for onwards: entries are read in increasing order.
    const size_t want = static_cast<size_t>(std::min<uint64_t>(window_.size(), total_ - offset));
    size_t done = 0;
    while (done < want) {
      ssize_t got =
          pread(segments_[0].fd.get(), window_.data() + done, want - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<size_t>(got);
    }
    windowAt_ = offset;
    windowFill_ = done;
    if (done < length) {
      windowFill_ = 0;
      return false;  // the plain read below reports it
    }
  }
  std::memcpy(out, window_.data() + (offset - windowAt_), length);
  return true;
}

bool ArchiveSource::read(uint64_t offset, void* buffer, size_t length) {
  if (offset > total_ || length > total_ - offset) return false;
  if (length == 0) return true;  // `buffer` may then be null, which no copy may be handed
  auto* out = static_cast<uint8_t*>(buffer);
  if (readThroughWindow(offset, out, length)) return true;
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
