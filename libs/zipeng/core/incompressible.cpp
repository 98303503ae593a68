#include "core/incompressible.h"

#include <libdeflate.h>

#include <cmath>

namespace zipeng {

namespace {
constexpr size_t kSlices = 8;
constexpr size_t kSlice = 16 << 10;

// Bytes an ideal coder of single bytes would save on the input. On random bytes it is about
// 23 whatever the size (255 / (16 ln 2), from the counts' chance spread), with a spread of 2.
double orderZeroSaving(const uint8_t* data, size_t size) {
  // Four tables, so that runs of one byte value do not wait on one counter.
  uint32_t counts[4][256] = {};
  size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    ++counts[0][data[i]];
    ++counts[1][data[i + 1]];
    ++counts[2][data[i + 2]];
    ++counts[3][data[i + 3]];
  }
  for (; i < size; ++i) ++counts[0][data[i]];
  double bits = 0;
  for (int v = 0; v < 256; ++v) {
    double n = double(counts[0][v]) + counts[1][v] + counts[2][v] + counts[3][v];
    if (n > 0) bits -= n * std::log2(n / double(size));
  }
  return double(size) - bits / 8;
}
}  // namespace

InputLook lookAtInput(libdeflate_compressor* fast, const uint8_t* data, size_t size) {
  if (!fast || size < 4 * kSlices * kSlice) return InputLook::Compressible;
  // libdeflate returns 0 when the output does not fit: 99% of the slice is the bar.
  uint8_t out[kSlice * 99 / 100];
  size_t step = (size - kSlice) / (kSlices - 1);
  for (size_t k = 0; k < kSlices; ++k)
    if (libdeflate_deflate_compress(fast, data + k * step, kSlice, out, sizeof out) != 0)
      return InputLook::Compressible;
  // Trying the whole input at the fastest level costs about as much as compressing text, and
  // on encrypted or random bytes it never saves anything. Byte counts skewed beyond chance (a
  // few times what random bytes show) are worth the try; photos and packed code show them.
  return orderZeroSaving(data, size) > 128 ? InputLook::Fastest : InputLook::Random;
}

}  // namespace zipeng
