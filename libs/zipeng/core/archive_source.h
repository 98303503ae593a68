// Random access to an archive's bytes: one file, a spanned set of segment files read as one
// logical stream, or a memory buffer (tests, fuzzing).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/unique_fd.h"

namespace zipeng {

class ArchiveSource {
 public:
  // Called when a segment of a spanned set that is to be read is not there: disk number from
  // 1, 0 for the last segment; the caller puts it in place. Returning false (abort) makes the
  // read fail.
  using NewDiskFn = std::function<bool(int32_t disk)>;

  ArchiveSource() = default;
  ~ArchiveSource();
  ArchiveSource(const ArchiveSource&) = delete;
  ArchiveSource& operator=(const ArchiveSource&) = delete;

  // Opens one archive file. Returns zrOk, zrArchiveNotFound or zrCannotAccess.
  int32_t openFile(const std::string& path);
  // Opens a spanned set given by the name of its last segment (NAME.zip); its other segments
  // are NAME.z01, NAME.z02, ... Only sizes are looked at now; the last segment is opened at once
  // (with newDisk(0)), the others when first read. A set with no .z01 is one segment.
  int32_t openSpanned(const std::string& path, NewDiskFn newDisk);
  // Forgets what was opened, so that the source can be opened again another way.
  void close();
  // Reads from memory the caller keeps alive.
  void openMemory(const uint8_t* data, size_t size);
  // A second reader of the same open file or memory, for another thread: it shares nothing with
  // `other` but the file itself. False for a spanned set (its segments ask the user for disks).
  // A copy of a file reads ahead: its small reads come from a window that one read fills, since
  // its thread takes entries in archive order (many tiny entries would cost a read each).
  bool openCopyOf(const ArchiveSource& other);

  uint64_t size() const { return total_; }
  size_t segmentCount() const { return segments_.size(); }
  // Absolute position of byte 0 of segment `disk` (its size for the one after the last).
  uint64_t segmentStart(uint32_t disk) const;
  bool spanned() const { return segments_.size() > 1; }
  const std::string& path() const { return path_; }
  // Set when a read failed because a segment could not be opened or the user aborted.
  bool aborted() const { return aborted_; }
  bool ioFailed() const { return ioFailed_; }

  // Keeps the first `disks` segments and the last one, dropping segment files that do not belong
  // to the set (a stale NAME.z05 beside a three-disk set, or any .zNN beside a one-disk archive).
  // A segment the set needs that is not there is asked for (new-disk message with its number);
  // returns false when it is still missing after a few answers, or the caller stopped.
  bool limitSegments(uint32_t disks);

  // Reads exactly `length` bytes at absolute position `offset`, crossing segments as needed.
  // False when the range lies outside the source or a read fails.
  bool read(uint64_t offset, void* buffer, size_t length);

 private:
  struct Segment {
    std::string path;
    uint64_t start = 0;
    uint64_t size = 0;
    UniqueFd fd;
    const uint8_t* memory = nullptr;
    int32_t diskLabel = 0;  // number sent with the new-disk message
  };
  bool ensureOpen(Segment& segment);
  // Offsets of the segments from their sizes, after the set changed.
  void layOut();
  // True when `present` says the disk `label` is there, else asks for it until it is; false
  // when the caller stopped or after kDiskQuestions answers.
  bool askForDisk(int32_t label, const std::function<bool()>& present);
  static constexpr int kDiskQuestions = 3;

  // Serves [offset, offset + length) from the read-ahead window, filling it first when needed;
  // false when the window is off or the read is not one for it.
  bool readThroughWindow(uint64_t offset, uint8_t* out, size_t length);
  static constexpr size_t kWindowSize = 256 * 1024;

  std::vector<Segment> segments_;
  std::vector<uint8_t> window_;  // empty: no read-ahead
  uint64_t windowAt_ = 0;
  size_t windowFill_ = 0;
  uint64_t total_ = 0;
  std::string path_;
  NewDiskFn newDisk_;
  bool aborted_ = false;
  bool ioFailed_ = false;
};

}  // namespace zipeng
