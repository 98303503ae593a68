// Walking a raw deflate stream block by block without writing what it decodes: where its last
// block begins, so that a large file's separately compressed blocks can be joined into one
// stream. Decoding each block into memory only to learn that cost a sixth of compressing it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zipeng {

struct DeflateWalk {
  uint64_t lastHeaderBit = 0;  // bit position of the final block's header
  uint64_t endBit = 0;         // bit position just after the final block
  uint64_t decodedSize = 0;    // bytes the stream decodes to
};

// Walks the complete stream of `size` bytes at `data`. False when it is not a sound stream
// (a bad block type or code, a distance before its start, a stored length that does not check,
// or no final block within the bytes given).
bool walkDeflateStream(const uint8_t* data, size_t size, DeflateWalk& walk);

}  // namespace zipeng
