#include "core/incompressible.h"

#include <libdeflate.h>

namespace zipeng {

namespace {
constexpr size_t kSlices = 8;
constexpr size_t kSlice = 16 << 10;
}  // namespace

bool looksIncompressible(libdeflate_compressor* fast, const uint8_t* data, size_t size) {
  if (!fast || size < 4 * kSlices * kSlice) return false;
  // libdeflate returns 0 when the output does not fit: 99% of the slice is the bar.
  uint8_t out[kSlice * 99 / 100];
  size_t step = (size - kSlice) / (kSlices - 1);
  for (size_t k = 0; k < kSlices; ++k)
    if (libdeflate_deflate_compress(fast, data + k * step, kSlice, out, sizeof out) != 0) return false;
  return true;
}

}  // namespace zipeng
