// A cheap look at a piece of input before compressing it: data that is already compressed or
// encrypted (photos, videos, archives) costs libdeflate as much time as text does, for nothing.
#pragma once

#include <cstddef>
#include <cstdint>

struct libdeflate_compressor;

namespace zipeng {

// True when `size` bytes at `data` look incompressible: a few slices spread over them, each
// compressed at the fastest level (`fast`, a level-1 compressor), all fail to save 1%. A slice
// sees only its own history, so data that repeats at distances above a slice is missed; small
// inputs are never judged (false), their compression costs little.
bool looksIncompressible(libdeflate_compressor* fast, const uint8_t* data, size_t size);

}  // namespace zipeng
