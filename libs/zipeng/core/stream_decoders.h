// The decompression stages of the streaming path, one per method that has a kept library:
// deflate (zlib), bzip2 (libbz2), LZMA with the ZIP's own header and XZ (liblzma), Zstandard
// (libzstd). Each is fed packed bytes in pieces and gives output in pieces, so memory stays
// bounded whatever an entry claims.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zipeng {

class StreamDecoder {
 public:
  // CheckFailed: the format's own integrity check (bzip2's block CRC, Zstandard's checksum) did
  // not hold. OverMemoryLimit: the stream asks for a dictionary or window larger than the
  // settings allow.
  enum class Step { More, End, Corrupt, CheckFailed, OutOfMemory, OverMemoryLimit };
  virtual ~StreamDecoder() = default;
  // Takes from [in, in + inLeft) and writes into [out, out + outLeft), moving both forward.
  // `inputEnds`: no input follows what is given.
  virtual Step run(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft, bool inputEnds) = 0;
};

// The most memory the decoding of one entry may hold: the decoder's dictionary or window with
// its tables, and the reader's own buffers. A stream that asks for more is refused, not allowed
// to claim the machine.
inline constexpr uint64_t kDecodeMemoryLimit = 512ull << 20;

struct StreamSettings {
  uint16_t method = 0;
  bool sizeKnown = false;  // `size` is the uncompressed size
  uint64_t size = 0;
  bool lzmaEndMarker = false;  // general-purpose flag bit 1: the LZMA stream ends with a marker
  // The input is the entry's data and ends where it ends: Zstandard frames and XZ streams may
  // then follow one another up to that end, as both formats allow. Otherwise the first one ends
  // the data (repair, which looks for where the data ends).
  bool concatenated = false;
  // What the decoder may take, all it allocates included: the bound less what the caller holds.
  uint64_t memoryLimit = kDecodeMemoryLimit;
};

// A decoder for `settings.method`, or null when the method has none here. Null with
// `*outOfMemory` set when the library could not set itself up.
std::unique_ptr<StreamDecoder> makeStreamDecoder(const StreamSettings& settings, bool* outOfMemory);

}  // namespace zipeng
