#include "zip/existing_archive.h"

#include <fcntl.h>
#include <unistd.h>

#include "core/local_header.h"
#include "core/zip_format.h"

namespace zipeng {

int ExistingArchive::open(const std::string& path, bool spanned, const std::string& nameCharset,
                          Callback& cb) {
  int rc;
  if (spanned) {
    rc = source_.openSpanned(path, [&cb](int32_t disk) { return !cb.sendInt(zipabi::zcmNewDisk, disk); });
  } else {
    rc = source_.openFile(path);
  }
  if (rc != 0) return rc;
  rc = readArchiveIndex(source_, index_, spanned, nullptr, nameCharset);
  if (rc != 0) return rc;
  if (!source_.spanned()) rawFd_.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));

  // The records exactly as stored (the parsed comments are converted to UTF-8).
  if (index_.centralDirectorySize < UINT32_MAX) {
    cd_.assign(index_.centralDirectorySize, '\0');
    if (!cd_.empty() && !source_.read(index_.centralDirectoryOffset, cd_.data(), cd_.size())) cd_.clear();
  }
  if (!indexRawRecords(nullptr) || recordStart_.size() != index_.entries.size() + 1) {
    recordStart_.clear();
    commentStart_.clear();
  }
  return 0;
}

bool ExistingArchive::indexRawRecords(std::vector<std::string_view>* names) {
  ArchiveSource directory;
  directory.openMemory(reinterpret_cast<const uint8_t*>(cd_.data()), cd_.size());
  int32_t failure = 0;
  bool walked = walkCentralDirectory(
      directory, 0, cd_.size(),
      [&](const uint8_t* h, size_t, uint64_t offset) {
        uint16_t flags = get16(h + 8), n = get16(h + 28), m = get16(h + 30);
        recordStart_.push_back(static_cast<uint32_t>(offset));
        commentStart_.push_back(static_cast<uint32_t>(offset + kCentralHeaderSize + n + m));
        if (!names) return true;
        // For appending only plain records: one disk, an offset before the directory, a name that
        // needs no conversion (a code page 437 name goes the full way, which converts it).
        std::string_view name(cd_.data() + offset + kCentralHeaderSize, n);
        uint32_t localOffset = get32(h + 42);
        if (get16(h + 34) != 0 || (localOffset != k32Max && localOffset >= index_.centralDirectoryOffset))
          return false;
        if (!(flags & kFlagUtf8))
          for (unsigned char c : name)
            if (c >= 0x80) return false;
        names->push_back(name);
        return true;
      },
      &failure);
  if (walked) recordStart_.push_back(static_cast<uint32_t>(cd_.size()));
  return walked;
}

bool ExistingArchive::openForAppend(const std::string& path) {
  if (source_.openFile(path) != 0) return false;
  const uint64_t size = source_.size();
  int32_t failure = 0;
  std::vector<EndRecord> candidates = findEndRecords(source_, &failure);
  // Only the plainest case takes the quick way: the first end record ends the file, names one
  // disk, and the directory ends exactly where the end records begin, with no prefix data.
  if (candidates.empty()) return false;
  const EndRecord& end = candidates.front();
  if (!end.endsFile(size) || end.disk != 0 || end.cdDisk != 0) return false;
  if (end.cdSize > end.cdEnd || end.cdEnd - end.cdSize != end.cdOffset || end.cdSize > UINT32_MAX)
    return false;
  cd_.resize(static_cast<size_t>(end.cdSize));
  if (!cd_.empty() && !source_.read(end.cdOffset, cd_.data(), cd_.size())) return false;
  index_.centralDirectoryOffset = end.cdOffset;
  index_.centralDirectorySize = end.cdSize;
  leanNames_.reserve(
      static_cast<size_t>(std::min<uint64_t>(end.totalEntries, end.cdSize / kCentralHeaderSize)));
  if (!indexRawRecords(&leanNames_) || leanNames_.size() != end.totalEntries) return false;
  index_.rawComment.resize(end.commentLength);
  if (end.commentLength &&
      !source_.read(end.position + kEndOfCentralSize, index_.rawComment.data(), end.commentLength))
    return false;
  lean_ = true;
  return true;
}

bool ExistingArchive::entryRange(size_t i, Range& range) {
  const ZipEntry& e = index_.entries[i];
  LocalHeader lh;
  if (!readLocalHeader(source_, e.localHeaderPosition, lh)) return false;
  range.start = e.localHeaderPosition;
  range.dataStart = lh.dataPosition;
  if (lh.dataPosition > source_.size() || e.compressedSize > source_.size() - lh.dataPosition) return false;
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
