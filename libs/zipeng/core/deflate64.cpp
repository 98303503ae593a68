#include "deflate64.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>

namespace zipeng {

namespace {

static_assert(std::endian::native == std::endian::little, "the bit buffer loads input words little-endian");

using InputFn = std::function<size_t(uint8_t*, size_t)>;
using OutputFn = std::function<bool(const uint8_t*, size_t)>;

// The window keeps 64 KiB of history in front of up to 256 KiB of fresh output. Once the fresh
// part passes the flush mark it goes out in one piece and the last 64 KiB slide to the front. A
// symbol starts only below the mark, so the longest match, with the 8-byte copy loop's overrun,
// fits behind it.
constexpr uint32_t kHistory = 1u << 16;
constexpr uint32_t kMaxMatch = 65538;
constexpr uint32_t kFlushMark = kHistory + (256u << 10);
constexpr uint32_t kCopyOverrun = 8;
constexpr size_t kWindowSize = size_t(kFlushMark) + kMaxMatch + kCopyOverrun;
constexpr size_t kInputSize = 64u << 10;

// A decoding table is indexed by the next bits of input; codes longer than its primary bits go
// through a link to a sub-table indexed by the bits after those.
struct HuffEntry {
  uint16_t value;  // literal, length or distance base, code-length symbol, or sub-table offset
  uint8_t bits;    // code bits to drop (for a link, the primary bits)
  uint8_t op;      // below kOpLink: the extra bits after the code; else one of the kinds below
};
constexpr uint8_t kOpLink = 0x20;  // | the sub-table's index bits
constexpr uint8_t kOpEnd = 0x40;
constexpr uint8_t kOpBad = 0x60;  // no code has these bits, or its symbol is not allowed
constexpr uint8_t kOpLiteral = 0x80;
constexpr uint8_t kOpKindMask = 0xE0;
constexpr uint8_t kOpLinkBitsMask = 0x1F;

constexpr unsigned kMaxCodeBits = 15;
constexpr unsigned kLitBits = 10;
constexpr unsigned kDistBits = 8;
constexpr unsigned kCodeLengthBits = 7;  // code-length codes are at most 7 bits: no sub-tables
constexpr unsigned kMaxLitCodes = 288;
constexpr unsigned kMaxDistCodes = 32;
// Each sub-table holds at least one code of its own, so one full-size sub-table per symbol bounds
// the space whatever lengths a stream declares.
constexpr size_t kLitTableSize = (1u << kLitBits) + kMaxLitCodes * (1u << (kMaxCodeBits - kLitBits));
constexpr size_t kDistTableSize = (1u << kDistBits) + kMaxDistCodes * (1u << (kMaxCodeBits - kDistBits));

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
constexpr uint16_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                    49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

enum class Alphabet { LitLen, Distance, CodeLength };

HuffEntry symbolEntry(Alphabet alphabet, unsigned symbol) {
  switch (alphabet) {
    case Alphabet::LitLen:
      if (symbol < 256) return {uint16_t(symbol), 0, kOpLiteral};
      if (symbol == 256) return {0, 0, kOpEnd};
      if (symbol < 286) return {kLengthBase[symbol - 257], 0, kLengthExtra[symbol - 257]};
      return {0, 0, kOpBad};  // 286 and 287 take part in the code but mean nothing
    case Alphabet::Distance:
      return {kDistBase[symbol], 0, kDistExtra[symbol]};
    case Alphabet::CodeLength:
      return {uint16_t(symbol), 0, 0};
  }
  return {0, 0, kOpBad};
}

// Fills `table` for the canonical code of `lengths`. Refuses an over-subscribed code, and an
// incomplete one except the two deflate allows: a single one-bit code, and no distance code at
// all (a block of literals only). Unused bit patterns decode as kOpBad.
bool buildTable(const uint8_t* lengths, unsigned count, Alphabet alphabet, unsigned primaryBits,
                HuffEntry* table, size_t capacity) {
  unsigned lengthCount[kMaxCodeBits + 1] = {};
  for (unsigned s = 0; s < count; ++s) ++lengthCount[lengths[s]];
  const unsigned used = count - lengthCount[0];
  int left = 1;
  for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
    left = (left << 1) - int(lengthCount[len]);
    if (left < 0) return false;
  }
  if (left > 0) {
    const bool loneBit = used == 1 && lengthCount[1] == 1;
    const bool none = used == 0 && alphabet == Alphabet::Distance;
    if (alphabet == Alphabet::CodeLength || !(loneBit || none)) return false;
  }

  uint32_t next[kMaxCodeBits + 1] = {};
  lengthCount[0] = 0;
  for (unsigned len = 1, code = 0; len <= kMaxCodeBits; ++len) {
    code = (code + lengthCount[len - 1]) << 1;
    next[len] = code;
  }
  // Codes arrive most significant bit first; the table is indexed by bits as they come.
  const uint32_t primarySize = 1u << primaryBits;
  uint16_t reversed[kMaxLitCodes];
  uint8_t subBits[1u << kLitBits] = {};
  for (unsigned s = 0; s < count; ++s) {
    const unsigned len = lengths[s];
    if (!len) continue;
    const uint32_t code = next[len]++;
    uint32_t r = 0;
    for (unsigned b = 0; b < len; ++b) r |= ((code >> b) & 1u) << (len - 1 - b);
    reversed[s] = uint16_t(r);
    if (len > primaryBits) {
      uint8_t& bits = subBits[r & (primarySize - 1)];
      bits = std::max(bits, uint8_t(len - primaryBits));
    }
  }
  std::fill_n(table, primarySize, HuffEntry{0, 0, kOpBad});
  size_t offset = primarySize;
  for (uint32_t prefix = 0; prefix < primarySize; ++prefix) {
    if (!subBits[prefix]) continue;
    const size_t size = size_t(1) << subBits[prefix];
    if (offset + size > capacity) return false;
    table[prefix] = {uint16_t(offset), uint8_t(primaryBits), uint8_t(kOpLink | subBits[prefix])};
    std::fill_n(table + offset, size, HuffEntry{0, 0, kOpBad});
    offset += size;
  }
  for (unsigned s = 0; s < count; ++s) {
    const unsigned len = lengths[s];
    if (!len) continue;
    HuffEntry entry = symbolEntry(alphabet, s);
    const uint32_t r = reversed[s];
    if (len <= primaryBits) {
      entry.bits = uint8_t(len);
      for (uint32_t i = r; i < primarySize; i += 1u << len) table[i] = entry;
    } else {
      const HuffEntry link = table[r & (primarySize - 1)];
      const uint32_t size = 1u << (link.op & kOpLinkBitsMask);
      entry.bits = uint8_t(len - primaryBits);
      const uint32_t step = 1u << (len - primaryBits);
      for (uint32_t i = r >> primaryBits; i < size; i += step) table[link.value + i] = entry;
    }
  }
  return true;
}

// Fills the bit buffer from at least 8 readable bytes at `in`. Whole bytes only: afterwards it
// holds 56 to 63 bits. The bits above the count are the next input bytes, loaded again (to the
// same values) by the next refill.
inline void refillFast(uint64_t& bits, unsigned& count, const uint8_t*& in) {
  uint64_t word;
  std::memcpy(&word, in, sizeof word);
  bits |= word << count;
  in += (63 - count) >> 3;
  count |= 56;
}

// Internally Deflate64Status::End also means "this block is done, go on".
class Inflater {
 public:
  Inflater(const InputFn& input, const OutputFn& output) : input_(input), output_(output) {}
  Deflate64Result run();

 private:
  Deflate64Status blocks();
  Deflate64Status storedBlock();
  Deflate64Status dynamicTables();
  Deflate64Status codes(const HuffEntry* lit, const HuffEntry* dist);
  void buildFixedTables();

  void pull();
  bool refillSlow();
  bool need(unsigned n) {
    if (bitCount_ >= n) return true;
    if (inEnd_ - inPos_ >= 8) {
      refillFast(bitBuf_, bitCount_, inPos_);
      return true;
    }
    return refillSlow();
  }
  uint32_t take(unsigned n) {
    const uint32_t v = uint32_t(bitBuf_ & ((uint64_t(1) << n) - 1));
    bitBuf_ >>= n;
    bitCount_ -= n;
    return v;
  }
  // False once the stream has used bits the input never had.
  bool withinInput() const { return bitCount_ >= padBits_; }

  bool flush();
  bool slide();

  const InputFn& input_;
  const OutputFn& output_;

  uint64_t bitBuf_ = 0;
  unsigned bitCount_ = 0;
  // Zero bits put behind the end of input so table lookups may look ahead; a stream that
  // actually uses them ended early.
  unsigned padBits_ = 0;
  const uint8_t* inPos_ = in_;
  const uint8_t* inEnd_ = in_;
  bool inputDone_ = false;
  uint64_t pulled_ = 0;

  uint32_t pos_ = 0;      // window bytes in use
  uint32_t flushed_ = 0;  // window bytes already handed out
  uint64_t produced_ = 0;
  bool fixedReady_ = false;

  uint8_t in_[kInputSize];
  uint8_t window_[kWindowSize];
  HuffEntry lit_[kLitTableSize];
  HuffEntry dist_[kDistTableSize];
  HuffEntry codeLengths_[1u << kCodeLengthBits];
  HuffEntry fixedLit_[1u << kLitBits];  // fixed codes are at most 9 bits: no sub-tables
  HuffEntry fixedDist_[1u << kDistBits];
};

Deflate64Result Inflater::run() {
  Deflate64Status status = blocks();
  if (status == Deflate64Status::End && !flush()) status = Deflate64Status::Stopped;
  const uint64_t unread = uint64_t(inEnd_ - inPos_) + (withinInput() ? (bitCount_ - padBits_) / 8 : 0);
  return {status, pulled_ - unread, produced_};
}

Deflate64Status Inflater::blocks() {
  for (bool last = false; !last;) {
    if (!need(3)) return Deflate64Status::Corrupt;
    const uint32_t header = take(3);
    last = header & 1;
    Deflate64Status status;
    switch (header >> 1) {
      case 0:
        status = storedBlock();
        break;
      case 1:
        if (!fixedReady_) buildFixedTables();
        status = codes(fixedLit_, fixedDist_);
        break;
      case 2:
        status = dynamicTables();
        if (status == Deflate64Status::End) status = codes(lit_, dist_);
        break;
      default:
        return Deflate64Status::Corrupt;
    }
    if (status != Deflate64Status::End) return status;
  }
  return Deflate64Status::End;
}

// Moves what is left of the input buffer to its front and asks for more behind it.
void Inflater::pull() {
  size_t have = size_t(inEnd_ - inPos_);
  std::memmove(in_, inPos_, have);
  while (have < 8 && !inputDone_) {
    const size_t n = std::min(input_(in_ + have, kInputSize - have), kInputSize - have);
    if (!n) inputDone_ = true;
    have += n;
    pulled_ += n;
  }
  inPos_ = in_;
  inEnd_ = in_ + have;
}

bool Inflater::refillSlow() {
  if (!withinInput()) return false;
  if (inEnd_ - inPos_ < 8 && !inputDone_) pull();
  if (inEnd_ - inPos_ >= 8) {
    refillFast(bitBuf_, bitCount_, inPos_);
    return true;
  }
  while (bitCount_ <= 56) {
    if (inPos_ < inEnd_)
      bitBuf_ |= uint64_t(*inPos_++) << bitCount_;
    else
      padBits_ += 8;
    bitCount_ += 8;
  }
  return true;
}

bool Inflater::flush() {
  if (pos_ > flushed_) {
    if (!output_(window_ + flushed_, pos_ - flushed_)) return false;
    produced_ += pos_ - flushed_;
    flushed_ = pos_;
  }
  return true;
}

bool Inflater::slide() {
  if (!flush()) return false;
  std::memmove(window_, window_ + pos_ - kHistory, kHistory);
  pos_ = flushed_ = kHistory;
  return true;
}

Deflate64Status Inflater::storedBlock() {
  take(bitCount_ & 7);
  if (!need(32)) return Deflate64Status::Corrupt;
  uint32_t length = take(16);
  if (take(16) != (~length & 0xFFFFu) || !withinInput()) return Deflate64Status::Corrupt;
  // First the whole bytes the bit buffer already holds, then straight from the input buffer.
  while (length && bitCount_ > padBits_) {
    if (pos_ >= kFlushMark && !slide()) return Deflate64Status::Stopped;
    window_[pos_++] = uint8_t(take(8));
    --length;
  }
  if (!length) return Deflate64Status::End;
  if (padBits_) return Deflate64Status::Corrupt;
  bitBuf_ = 0;  // it read ahead bytes that are now copied past it
  while (length) {
    if (pos_ >= kFlushMark && !slide()) return Deflate64Status::Stopped;
    if (inPos_ == inEnd_) {
      pull();
      if (inPos_ == inEnd_) return Deflate64Status::Corrupt;
    }
    const size_t room = kFlushMark + kMaxMatch - pos_;
    const size_t n = std::min({size_t(length), size_t(inEnd_ - inPos_), room});
    std::memcpy(window_ + pos_, inPos_, n);
    inPos_ += n;
    pos_ += uint32_t(n);
    length -= uint32_t(n);
  }
  return Deflate64Status::End;
}

void Inflater::buildFixedTables() {
  uint8_t lengths[kMaxLitCodes + kMaxDistCodes];
  std::fill(lengths, lengths + 144, 8);
  std::fill(lengths + 144, lengths + 256, 9);
  std::fill(lengths + 256, lengths + 280, 7);
  std::fill(lengths + 280, lengths + kMaxLitCodes, 8);
  std::fill(lengths + kMaxLitCodes, lengths + kMaxLitCodes + kMaxDistCodes, 5);
  buildTable(lengths, kMaxLitCodes, Alphabet::LitLen, kLitBits, fixedLit_, std::size(fixedLit_));
  buildTable(lengths + kMaxLitCodes, kMaxDistCodes, Alphabet::Distance, kDistBits, fixedDist_,
             std::size(fixedDist_));
  fixedReady_ = true;
}

Deflate64Status Inflater::dynamicTables() {
  if (!need(14)) return Deflate64Status::Corrupt;
  const unsigned litCount = take(5) + 257;
  const unsigned distCount = take(5) + 1;
  const unsigned codeLengthCount = take(4) + 4;
  if (litCount > 286) return Deflate64Status::Corrupt;

  uint8_t codeLengthLengths[19] = {};
  for (unsigned i = 0; i < codeLengthCount; ++i) {
    if (!need(3)) return Deflate64Status::Corrupt;
    codeLengthLengths[kCodeLengthOrder[i]] = uint8_t(take(3));
  }
  if (!buildTable(codeLengthLengths, 19, Alphabet::CodeLength, kCodeLengthBits, codeLengths_,
                  std::size(codeLengths_)))
    return Deflate64Status::Corrupt;

  // Literal/length and distance lengths are one sequence: a repeat may run from one into the other.
  uint8_t lengths[kMaxLitCodes + kMaxDistCodes];
  const unsigned total = litCount + distCount;
  for (unsigned n = 0; n < total;) {
    if (!need(kCodeLengthBits + 7)) return Deflate64Status::Corrupt;
    const HuffEntry e = codeLengths_[bitBuf_ & ((1u << kCodeLengthBits) - 1)];
    take(e.bits);
    uint8_t value;
    unsigned repeat;
    if (e.value < 16) {
      value = uint8_t(e.value);
      repeat = 1;
    } else if (e.value == 16) {
      if (n == 0) return Deflate64Status::Corrupt;
      value = lengths[n - 1];
      repeat = 3 + take(2);
    } else {
      value = 0;
      repeat = e.value == 17 ? 3 + take(3) : 11 + take(7);
    }
    if (repeat > total - n) return Deflate64Status::Corrupt;
    std::memset(lengths + n, value, repeat);
    n += repeat;
  }
  if (!withinInput() || lengths[256] == 0) return Deflate64Status::Corrupt;
  if (!buildTable(lengths, litCount, Alphabet::LitLen, kLitBits, lit_, kLitTableSize) ||
      !buildTable(lengths + litCount, distCount, Alphabet::Distance, kDistBits, dist_, kDistTableSize))
    return Deflate64Status::Corrupt;
  return Deflate64Status::End;
}

// The hot loop: state lives in locals while it runs (stores into the window could otherwise
// alias the members and force them back to memory on every byte).
Deflate64Status Inflater::codes(const HuffEntry* lit, const HuffEntry* dist) {
  uint64_t bits = bitBuf_;
  unsigned count = bitCount_;
  const uint8_t* in = inPos_;
  const uint8_t* inEnd = inEnd_;
  uint32_t pos = pos_;
  uint8_t* const window = window_;
  auto save = [&] {
    bitBuf_ = bits;
    bitCount_ = count;
    inPos_ = in;
    pos_ = pos;
  };
  auto load = [&] {
    bits = bitBuf_;
    count = bitCount_;
    in = inPos_;
    inEnd = inEnd_;
    pos = pos_;
  };
  // Leaves at least 56 bits (padded past the end of input): enough for a length code and its
  // extra bits, or a distance code and its extra bits.
  auto refill = [&] {
    if (inEnd - in >= 8) {
      refillFast(bits, count, in);
      return true;
    }
    save();
    const bool ok = refillSlow();
    load();
    return ok;
  };
  auto drop = [&](unsigned n) {
    bits >>= n;
    count -= n;
  };

  for (;;) {
    if (!refill()) return Deflate64Status::Corrupt;
    if (pos >= kFlushMark) {
      save();
      if (!slide()) return Deflate64Status::Stopped;
      load();
    }
    HuffEntry e = lit[bits & ((1u << kLitBits) - 1)];
    if ((e.op & kOpKindMask) == kOpLink) {
      drop(kLitBits);
      e = lit[e.value + (bits & ((1u << (e.op & kOpLinkBitsMask)) - 1))];
    }
    drop(e.bits);
    if (e.op & kOpLiteral) {
      window[pos++] = uint8_t(e.value);
      continue;
    }
    if (e.op >= kOpLink) {
      save();
      if (e.op == kOpEnd) return withinInput() ? Deflate64Status::End : Deflate64Status::Corrupt;
      return Deflate64Status::Corrupt;
    }

    const uint32_t length = e.value + uint32_t(bits & ((1u << e.op) - 1));
    drop(e.op);
    if (!refill()) return Deflate64Status::Corrupt;
    HuffEntry d = dist[bits & ((1u << kDistBits) - 1)];
    if ((d.op & kOpKindMask) == kOpLink) {
      drop(kDistBits);
      d = dist[d.value + (bits & ((1u << (d.op & kOpLinkBitsMask)) - 1))];
    }
    if (d.op >= kOpLink) {
      save();
      return Deflate64Status::Corrupt;
    }
    drop(d.bits);
    const uint32_t distance = d.value + uint32_t(bits & ((1u << d.op) - 1));
    drop(d.op);
    if (distance > pos) {  // before the start of output (the window always holds 64 KiB once slid)
      save();
      return Deflate64Status::Corrupt;
    }

    uint8_t* out = window + pos;
    const uint8_t* from = out - distance;
    if (distance >= 8) {
      uint8_t* const end = out + length;
      do {
        std::memcpy(out, from, 8);
        out += 8;
        from += 8;
      } while (out < end);
    } else if (distance == 1) {
      std::memset(out, *from, length);
    } else {
      for (uint32_t i = 0; i < length; ++i) out[i] = from[i];
    }
    pos += length;
  }
}

}  // namespace

Deflate64Result inflate64(const std::function<size_t(uint8_t*, size_t)>& input,
                          const std::function<bool(const uint8_t*, size_t)>& output) {
  std::unique_ptr<Inflater> inflater(new (std::nothrow) Inflater(input, output));
  if (!inflater) return {Deflate64Status::OutOfMemory, 0, 0};
  return inflater->run();
}

}  // namespace zipeng
