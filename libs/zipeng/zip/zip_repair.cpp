// "-F" and "-FF": write a new archive of every entry that can be saved.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/archive_index.h"
#include "core/repair_scanner.h"
#include "core/unique_fd.h"
#include "zip/archive_writer.h"
#include "zip/zip_operations.h"

namespace zipeng {

namespace {

// The Unicode name field of `extra`, whole, or nothing.
std::string unicodeNameField(const std::string& extra) {
  const uint8_t* d;
  size_t n;
  if (!findExtraField(extra, kExtraUnicodePath, &d, &n)) return {};
  std::string field;
  append16(field, kExtraUnicodePath);
  append16(field, static_cast<uint16_t>(n));
  field.append(reinterpret_cast<const char*>(d), n);
  return field;
}

// The extra fields of the new records from those of `extra`: never a ZIP64 field (the writer
// adds its own where needed), `unicodeName` in place of any Unicode name field (so that it
// names the entry as the new records do), and in the central form (`central`) the extended
// timestamp with the modification time alone.
std::string repairedExtra(const std::string& extra, const std::string& unicodeName, bool central) {
  std::string out;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(extra.data());
  size_t pos = 0;
  while (pos + 4 <= extra.size()) {
    uint16_t id = get16(p + pos), len = get16(p + pos + 2);
    if (pos + 4 + len > extra.size()) break;  // a torn field is dropped, not copied half
    if (central && id == kExtraExtendedTime) {
      if (len >= 5 && (p[pos + 4] & 1))
        out += extendedTimestampExtra(static_cast<int32_t>(get32(p + pos + 5)));
    } else if (id != kExtraZip64 && id != kExtraUnicodePath) {
      out.append(extra, pos, 4 + len);
    }
    pos += 4 + len;
  }
  return out + unicodeName;
}

}  // namespace

int runRepair(ZipSession& s) {
  const std::string& path = s.cmd.archive;
  ArchiveSource source;
  int rc = source.openFile(path);
  if (rc) return rc;
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return zipabi::zrCannotAccess;

  RepairOptions opt;
  opt.aggressive = s.cmd.action == ZipAction::FixAggressive;
  opt.password = s.cmd.password;
  // The scan of a large or badly damaged file takes a while: it reports how far it has come
  // (message 1030 with the share of the file scanned), which also lets the caller stop it.
  std::string archiveName = path;
  opt.keepGoing = [&](uint64_t pos) {
    WriterEntry progress;
    progress.name = archiveName;
    uint64_t size = source.size();
    auto percent = static_cast<uint8_t>(size ? std::min<uint64_t>(100, pos * 100 / size) : 100);
    return !s.sendEntry(zipabi::zcmStatus, progress, percent);
  };
  bool aborted = false;
  std::vector<LeftOutEntry> leftOut;
  std::vector<RecoveredEntry> found = scanForEntries(source, opt, &aborted, &leftOut);
  if (aborted) return zipabi::zrAborted;
  // With nothing saved, "too damaged" says it all.
  if (found.empty()) return zipabi::zrArchiveTooCorrupted;

  std::string comment;
  {
    ArchiveIndex index;
    if (readArchiveIndex(source, index, false) == 0) comment = index.rawComment;
  }

  bool inPlace = false;
  int error = 0;
  ZipSession single{s.cmd, s.cb};
  single.cmd.spanned = false;
  auto sink = single.openOutput(nullptr, false, &inPlace, &error);
  if (!sink) return error ? error : zipabi::zrTempFileProblem;
  ArchiveWriter writer(*sink);
  // Each entry left out is reported as a skipped file where it stood among the others. True
  // when the caller asked to stop.
  size_t reported = 0;
  auto reportLeftOut = [&](uint64_t before) {
    for (; reported < leftOut.size() && leftOut[reported].start < before; ++reported)
      if (s.cb.sendSkipping(leftOut[reported].rawName, leftOut[reported].reason)) return true;
    return false;
  };
  for (auto& r : found) {
    if (reportLeftOut(r.start)) return sink->abandon(zipabi::zrAborted);
    WriterEntry w;
    w.name = r.rawName;
    std::string unicodeName;
    w.versionNeeded = r.versionNeeded;
    w.flags = r.flags;
    w.method = r.method;
    w.dosDateTime = r.dosDateTime;
    w.crc = r.crc;
    w.compressedSize = r.compressedSize;
    w.size = r.size;
    if (r.hasCentral) {
      w.versionMadeBy = r.versionMadeBy;
      w.internalAttributes = r.internalAttributes;
      w.externalAttributes = r.externalAttributes;
      w.centralExtra = stripZip64Extra(r.centralExtra);
      w.comment = r.comment.substr(0, 0xFFFF);
      unicodeName = unicodeNameField(r.centralExtra);
    } else {
      // Without its directory record the host's attributes are gone; DOS bits say what is known.
      w.versionMadeBy = 20;
      w.externalAttributes = (!r.rawName.empty() && r.rawName.back() == '/') ? 0x10 : 0;
      if (r.storedName.empty()) unicodeName = unicodeNameField(r.localExtra);
      w.centralExtra = repairedExtra(r.localExtra, unicodeName, true);
    }
    // A name that had to be changed is shown with the one it had.
    if (s.cb.sendName(zipabi::zcmFixing,
                      r.storedName.empty() ? r.rawName : r.storedName + " -> " + r.rawName))
      return sink->abandon(zipabi::zrAborted);
    // A fresh local header that agrees with the directory record: whatever damage the old one
    // had (a wrong CRC, a wrong time) stays behind. An encrypted entry with a descriptor keeps
    // its local time, whose high byte its password check uses.
    w.localExtra = repairedExtra(r.localExtra, unicodeName, false);
    if ((r.flags & kFlagEncrypted) && (r.flags & kFlagDataDescriptor))
      w.dosDateTime = (w.dosDateTime & 0xFFFF0000u) | r.localDosTime;
    bool wide = needsZip64Local(std::max(w.size, w.compressedSize));
    std::string header = buildLocalHeader(w, wide);
    w.localOffset = sink->pos().offset;
    if (!sink->writeWhole(header) || !sink->copyFromFd(fd.get(), r.dataStart, w.compressedSize) ||
        ((w.flags & kFlagDataDescriptor) &&
         !sink->write(buildDataDescriptor(w, wide).data(), wide ? 24 : 16)))
      return sink->abandon(sink->error() ? sink->error() : zipabi::zrTempFileProblem);
    if (wide) w.versionNeeded = 45;
    writer.keepInPlace(std::move(w));
  }
  if (reportLeftOut(UINT64_MAX)) return sink->abandon(zipabi::zrAborted);
  const int written = writer.finishAndCommit(comment);
  return written == zipabi::zrOk && !leftOut.empty() ? zipabi::zrSomeSkipped : written;
}

}  // namespace zipeng
