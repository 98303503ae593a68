// What keeps a user's archive whole when operations overlap or die: one writer at a time, the
// rollback record of a change made in place, and temporary copies that no crash leaves behind.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "core/unique_fd.h"

namespace zipeng {

// The folder of a path ("." for a bare name).
std::string folderOf(const std::string& path);

// Where the archive named `path` really is: a symbolic link is followed to its target, so that
// its lock, its rollback record and its temporary copies are those of the real file whichever
// name reached it, and a rewrite replaces the target and leaves the link a link. Every
// operation of both libraries takes the archive's name through this before anything else.
std::string resolveArchivePath(const std::string& path);

// One writer per archive: an advisory lock on the archive file for the whole operation. A
// writer that finds it held gives up at once, so two changes never race and one is never lost.
class WriterLock {
 public:
  WriterLock() = default;
  ~WriterLock();
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;

  // Locks `archive`. A missing archive is created empty when `create` (an empty file is a new
  // archive), so a second writer of a new archive meets the lock too; it is removed again at
  // release when the operation left it empty. Returns zrOk, zrArchiveBusy, zrArchiveNotFound or
  // zrCannotAccess.
  int32_t acquire(const std::string& archive, bool create);

 private:
  UniqueFd fd_;
  std::string path_;
  bool created_ = false;
};

// A hidden file beside the archive holding what a change in place overwrites.
std::string rollbackPath(const std::string& archive);

// Before the first byte of the archive changes: records its old length and the bytes from
// `appendAt` to its end (`head` then `rest`) and makes the record durable. False with errno set.
bool writeRollbackRecord(const std::string& archive, int archiveFd, uint64_t appendAt, std::string_view head,
                         std::string_view rest);
// Once the new directory is on disk the record goes.
void removeRollbackRecord(const std::string& archive);

// Puts the old bytes back when a change in place was interrupted (a crash, a kill, a power
// cut). The caller holds the writer lock. Returns zrOk when nothing was pending or the archive
// is restored, else zrArchiveTooCorrupted (the record stays for a later try).
int32_t recoverInterruptedChange(const std::string& archive);

// For readers: recovers an interrupted change when no writer is at work. zrArchiveBusy while a
// writer is changing the archive in place (its bytes are in flux), else zrOk.
int32_t prepareToRead(const std::string& archive);

// A temporary file `.parcelix-XXXXXX` in `folder`, locked for as long as it is open, so that
// clearStaleTemporaries knows it is in use.
UniqueFd makeTemporary(const std::string& folder, std::string* path);
// Removes temporary files of ours in `folder` that no running operation holds: what a killed
// operation left behind.
void clearStaleTemporaries(const std::string& folder);

}  // namespace zipeng
