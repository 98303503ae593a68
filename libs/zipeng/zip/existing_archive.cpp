#include "zip/existing_archive.h"

#include <fcntl.h>
#include <unistd.h>

#include "core/local_header.h"
#include "core/zip_format.h"

namespace zipcore {

ExistingArchive::~ExistingArchive() {
  if (rawFd_ >= 0) close(rawFd_);
}

int ExistingArchive::Open(const std::string& path, bool spanned, Callback& cb) {
  int rc;
  if (spanned) {
    rc = source_.openSpanned(path, [&cb](int32_t disk) { return !cb.sendInt(zipabi::zcmNewDisk, disk); });
  } else {
    rc = source_.openFile(path);
  }
  if (rc != 0) return rc;
  rc = readArchiveIndex(source_, index_, spanned);
  if (rc != 0) return rc;
  if (!source_.spanned()) rawFd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);

  // The comments exactly as stored (the parsed ones are converted to UTF-8).
  rawComments_.assign(index_.entries.size(), std::string());
  std::string cd(index_.centralDirectorySize, '\0');
  if (!cd.empty() && source_.read(index_.centralDirectoryOffset, cd.data(), cd.size())) {
    ByteReader r(reinterpret_cast<const uint8_t*>(cd.data()), cd.size());
    for (size_t i = 0; i < index_.entries.size() && r.remaining() >= kCentralHeaderSize; ++i) {
      const uint8_t* h = r.take(kCentralHeaderSize);
      if (!h || get32(h) != kCentralHeaderSig) break;
      uint16_t n = get16(h + 28), m = get16(h + 30), k = get16(h + 32);
      r.take(n);
      r.take(m);
      const uint8_t* c = r.take(k);
      if (!r.ok()) break;
      rawComments_[i].assign(reinterpret_cast<const char*>(c), k);
    }
  }
  return 0;
}

bool ExistingArchive::EntryRange(size_t i, Range& range) {
  const ZipEntry& e = index_.entries[i];
  LocalHeader lh;
  if (!readLocalHeader(source_, e.localHeaderPosition, lh)) return false;
  range.start = e.localHeaderPosition;
  range.dataStart = lh.dataPosition;
  uint64_t end = lh.dataPosition + e.compressedSize;
  if (e.hasDataDescriptor()) {
    // Signature optional; sizes are 8 bytes when the local header carried a ZIP64 field.
    const uint8_t* z64 = nullptr;
    size_t z64Size = 0;
    bool wide = findExtraField(lh.extra, kExtraZip64, &z64, &z64Size) || e.compressedSize >= k32Max ||
                e.uncompressedSize >= k32Max;
    uint8_t sig[4];
    bool hasSig = source_.read(end, sig, 4) && get32(sig) == kDataDescriptorSig;
    uint64_t len = (hasSig ? 4 : 0) + 4 + (wide ? 16 : 8);
    if (end + len <= source_.size()) end += len;
  }
  if (end > source_.size()) return false;
  range.end = end;
  return true;
}

WriterEntry ExistingArchive::CentralRecord(size_t i) const {
  const ZipEntry& e = index_.entries[i];
  WriterEntry w;
  w.name = e.rawName;
  w.versionMadeBy = e.versionMadeBy;
  w.versionNeeded = e.versionNeeded;
  w.flags = e.flags;
  w.method = e.method;
  w.dosDateTime = e.dosDateTime();
  w.crc = e.crc;
  w.compressedSize = e.compressedSize;
  w.size = e.uncompressedSize;
  w.diskStart = e.disk;
  w.internalAttributes = e.internalAttributes;
  w.externalAttributes = e.externalAttributes;
  w.localOffset = e.localHeaderOffset;
  w.centralExtra = StripZip64Extra(e.extra);
  w.comment = i < rawComments_.size() ? rawComments_[i] : e.comment;
  return w;
}

uint64_t ExistingArchive::PrefixLength() const {
  if (source_.spanned()) return 0;
  uint64_t first = index_.centralDirectoryOffset;
  for (auto& e : index_.entries) first = std::min(first, e.localHeaderPosition);
  return first;
}

bool ExistingArchive::GrowableInPlace() const {
  if (source_.spanned() || index_.prefixBytes != 0) return false;
  for (auto& e : index_.entries)
    if (e.overlaps) return false;
  return true;
}

}  // namespace zipcore
