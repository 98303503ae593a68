// Decompressing one entry's data and checking it: decryption, stored and deflate, CRC-32,
// declared sizes. Output goes to a sink in pieces, so memory stays bounded for any entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "zipengine_abi.h"

namespace zipeng {

class ArchiveSource;
struct ZipEntry;

// Why an entry could not be read: zipabi::TZipSkipReason values, plus the ones below.
enum class EntryStatus {
  Ok,
  UnknownMethod,    // reason 1
  BadCrc,           // reason 2
  BadPassword,      // reason 5 (no password, or the check byte did not match)
  Corrupt,          // reason 6 (bad stream, sizes that the data contradicts, bad local header)
  SinkFailed,       // the sink refused the data (disk full, write error)
  Aborted,          // the progress callback asked to stop
};

uint8_t skipReasonOf(EntryStatus status);

// Receives decompressed data; returns false to stop with SinkFailed.
using DataSink = std::function<bool(const uint8_t* data, size_t size)>;
// Called with the bytes produced so far; returns false to stop with Aborted.
using ProgressFn = std::function<bool(uint64_t produced)>;

// Reused across entries so large buffers and the decompressor are allocated once.
class EntryReader {
 public:
  EntryReader();
  ~EntryReader();
  EntryReader(const EntryReader&) = delete;
  EntryReader& operator=(const EntryReader&) = delete;

  // Entries whose compressed and uncompressed sizes are both at most this are inflated in one
  // call into one buffer; larger ones are streamed. Also the cap of any buffer allocated.
  static constexpr size_t kWholeBufferLimit = 16u << 20;

  // Reads and checks `entry`. `password` is used only when the entry is encrypted; an empty one
  // gives BadPassword. `progress` may be empty; it is called about every megabyte.
  EntryStatus read(ArchiveSource& source, const ZipEntry& entry, const std::string& password,
                   const DataSink& sink, const ProgressFn& progress = {});

  // For an encrypted entry: whether `password` passes the header check (1 in 256 wrong passwords
  // pass too; the CRC then catches them). False also when the header cannot be read.
  bool passwordFits(ArchiveSource& source, const ZipEntry& entry, const std::string& password);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zipeng
