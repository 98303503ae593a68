#include "file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "zipengine_abi.h"

namespace zipeng {

mode_t fileModeOf(const ZipEntry& e) {
  if (e.unixPermissions()) return e.unixPermissions() & 0777;
  return (e.dosAttributes() & zipabi::kAttrReadOnly) ? 0444 : 0666;
}

bool folderModeOf(const ZipEntry& e, mode_t& mode) {
  // With its file type stored, a Unix mode means what it says even when it is 0.
  if (!e.isUnixMade() && !e.unixPermissions()) return false;
  mode = (e.isUnixMade() ? e.unixMode() : e.unixPermissions()) & 0777;
  return true;
}

FileFilled fillFile(UniqueFd& fd, ArchiveSource& source, EntryReader& reader, const ZipEntry& entry,
                    const std::string& password, int64_t mtime, bool durable, const ProgressFn& progress) {
  FileFilled r;
  auto sink = [&](const uint8_t* data, size_t size) {
    while (size > 0) {
      ssize_t n = ::write(fd.get(), data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        r.writeError = n < 0 ? errno : ENOSPC;
        return false;
      }
      data += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  };
  r.status = reader.read(source, entry, password, sink, progress);
  if (r.status == EntryStatus::Ok) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(mtime);
    times[1].tv_nsec = 0;
    futimens(fd.get(), times);
  }
  // A file that takes the place of an existing one reaches the disk before the rename, so a
  // crash cannot leave an empty file where the old one was.
  if (r.status == EntryStatus::Ok && durable && fsync(fd.get()) != 0) {
    r.writeError = errno;
    r.status = EntryStatus::SinkFailed;
  }
  if (fd.close() != 0 && r.status == EntryStatus::Ok) {
    r.writeError = errno;
    r.status = EntryStatus::SinkFailed;
  }
  return r;
}

}  // namespace zipeng
