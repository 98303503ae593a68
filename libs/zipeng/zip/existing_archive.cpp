#include "zip/existing_archive.h"

#include <fcntl.h>
#include <unistd.h>

#include "core/local_header.h"
#include "core/zip_format.h"

namespace zipeng {

ExistingArchive::~ExistingArchive() {
  if (rawFd_ >= 0) close(rawFd_);
}

int ExistingArchive::open(const std::string& path, bool spanned, Callback& cb) {
  int rc;
  if (spanned) {
    rc = source_.openSpanned(path, [&cb](int32_t disk) { return !cb.sendInt(zipabi::zcmNewDisk, disk); });
  } else {
    rc = source_.openFile(path);
  }
  if (rc != 0) return rc;
  rc = readArchiveIndex(source_, index_, spanned);
  if (rc != 0) return rc;
  if (!source_.spanned()) rawFd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);

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

bool ExistingArchive::openForAppend(const std::string& path) {
  if (source_.openFile(path) != 0) return false;
  const uint64_t size = source_.size();
  if (size < kEndOfCentralSize) return false;
  // The end record, searched backwards through the longest comment it may carry.
  size_t window = static_cast<size_t>(std::min<uint64_t>(size, kEndOfCentralSize + kMaxCommentLength));
  std::string tail(window, '\0');
  if (!source_.read(size - window, tail.data(), window)) return false;
  const uint8_t* t = reinterpret_cast<const uint8_t*>(tail.data());
  size_t at = window - kEndOfCentralSize + 1;
  bool found = false;
  while (at-- > 0) {
    if (get32(t + at) == kEndOfCentralSig && at + kEndOfCentralSize + get16(t + at + 20) == window) {
      found = true;
      break;
    }
  }
  if (!found) return false;
  const uint8_t* e = t + at;
  uint64_t endPos = size - window + at;
  uint64_t count = get16(e + 10), cdSize = get32(e + 12), cdOffset = get32(e + 16);
  if (get16(e + 4) != 0 || get16(e + 6) != 0 || get16(e + 8) != get16(e + 10)) return false;
  uint64_t cdEnd = endPos;
  if (count == k16Max || cdSize == k32Max || cdOffset == k32Max) {
    // ZIP64: the locator sits right before the end record.
    if (endPos < kZip64LocatorSize + kZip64EndSize) return false;
    uint8_t loc[kZip64LocatorSize], rec[kZip64EndSize];
    if (!source_.read(endPos - kZip64LocatorSize, loc, sizeof loc) || get32(loc) != kZip64LocatorSig) return false;
    uint64_t recPos = get64(loc + 8);
    if (recPos + kZip64EndSize > endPos - kZip64LocatorSize || !source_.read(recPos, rec, sizeof rec) ||
        get32(rec) != kZip64EndSig || get32(rec + 16) != 0 || get32(rec + 20) != 0)
      return false;
    count = get64(rec + 32);
    cdSize = get64(rec + 40);
    cdOffset = get64(rec + 48);
    cdEnd = recPos;
  }
  // Anything but a directory that ends exactly where the end records begin goes the full way.
  if (cdOffset > cdEnd || cdEnd - cdOffset != cdSize || cdSize > UINT32_MAX) return false;
  cd_.resize(cdSize);
  if (cdSize && !source_.read(cdOffset, cd_.data(), cdSize)) return false;
  ByteReader r(reinterpret_cast<const uint8_t*>(cd_.data()), cd_.size());
  const uint8_t* base = reinterpret_cast<const uint8_t*>(cd_.data());
  leanNames_.reserve(static_cast<size_t>(std::min<uint64_t>(count, cdSize / kCentralHeaderSize)));
  while (r.remaining() > 0) {
    uint32_t start = static_cast<uint32_t>(r.position() - base);
    const uint8_t* h = r.take(kCentralHeaderSize);
    if (!h || get32(h) != kCentralHeaderSig) return false;
    uint16_t flags = get16(h + 8), n = get16(h + 28), m = get16(h + 30), k = get16(h + 32);
    uint32_t offset = get32(h + 42);
    const uint8_t* name = r.take(n);
    r.take(m);
    uint32_t comment = static_cast<uint32_t>(r.position() - base);
    r.take(k);
    if (!r.ok() || get16(h + 34) != 0) return false;
    if (offset != k32Max && offset >= cdOffset) return false;
    std::string_view nm(reinterpret_cast<const char*>(name), n);
    if (!(flags & kFlagUtf8))
      for (unsigned char c : nm)
        if (c >= 0x80) return false;  // a code page 437 name: the full parse converts it
    recordStart_.push_back(start);
    commentStart_.push_back(comment);
    leanNames_.push_back(nm);
  }
  if (leanNames_.size() != count) return false;
  recordStart_.push_back(static_cast<uint32_t>(cd_.size()));
  index_.centralDirectoryOffset = cdOffset;
  index_.centralDirectorySize = cdSize;
  index_.rawComment.assign(tail, at + kEndOfCentralSize, get16(e + 20));
  lean_ = true;
  return true;
}

bool ExistingArchive::entryRange(size_t i, Range& range) {
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

WriterEntry ExistingArchive::centralRecord(size_t i) const {
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
  w.centralExtra = stripZip64Extra(e.extra);
  if (i < commentStart_.size())
    w.comment = cd_.substr(commentStart_[i], recordStart_[i + 1] - commentStart_[i]);
  else
    w.comment = e.comment;
  return w;
}

std::string_view ExistingArchive::rawCentral(size_t i) const {
  if (i + 1 >= recordStart_.size()) return {};
  return std::string_view(cd_).substr(recordStart_[i], recordStart_[i + 1] - recordStart_[i]);
}

uint64_t ExistingArchive::prefixLength() {
  if (source_.spanned()) return 0;
  uint64_t first = index_.centralDirectoryOffset;
  for (auto& e : index_.entries) first = std::min(first, e.localHeaderPosition);
  // A stub is not zip data: bytes that begin with a local header are an entry replaced in
  // place, left unreferenced, and are not carried over.
  uint8_t sig[4];
  if (first >= 4 && source_.read(0, sig, 4) && get32(sig) == kLocalHeaderSig) return 0;
  return first;
}

bool ExistingArchive::growableInPlace() const {
  if (lean_) return true;
  if (source_.spanned() || index_.prefixBytes != 0) return false;
  for (auto& e : index_.entries)
    if (e.overlaps) return false;
  return true;
}

}  // namespace zipeng
