// Deflate64 (ZIP method 9): deflate with a 64 KiB window, 16 extra bits on length code 285
// (lengths 3..65538) and distance codes 30 and 31 in use (distances up to 65536). Some archivers
// pick it for large files, and no system library decodes it, so the engine carries its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace zipeng {

enum class Deflate64Status { End, Corrupt, Stopped, OutOfMemory };

struct Deflate64Result {
  Deflate64Status status;
  uint64_t consumed;  // compressed bytes the stream used, its last partial byte included
  uint64_t produced;  // decoded bytes the output accepted
};

// Pulls compressed bytes with `input(buffer, capacity)` (returns how many it put there; 0 = none
// left), hands decoded bytes to `output(data, size)` (returns false to stop: status Stopped).
// Decodes one stream up to its final block; bytes pulled beyond its end are not counted in
// `consumed`. Memory is a fixed window and buffers, whatever the input says.
Deflate64Result inflate64(const std::function<size_t(uint8_t*, size_t)>& input,
                          const std::function<bool(const uint8_t*, size_t)>& output);

}  // namespace zipeng
