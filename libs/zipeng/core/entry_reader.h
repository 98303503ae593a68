// Reading an entry is one chain of stages: the source's bytes, then decryption, then
// decompression, then the check (CRC-32 and the declared sizes). Listing, testing, extracting,
// viewing and repair all pull data through it. Output goes to a sink in pieces, so memory stays
// bounded for any entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "zipengine_abi.h"

namespace zipeng {

class AesCipher;
class ArchiveSource;
class ZipCrypto;
struct ZipEntry;

// Why an entry could not be read: zipabi::TZipSkipReason values, plus the ones below.
enum class EntryStatus {
  Ok,
  UnknownMethod,    // reason 1
  OverMemoryLimit,  // reason 1 too: its dictionary or window needs more memory than a decoder may
                    // take (kDecodeMemoryLimit); the data is not known to be damaged
  BadCrc,           // reason 2
  BadPassword,      // reason 5 (no password, or the check byte did not match)
  Corrupt,          // reason 6 (bad stream, sizes that the data contradicts, bad local header)
  SinkFailed,       // the sink refused the data (disk full, write error)
  OutOfMemory,      // a buffer or the decompressor could not be had: ends the operation (120)
  Aborted,          // the progress callback asked to stop
};

uint8_t skipReasonOf(EntryStatus status);

// Receives decompressed data; returns false to stop with SinkFailed.
using DataSink = std::function<bool(const uint8_t* data, size_t size)>;
// Called with the bytes produced so far; returns false to stop with Aborted.
using ProgressFn = std::function<bool(uint64_t produced)>;

// What the decompression stage is given: where the (possibly encrypted) data lies and what is
// known of it. Repair knows less than a directory does: it may not know where the data ends.
struct DecodeRequest {
  uint16_t method = 0;
  uint64_t dataPosition = 0;          // first byte after any encryption header
  uint64_t packed = 0;                // compressed bytes when `sizesKnown`, else the most there may be
  bool sizesKnown = true;             // `packed` and `size` are the entry's declared sizes
  uint64_t size = 0;                  // uncompressed bytes the data must yield when `sizesKnown`
  ZipCrypto* crypto = nullptr;        // decrypts what is read (header already taken off)
  AesCipher* aes = nullptr;           // or authenticates and decrypts it (salt already taken off)
  bool lzmaEndMarker = false;         // an LZMA stream that ends with its marker (flag bit 1)
  const uint8_t* inMemory = nullptr;  // the packed bytes, already read and decrypted
};

struct DecodeResult {
  EntryStatus status = EntryStatus::Ok;
  uint64_t consumed = 0;  // packed bytes the stream used
  uint64_t produced = 0;
  uint32_t crc = 0;
};

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

  // The decryption and decompression stages over a byte range, with the CRC of what came out;
  // the caller judges the CRC. Stored data needs known sizes.
  DecodeResult decode(ArchiveSource& source, const DecodeRequest& request, const DataSink& sink,
                      const ProgressFn& progress = {});

  // For an encrypted entry: whether `password` passes the header check (1 in 256 wrong passwords
  // pass too; the CRC then catches them). False also when the header cannot be read.
  bool passwordFits(ArchiveSource& source, const ZipEntry& entry, const std::string& password);

 private:
  // The AES keys for `entry` and `password`, derived once: the password check and the read that
  // follows it share them. Null when the password does not fit.
  const uint8_t* aesKeys(ArchiveSource& source, const ZipEntry& entry, const std::string& password,
                         uint64_t dataPos, const uint8_t* inMemory);
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zipeng
