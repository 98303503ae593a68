// "-o": the archive file takes the time of its newest file entry.
#include <fcntl.h>
#include <sys/stat.h>

#include "zip/zip_operations.h"

namespace zipeng {

int runRedate(ZipSession& s) {
  ExistingArchive existing;
  int rc = existing.open(s.cmd.archive, s.cmd.spanned, s.cmd.nameCharset, s.cb);
  if (s.cb.aborted()) return zipabi::zrAborted;
  if (rc) return rc;
  bool any = false;
  int64_t newest = 0;
  for (size_t i = 0; i < existing.count(); ++i) {
    const ZipEntry& e = existing.entry(i);
    if (e.isDirectory() || e.isVolumeLabel()) continue;
    if (!any || e.mtime() > newest) newest = e.mtime();
    any = true;
  }
  if (!any) return zipabi::zrOnlyFolders;
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(newest);
  times[1].tv_nsec = 0;
  if (utimensat(AT_FDCWD, s.cmd.archive.c_str(), times, 0) != 0) return zipabi::zrCannotAccess;
  return zipabi::zrOk;
}

}  // namespace zipeng
