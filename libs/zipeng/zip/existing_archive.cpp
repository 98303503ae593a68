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

  // The records exactly as stored (the parsed comments are converted to UTF-8).
  if (index_.centralDirectorySize < UINT32_MAX) {
    cd_.assign(index_.centralDirectorySize, '\0');
    if (!cd_.empty() && !source_.read(index_.centralDirectoryOffset, cd_.data(), cd_.size())) cd_.clear();
  }
  ByteReader r(reinterpret_cast<const uint8_t*>(cd_.data()), cd_.size());
  recordStart_.reserve(index_.entries.size() + 1);
  commentStart_.reserve(index_.entries.size());
  for (size_t i = 0; i < index_.entries.size() && r.remaining() >= kCentralHeaderSize; ++i) {
    uint32_t start = static_cast<uint32_t>(r.position() - reinterpret_cast<const uint8_t*>(cd_.data()));
    const uint8_t* h = r.take(kCentralHeaderSize);
    if (!h || get32(h) != kCentralHeaderSig) break;
    uint16_t n = get16(h + 28), m = get16(h + 30), k = get16(h + 32);
    r.take(n);
    r.take(m);
    uint32_t comment = static_cast<uint32_t>(r.position() - reinterpret_cast<const uint8_t*>(cd_.data()));
    r.take(k);
    if (!r.ok()) break;
    recordStart_.push_back(start);
    commentStart_.push_back(comment);
  }
  if (recordStart_.size() == index_.entries.size()) {
    recordStart_.push_back(static_cast<uint32_t>(r.position() - reinterpret_cast<const uint8_t*>(cd_.data())));
  } else {
    recordStart_.clear();
    commentStart_.clear();
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
  if (i < commentStart_.size())
    w.comment = cd_.substr(commentStart_[i], recordStart_[i + 1] - commentStart_[i]);
  else
    w.comment = e.comment;
  return w;
}

std::string_view ExistingArchive::RawCentral(size_t i) const {
  if (i + 1 >= recordStart_.size()) return {};
  return std::string_view(cd_).substr(recordStart_[i], recordStart_[i + 1] - recordStart_[i]);
}

uint64_t ExistingArchive::PrefixLength() {
  if (source_.spanned()) return 0;
  uint64_t first = index_.centralDirectoryOffset;
  for (auto& e : index_.entries) first = std::min(first, e.localHeaderPosition);
  // A stub is not zip data: bytes that begin with a local header are an entry replaced in
  // place, left unreferenced, and are not carried over.
  uint8_t sig[4];
  if (first >= 4 && source_.read(0, sig, 4) && get32(sig) == kLocalHeaderSig) return 0;
  return first;
}

bool ExistingArchive::GrowableInPlace() const {
  if (source_.spanned() || index_.prefixBytes != 0) return false;
  for (auto& e : index_.entries)
    if (e.overlaps) return false;
  return true;
}

}  // namespace zipcore
