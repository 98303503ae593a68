// Lays entries into a sink and ends the archive with its central directory and end records.
// Unchanged entries are copied as raw bytes (runs of adjacent entries in one copy).
#pragma once

#include <string>
#include <vector>

#include "core/compressor_deflate.h"
#include "core/temp_output.h"
#include "core/writer_records.h"
#include "zip/existing_archive.h"

namespace zipeng {

class ArchiveWriter {
 public:
  explicit ArchiveWriter(ArchiveSink& sink) : sink_(sink) {}

  // Copies entry i of `from` unchanged (queued; adjacent entries are copied together).
  int copyEntry(ExistingArchive& from, size_t i);
  // Copies every entry of `from` with keep[i] set, in as few copies as the layout allows:
  // an entry's bytes run to where the next one starts, so no local header needs reading.
  int copyKept(ExistingArchive& from, const std::vector<char>& keep);
  // Records an entry that stays where it is (growing in place).
  void keepInPlace(WriterEntry e) { entries_.push_back(std::move(e)); }
  // The same, with its central record as stored; such records come first in the directory.
  // The bytes are not copied: they must outlive Finish.
  void keepRawCentral(std::string_view record) {
    if (!rawCentral_.empty() && rawCentral_.back().data() + rawCentral_.back().size() == record.data())
      rawCentral_.back() =
          std::string_view(rawCentral_.back().data(), rawCentral_.back().size() + record.size());
    else
      rawCentral_.push_back(record);
    ++rawCount_;
  }
  // Writes a new entry whose data is already compressed.
  int addData(WriterEntry e, const CompressedData& d);
  // Writes a new entry by streaming its file (too large for the buffer), its blocks compressed
  // on `runner`'s threads as well as the calling one.
  int addStreamed(WriterEntry e, const CompressJob& job, const std::function<bool(int)>& progress,
                  int* skipReason, TaskRunner* runner = nullptr);
  // Writes raw bytes (the prefix of a self-extracting archive).
  int writeRaw(ExistingArchive& from, uint64_t start, uint64_t length);

  // Writes the central directory and end records. The sink still needs Commit.
  int finish(const std::string& comment);
  // Finish, then commit the sink; on any failure the sink is discarded, so the old archive
  // stays as it was. Returns 0 or the error code.
  int finishAndCommit(const std::string& comment);

  std::vector<WriterEntry>& entries() { return entries_; }
  size_t count() const { return rawCount_ + entries_.size(); }

 private:
  int flushCopies();

  ArchiveSink& sink_;
  std::vector<WriterEntry> entries_;
  std::vector<std::string_view> rawCentral_;  // runs of stored records, into the old directory
  size_t rawCount_ = 0;
  // The run of adjacent entries waiting to be copied.
  ExistingArchive* runFrom_ = nullptr;
  uint64_t runStart_ = 0, runEnd_ = 0;
  std::vector<std::pair<size_t, uint64_t>> runEntries_;  // writer index, source position
};

}  // namespace zipeng
