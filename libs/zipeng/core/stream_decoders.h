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
  // not hold.
  enum class Step { More, End, Corrupt, CheckFailed, OutOfMemory };
  virtual ~StreamDecoder() = default;
  // Takes from [in, in + inLeft) and writes into [out, out + outLeft), moving both forward.
  virtual Step run(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft) = 0;
};

// The most memory a decoder may take for its dictionary or window: a stream that asks for more
// is treated as damaged rather than allowed to claim the machine.
inline constexpr uint64_t kDecoderMemoryLimit = 512ull << 20;

// A decoder for `method`, or null when the method has none here. `size` is the uncompressed
// size when `sizeKnown`; `lzmaEndMarker` is general-purpose flag bit 1 (the LZMA stream ends
// with a marker). Null with `*outOfMemory` set when the library could not set itself up.
std::unique_ptr<StreamDecoder> makeStreamDecoder(uint16_t method, bool sizeKnown, uint64_t size, bool lzmaEndMarker,
                                                 bool* outOfMemory);

}  // namespace zipeng
