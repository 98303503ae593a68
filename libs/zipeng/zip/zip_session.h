// What every operation of the compression library shares: the parsed command, the caller's
// callback, and the helpers that send entry records and open the output for a rewrite.
#pragma once

#include <memory>
#include <string>

#include "core/callback.h"
#include "core/temp_output.h"
#include "core/writer_records.h"
#include "zip/existing_archive.h"
#include "zip/zip_command.h"

namespace zipeng {

struct ZipSession {
  ZipCommand cmd;
  Callback& cb;

  // 1000, 1010, 1030: an entry record. Returns true when the caller asked to stop.
  bool sendEntry(int32_t message, const WriterEntry& e, uint8_t percent = 0);
  // 120: asks for a file's comment; empty when the caller leaves the record as it came.
  std::string askFileComment(const std::string& name);
  // 110 before a new segment; false when the caller stops.
  bool newDisk(uint32_t disk) { return !cb.sendInt(zipabi::zcmNewDisk, static_cast<int32_t>(disk)); }

  // The sink a rewrite goes to: the spanned set, the archive itself (growing in place, when
  // asked and possible) or a temporary copy. Sets *inPlace. Null with *error set on failure.
  std::unique_ptr<ArchiveSink> openOutput(ExistingArchive* existing, bool growInPlace, bool* inPlace,
                                          int* error);
};

// The attribute byte of the records (read-only, hidden, volume label, directory).
uint8_t writerAttributes(const WriterEntry& e);

}  // namespace zipeng
