// Compressing one source file into an entry's data: libdeflate in one call for files that fit
// the bounded buffer; larger ones are streamed into the archive, compressed in blocks on all
// cores (compressor_blocks.h). Encryption, traditional or AES, is applied on the way out.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/temp_output.h"
#include "core/writer_records.h"

struct libdeflate_compressor;

namespace zipeng {

// Files up to this size are read whole and compressed in one call.
inline constexpr uint64_t kWholeFileLimit = 32ull << 20;
// Larger ones are compressed in blocks of this much input.
inline constexpr size_t kBlockSize = 1 << 20;

// Where large files begin and how they are cut. Tests put smaller sizes in place (as they put
// a file layer in place) so that the large-file path runs on small files.
struct LargeFileSizes {
  uint64_t wholeFileLimit = kWholeFileLimit;
  size_t blockSize = kBlockSize;
};
const LargeFileSizes& largeFileSizes();
// For tests: in place for the whole process until reset with nullptr.
void setLargeFileSizes(const LargeFileSizes* sizes);

class TaskRunner;

struct CompressJob {
  std::string path;
  uint64_t expectedSize = 0;              // from the directory walk; the file may since have changed
  int level = 6;                          // 0 stores
  bool store = false;                     // "-n" extension, or level 0
  const std::string* password = nullptr;  // non-null and non-empty: encrypt
  uint8_t aesStrength = 0;                // with a password: AES (1 128-bit, 3 256-bit keys), 0 traditional
  uint32_t dosDateTime = 0;               // for the check byte of streamed encrypted entries
};

// What came out for one file. `skipReason` >= 0 means the file could not be read.
struct CompressedData {
  int skipReason = -1;    // 0 not found, 4 cannot be opened or read
  int error = 0;          // a result code that ends the operation (out of memory)
  bool streamed = false;  // too large: compress with StreamCompressFile instead
  uint16_t method = kMethodStored;
  uint16_t flags = 0;
  uint8_t aesStrength = 0;  // encrypted with AES: `method` is the real method, the entry is marked so
  uint32_t crc = 0;
  uint64_t size = 0;
  std::string data;  // compressed (and encrypted) bytes
};

// Reusable per-thread state (libdeflate compressors by level).
class DeflateWorker {
 public:
  DeflateWorker();
  ~DeflateWorker();
  DeflateWorker(const DeflateWorker&) = delete;
  DeflateWorker& operator=(const DeflateWorker&) = delete;
  CompressedData compressWhole(const CompressJob& job);
  // Compresses a buffer already in memory.
  CompressedData compressBuffer(const CompressJob& job, const uint8_t* data, size_t size);

 private:
  libdeflate_compressor* compressors_[10] = {};
  std::string input_;  // reused from file to file, so its pages are faulted in once
};

// Streams a large file: writes the local header of `entry`, then the data, then fixes the header
// (or writes a data descriptor for an entry with traditional encryption). Fills entry's sizes, CRC, method
// and flags, and its disk and offset. `progress(percent)` returns false to abort. Blocks are compressed on
// `runner`'s threads and the calling one (only the calling one without a runner). Returns 0, a skip reason as
// -1 - reason (file unreadable), or a result code (> 0).
int streamCompressFile(const CompressJob& job, WriterEntry& entry, ArchiveSink& sink,
                       const std::function<bool(int)>& progress, TaskRunner* runner = nullptr);

// CRC-32 through libdeflate.
uint32_t crc32(uint32_t crc, const void* data, size_t size);

}  // namespace zipeng
