#include "core/deflate_walk.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zipeng {

namespace {

constexpr unsigned kMaxCodeBits = 15;
constexpr unsigned kLitLenCodes = 288;
constexpr unsigned kDistCodes = 32;
constexpr unsigned kEndOfBlock = 256;
// Root tables small enough to stay in the first-level cache; longer codes are rare.
constexpr unsigned kLitLenRootBits = 10;
constexpr unsigned kDistRootBits = 8;
constexpr unsigned kPrecodeRootBits = 7;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block gives the lengths of the code-length code.
constexpr uint8_t kPrecodeOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Bits least significant first, as deflate packs them, through a 64-bit buffer that one load
// refills. Past the end it reads zeros; the walk finds the overrun from the position.
class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : begin_(data), next_(data), end_(data + size) {}

  // At least 48 bits in the buffer.
  void ensure() {
    if (available_ >= 48) return;
    if (end_ - next_ >= 8) {
      uint64_t word;
      std::memcpy(&word, next_, 8);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
      word = __builtin_bswap64(word);
#endif
      // The bits of a byte loaded only in part are loaded again, to the same place, next time.
      const unsigned bytes = (63 - available_) >> 3;
      buffer_ |= word << available_;
      next_ += bytes;
      available_ += bytes * 8;
      return;
    }
    while (available_ <= 56) {
      if (next_ < end_)
        buffer_ |= static_cast<uint64_t>(*next_++) << available_;
      else
        pastEnd_ += 8;
      available_ += 8;
    }
  }
  uint64_t bits() const {
    return buffer_;
  }
  void consume(unsigned count) {
    buffer_ >>= count;
    available_ -= count;
  }
  uint32_t read(unsigned count) {  // count <= 32
    ensure();
    const uint32_t value = static_cast<uint32_t>(buffer_ & ((uint64_t{1} << count) - 1));
    consume(count);
    return value;
  }
  void alignToByte() {
    ensure();
    consume(static_cast<unsigned>((8 - (position() & 7)) & 7));
  }
  // Passes over `bytes` whole bytes, from a byte boundary.
  void skipBytes(uint64_t bytes) {
    const uint64_t buffered = available_ / 8;
    if (bytes <= buffered) {
      for (uint64_t i = 0; i < bytes; ++i) consume(8);
      return;
    }
    bytes -= buffered;
    buffer_ = 0;
    available_ = 0;
    const auto left = static_cast<uint64_t>(end_ - next_);
    if (bytes <= left) {
      next_ += bytes;
    } else {
      pastEnd_ += (bytes - left) * 8;
      next_ = end_;
    }
  }
  bool pastEnd() const {
    return pastEnd_ != 0;
  }
  uint64_t position() const {
    return static_cast<uint64_t>(next_ - begin_) * 8 + pastEnd_ - available_;
  }
  bool overrun() const {
    return position() > static_cast<uint64_t>(end_ - begin_) * 8;
  }

 private:
  const uint8_t* begin_;
  const uint8_t* next_;
  const uint8_t* end_;
  uint64_t buffer_ = 0;
  unsigned available_ = 0;
  uint64_t pastEnd_ = 0;  // zero bits read beyond the end
};

// A decoding table looked up by the next `rootBits` bits of the stream; codes longer than that
// continue in a subtable. Each entry: a symbol << 8 and its code's full length, or a subtable's
// offset << 8, 0x80 and the subtable's index bits; 0 where no code begins.
struct CodeTable {
  std::vector<uint32_t> entries;
  unsigned rootBits = 0;
  uint64_t rootMask = 0;

  // The entry for the code at the start of `bits`: a symbol << 8 and its length, or 0.
  uint32_t lookup(uint64_t bits) const {
    uint32_t entry = entries[bits & rootMask];
    if (entry & 0x80)
      entry = entries[(entry >> 8) + ((bits >> rootBits) & ((uint64_t{1} << (entry & 15)) - 1))];
    return entry;
  }

  // From the code lengths of `count` symbols, with at most `maxRoot` bits at the root. An
  // over-subscribed code fails, and so does an incomplete one unless `oneCodeAllowed` and it is
  // a single code of one bit (as zlib reads them: a block with one distance, or none).
  bool build(const uint8_t* lengths, unsigned count, bool oneCodeAllowed, unsigned maxRoot) {
    unsigned counts[kMaxCodeBits + 1] = {};
    for (unsigned i = 0; i < count; ++i) ++counts[lengths[i]];
    counts[0] = 0;
    unsigned longest = 0;
    for (unsigned length = 1; length <= kMaxCodeBits; ++length)
      if (counts[length]) longest = length;
    int left = 1;
    for (unsigned length = 1; length <= kMaxCodeBits; ++length) {
      left = 2 * left - static_cast<int>(counts[length]);
      if (left < 0) return false;
    }
    if (longest > 0 && left > 0 && !(oneCodeAllowed && longest == 1)) return false;
    rootBits = std::max(1u, std::min(longest, maxRoot));
    rootMask = (uint64_t{1} << rootBits) - 1;
    const unsigned subBits = longest > rootBits ? longest - rootBits : 0;
    entries.assign(size_t{1} << rootBits, 0);
    unsigned next[kMaxCodeBits + 1] = {};
    for (unsigned length = 1, code = 0; length <= kMaxCodeBits; ++length) {
      code = (code + counts[length - 1]) << 1;
      next[length] = code;
    }
    for (unsigned symbol = 0; symbol < count; ++symbol) {
      const unsigned length = lengths[symbol];
      if (!length) continue;
      // Codes are sent from their highest bit: the tables are indexed by them reversed.
      unsigned code = next[length]++, reversed = 0;
      for (unsigned b = 0; b < length; ++b, code >>= 1) reversed = (reversed << 1) | (code & 1);
      const uint32_t entry = symbol << 8 | length;
      if (length <= rootBits) {
        for (size_t at = reversed; at < (size_t{1} << rootBits); at += size_t{1} << length)
          entries[at] = entry;
        continue;
      }
      const size_t root = reversed & rootMask;
      if (entries[root] == 0) {
        entries[root] = static_cast<uint32_t>(entries.size()) << 8 | 0x80 | subBits;
        entries.resize(entries.size() + (size_t{1} << subBits), 0);
      }
      const size_t sub = entries[root] >> 8;
      for (size_t at = reversed >> rootBits; at < (size_t{1} << subBits);
           at += size_t{1} << (length - rootBits))
        entries[sub + at] = entry;
    }
    return true;
  }
};

class Walker {
 public:
  Walker(const uint8_t* data, size_t size) : in_(data, size) {}

  bool run(DeflateWalk& walk) {
    for (;;) {
      const uint64_t header = in_.position();
      const bool final = in_.read(1) != 0;
      const unsigned type = in_.read(2);
      bool sound = false;
      if (type == 0)
        sound = storedBlock();
      else if (type == 1)
        sound = fixedCodes() && codedBlock();
      else if (type == 2)
        sound = dynamicCodes() && codedBlock();
      if (!sound || in_.overrun()) return false;
      if (final) {
        walk.lastHeaderBit = header;
        walk.endBit = in_.position();
        walk.decodedSize = decoded_;
        return true;
      }
    }
  }

 private:
  bool storedBlock() {
    in_.alignToByte();
    const uint32_t length = in_.read(16);
    const uint32_t check = in_.read(16);
    if (length != (~check & 0xFFFF)) return false;
    in_.skipBytes(length);
    decoded_ += length;
    return true;
  }

  bool fixedCodes() {
    uint8_t lengths[kLitLenCodes + kDistCodes];
    for (unsigned i = 0; i < kLitLenCodes; ++i) lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    for (unsigned i = 0; i < kDistCodes; ++i) lengths[kLitLenCodes + i] = 5;
    return litLen_.build(lengths, kLitLenCodes, false, kLitLenRootBits) &&
           dist_.build(lengths + kLitLenCodes, kDistCodes, false, kDistRootBits);
  }

  bool dynamicCodes() {
    const unsigned litLenCount = in_.read(5) + 257;
    const unsigned distCount = in_.read(5) + 1;
    const unsigned precodeCount = in_.read(4) + 4;
    if (litLenCount > 286 || distCount > 30) return false;
    uint8_t precodeLengths[19] = {};
    for (unsigned i = 0; i < precodeCount; ++i)
      precodeLengths[kPrecodeOrder[i]] = static_cast<uint8_t>(in_.read(3));
    if (!precode_.build(precodeLengths, 19, false, kPrecodeRootBits)) return false;
    uint8_t lengths[kLitLenCodes + kDistCodes] = {};
    const unsigned total = litLenCount + distCount;
    for (unsigned i = 0; i < total;) {
      in_.ensure();
      const uint32_t entry = precode_.lookup(in_.bits());
      if (!entry) return false;
      in_.consume(entry & 15);
      const unsigned symbol = entry >> 8;
      if (symbol < 16) {
        lengths[i++] = static_cast<uint8_t>(symbol);
        continue;
      }
      uint8_t repeated = 0;
      unsigned times = 0;
      if (symbol == 16) {
        if (i == 0) return false;
        repeated = lengths[i - 1];
        times = 3 + in_.read(2);
      } else if (symbol == 17) {
        times = 3 + in_.read(3);
      } else {
        times = 11 + in_.read(7);
      }
      if (i + times > total) return false;
      while (times--) lengths[i++] = repeated;
      if (in_.overrun()) return false;
    }
    if (lengths[kEndOfBlock] == 0) return false;
    return litLen_.build(lengths, litLenCount, true, kLitLenRootBits) &&
           dist_.build(lengths + litLenCount, distCount, true, kDistRootBits);
  }

  // Symbols up to the end of the block, each taken whole from the buffer: a length code with
  // its extra bits, then a distance code and its extra bits, fit in the 48 bits ensured.
  bool codedBlock() {
    for (;;) {
      in_.ensure();
      if (in_.pastEnd() && in_.overrun()) return false;
      uint64_t bits = in_.bits();
      const uint32_t entry = litLen_.lookup(bits);
      if (!entry) return false;
      unsigned used = entry & 15;
      const unsigned symbol = entry >> 8;
      if (symbol < kEndOfBlock) {
        ++decoded_;
        in_.consume(used);
        continue;
      }
      if (symbol == kEndOfBlock) {
        in_.consume(used);
        return true;
      }
      const unsigned lengthCode = symbol - 257;
      if (lengthCode >= 29) return false;
      bits >>= used;
      const unsigned lengthExtra = kLengthExtra[lengthCode];
      const uint64_t length = kLengthBase[lengthCode] + (bits & ((uint64_t{1} << lengthExtra) - 1));
      bits >>= lengthExtra;
      used += lengthExtra;
      const uint32_t distEntry = dist_.lookup(bits);
      if (!distEntry) return false;
      const unsigned distCode = distEntry >> 8;
      if (distCode >= 30) return false;
      bits >>= distEntry & 15;
      used += distEntry & 15;
      const unsigned distExtra = kDistExtra[distCode];
      const uint64_t distance = kDistBase[distCode] + (bits & ((uint64_t{1} << distExtra) - 1));
      used += distExtra;
      if (distance > decoded_) return false;
      decoded_ += length;
      in_.consume(used);
    }
  }

  BitReader in_;
  uint64_t decoded_ = 0;
  CodeTable precode_, litLen_, dist_;
};

}  // namespace

bool walkDeflateStream(const uint8_t* data, size_t size, DeflateWalk& walk) {
  return Walker(data, size).run(walk);
}

}  // namespace zipeng
