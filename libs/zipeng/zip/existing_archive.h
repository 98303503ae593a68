// The archive being changed, as the write side needs it: its parsed directory, the raw byte
// range of each entry (for copying unchanged entries without recompressing) and the raw
// central-directory comments.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/archive_index.h"
#include "core/archive_source.h"
#include "core/callback.h"
#include "core/unique_fd.h"
#include "core/writer_records.h"

namespace zipeng {

class ExistingArchive {
 public:
  ExistingArchive() = default;
  ExistingArchive(const ExistingArchive&) = delete;
  ExistingArchive& operator=(const ExistingArchive&) = delete;

  // Opens and parses the archive. Returns 0, 100 when it does not exist, or the read side's code.
  // Names without the UTF-8 flag are read in `nameCharset` (detected when empty).
  int open(const std::string& path, bool spanned, const std::string& nameCharset, Callback& cb);
  // For appending in place only: reads the end record and walks the directory for names and
  // records, nothing more. False (nothing opened) when the archive is anything but a plain,
  // self-consistent single file with names that need no conversion; use Open then.
  bool openForAppend(const std::string& path);
  bool lean() const { return lean_; }

  ArchiveSource& source() { return source_; }
  const ArchiveIndex& index() const { return index_; }
  size_t count() const { return lean_ ? leanNames_.size() : index_.entries.size(); }
  // The full record; not available after OpenForAppend.
  const ZipEntry& entry(size_t i) const { return index_.entries[i]; }
  std::string_view name(size_t i) const {
    return lean_ ? leanNames_[i] : std::string_view(index_.entries[i].name);
  }
  const std::string& comment() const { return index_.rawComment; }
  // Where the directory starts: new entries go there when growing in place.
  uint64_t appendOffset() const { return index_.centralDirectoryOffset; }
  // The directory as stored (empty when it could not be read whole).
  const std::string& rawDirectory() const { return cd_; }

  // Bytes of entry i: its local header from `start` to `dataStart`, its data and data descriptor
  // up to `end`. False when the local header cannot be read.
  struct Range {
    uint64_t start = 0, dataStart = 0, end = 0;
  };
  bool entryRange(size_t i, Range& range);

  // The central record fields of entry i, for writing it again unchanged.
  WriterEntry centralRecord(size_t i) const;
  // Entry i's central record exactly as stored (empty when the directory could not be
  // walked); valid as it stands while the entry stays where it is.
  std::string_view rawCentral(size_t i) const;

  // A plain descriptor of the archive file for in-kernel copying (-1 for a spanned set).
  int rawFd() const { return rawFd_.get(); }
  bool spanned() const { return source_.spanned(); }
  // Bytes before the first entry (a self-extractor stub), kept at the front of a rewrite.
  uint64_t prefixLength();
  // True when its entries can be kept where they are and new ones appended in place.
  bool growableInPlace() const;

 private:
  // Walks the stored directory for where each record and its comment start; with `names`, also
  // collects the names, refusing records that the quick append cannot keep as they are.
  bool indexRawRecords(std::vector<std::string_view>* names);

  ArchiveSource source_;
  ArchiveIndex index_;
  std::string cd_;                      // the central directory as stored
  std::vector<uint32_t> recordStart_;   // entry i's record is cd_[recordStart_[i], recordStart_[i + 1])
  std::vector<uint32_t> commentStart_;  // and its comment starts here
  UniqueFd rawFd_;
  bool lean_ = false;
  std::vector<std::string_view> leanNames_;  // into cd_
};

}  // namespace zipeng
