// Filling a file just created with one entry's data: the same steps on the extracting thread
// and on the helpers that write small entries ahead of it.
#pragma once

#include <fcntl.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

#include "core/archive_index.h"
#include "core/archive_source.h"
#include "core/entry_reader.h"
#include "core/unique_fd.h"

namespace zipeng {

// Options that let a file be created as the entry wants it.
inline constexpr int kNewFileFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

// The permissions a file made from `entry` gets.
mode_t fileModeOf(const ZipEntry& entry);
// The permission bits (never setuid, setgid or sticky) stored for a folder entry; false when
// the entry carries none (a folder from a system without them).
bool folderModeOf(const ZipEntry& entry, mode_t& mode);

struct FileFilled {
  EntryStatus status = EntryStatus::Ok;
  int writeError = 0;  // errno of a failed write, sync or close (SinkFailed)
};

// Reads `entry` into `fd`, sets the file's modification time to `mtime`, syncs it to the disk
// when `durable`, and closes it. A file that failed is left for the caller to remove.
FileFilled fillFile(UniqueFd& fd, ArchiveSource& source, EntryReader& reader, const ZipEntry& entry,
                    const std::string& password, int64_t mtime, bool durable,
                    const ProgressFn& progress = {});

}  // namespace zipeng
