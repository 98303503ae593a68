// A cheap look at a piece of input before compressing it: data that is already compressed or
// encrypted (photos, videos, archives) costs libdeflate as much time as text does, for nothing.
#pragma once

#include <cstddef>
#include <cstdint>

struct libdeflate_compressor;

namespace zipeng {

enum class InputLook {
  Compressible,  // compress at the level asked for
  Fastest,       // looks incompressible, yet may save a little: try the fastest level only
  Random,        // no more to save than in random bytes: store without trying
};

// Judges `size` bytes at `data`. A few slices spread over them are compressed at the fastest
// level (`fast`, a level-1 compressor); when all fail to save 1%, the input looks
// incompressible, and its byte counts decide between Fastest and Random. A slice sees only its
// own history, so data that repeats at distances above a slice is missed; small inputs are
// never judged (Compressible), their compression costs little.
InputLook lookAtInput(libdeflate_compressor* fast, const uint8_t* data, size_t size);

}  // namespace zipeng
