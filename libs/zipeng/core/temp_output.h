// Where a changed archive is written. Every sink keeps the user's archive safe until Commit:
// - TempFileSink builds the new archive in a temporary file and renames it over the old one
//   only once it is complete and on disk;
// - InPlaceSink ("-g") appends at the old central directory; a rollback record beside the
//   archive holds the old tail until the new directory is on disk, and discard puts the tail
//   back and truncates, so the file returns to its old bytes (after a crash, the next operation
//   does that from the record);
// - SpannedSink writes a set of segments (NAME.z01, NAME.z02, ..., NAME.zip) to temporary
//   names and renames them all at Commit.
// A write failure is remembered as a result code (150 disk full, 280 temporary file, 400
// access); callers check ok() at the points where they can stop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zipengine_abi.h"

namespace zipeng {

struct SinkPos {
  uint32_t disk = 0;
  uint64_t offset = 0;
};

class ArchiveSink {
 public:
  virtual ~ArchiveSink() = default;
  // Data that may run over a segment boundary.
  virtual bool write(const void* data, size_t size) = 0;
  // Headers and records that must sit whole in one segment.
  virtual bool writeWhole(const std::string& bytes) { return write(bytes.data(), bytes.size()); }
  virtual SinkPos pos() const = 0;
  // Overwrites bytes already written (a local header whose sizes are known only afterwards).
  virtual bool patch(SinkPos at, const std::string& bytes) = 0;
  // Flushes, syncs and puts the result in place of the archive.
  virtual bool commit() = 0;
  // Leaves the archive as it was before the sink was opened.
  virtual void discard() = 0;
  // Discards and returns what the operation reports: `rc`, or zrArchiveTooCorrupted when the
  // archive could not be put back as it was (its rollback record then stays for a later try).
  int abandon(int rc) {
    discard();
    return restoreFailed_ ? zipabi::zrArchiveTooCorrupted : rc;
  }
  virtual uint32_t diskCount() const { return 1; }
  // True when the archive is a set of segments (records must then be written whole).
  virtual bool segmented() const { return false; }
  // Begins a new segment when `size` bytes would not fit whole in the current one.
  virtual bool ensureRoom(size_t size) {
    (void)size;
    return ok();
  }
  // Copies `length` bytes from `fd` at `offset` (unchanged entries), in the kernel when it can.
  virtual bool copyFromFd(int fd, uint64_t offset, uint64_t length);

  // Growing in place skips the sync unless asked (sources deleted after it need it on disk).
  void requireSync() { requireSync_ = true; }

  bool ok() const { return error_ == 0; }
  int error() const { return error_; }
  // Sets the error from errno after a failed system call.
  void failFromErrno(int err, bool temp);
  void fail(int code) {
    if (!error_) error_ = code;
  }

 protected:
  // The full-write loop, through the file layer.
  bool rawPWrite(int fd, const void* data, size_t size, uint64_t offset);
  // copy_file_range; false without an error set when the kernel cannot copy between these files.
  bool kernelCopy(int from, uint64_t offset, int to, uint64_t toOffset, uint64_t length);
  int error_ = 0;
  bool requireSync_ = false;
  bool restoreFailed_ = false;
};

// Creates the temporary file in `tempFolder` (empty: the archive's folder).
std::unique_ptr<ArchiveSink> openTempFileSink(const std::string& archivePath, const std::string& tempFolder,
                                              int* error);
// Opens the archive for growth at `appendAt`; `tailHead` then `tailRest` are the bytes from there
// to the end, recorded beside the archive before anything changes and put back by discard.
// `tailHead` is not copied: it must outlive the sink.
std::unique_ptr<ArchiveSink> openInPlaceSink(const std::string& archivePath, uint64_t appendAt,
                                             std::string_view tailHead, std::string tailRest, int* error);
// `newDisk(n)` is asked before segment n (1-based) after the first is begun; false aborts.
std::unique_ptr<ArchiveSink> openSpannedSink(const std::string& archivePath, uint64_t segmentSize,
                                             std::function<bool(uint32_t)> newDisk, int* error);

// Capacity of one "disk" of a spanned set: the user's PARCELIX_DISK_SIZE, else 1,457,664 bytes.
uint64_t spannedSegmentSize();
// Segment file names of a set: NAME.z01 ... for n < last, NAME.zip for the last.
std::string segmentPath(const std::string& archivePath, uint32_t index1, uint32_t count);
// Removes NAME.zNN for NN >= `from`, left from an earlier, longer set.
void removeStaleSegments(const std::string& archivePath, uint32_t from = 1);

}  // namespace zipeng
