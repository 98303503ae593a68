// The Deflate64 decoder: a peer archiver's streams decode byte for byte and end exactly where the
// archive says; hand-built streams cover what sets the format apart from deflate and the faults a
// decoder must refuse; cut, damaged and refused streams end cleanly.
#include "core/deflate64.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

#include "test_support.h"

using namespace testkit;
using zipeng::Deflate64Result;
using zipeng::Deflate64Status;

namespace {

// Decodes `stream`, handing it over at most `piece` bytes at a time (0: as much as asked for).
// Output goes to `sink`; the default keeps it.
struct Decoded {
  Deflate64Result result;
  std::string out;
};
Decoded decode(const std::string& stream, size_t piece = 0,
               std::function<bool(const uint8_t*, size_t)> sink = nullptr) {
  Decoded d{};
  size_t at = 0;
  auto input = [&](uint8_t* buffer, size_t capacity) {
    size_t n = std::min(stream.size() - at, piece ? std::min(capacity, piece) : capacity);
    std::memcpy(buffer, stream.data() + at, n);
    at += n;
    return n;
  };
  if (!sink)
    sink = [&](const uint8_t* data, size_t n) {
      d.out.append(reinterpret_cast<const char*>(data), n);
      return true;
    };
  d.result = zipeng::inflate64(input, sink);
  return d;
}

// Decodes `stream` and says whether everything it put out is the start of `expected`.
std::pair<Deflate64Result, bool> decodeAgainst(const std::string& stream, const std::string& expected) {
  size_t at = 0;
  bool prefix = true;
  Decoded d = decode(stream, 0, [&](const uint8_t* data, size_t n) {
    prefix = prefix && n <= expected.size() - at && std::memcmp(expected.data() + at, data, n) == 0;
    at += n;
    return true;
  });
  return {d.result, prefix};
}

std::string text(size_t n, uint32_t seed) {
  static const char* const kWords[] = {"archive", "entry",   "the",       "of",  "window", "and",
                                       "header",  "central", "directory", "a",   "to",     "compressed",
                                       "size",    "file",    "name",      "data"};
  std::mt19937 gen(seed);
  std::string s;
  while (s.size() < n) {
    s += kWords[gen() % std::size(kWords)];
    s += gen() % 12 ? ' ' : '\n';
  }
  s.resize(n);
  return s;
}

std::string repeated(const std::string& pattern, size_t n) {
  std::string s;
  while (s.size() < n) s += pattern;
  s.resize(n);
  return s;
}

// Text, noise, zeros, far and near repeats in turn.
std::string mixed(size_t n) {
  std::string s;
  for (uint32_t i = 0; s.size() < n; ++i) {
    const size_t piece = 192u << 10;
    switch (i % 5) {
      case 0:
        s += text(piece, i);
        break;
      case 1:
        s += randomBytes(piece / 2, i);
        break;
      case 2:
        s += std::string(piece * 2, '\0');
        break;
      case 3:
        s += repeated(randomBytes(50000, i), piece);
        break;
      default:
        s += repeated(text(37, i), piece);
        break;
    }
  }
  s.resize(n);
  return s;
}

struct Sample {
  std::string original;
  std::string stream;  // the entry's raw data
  int method = -1;
};

// The peer archiver's streams, made once. Its zip writer stores what would not shrink (a byte,
// noise), so those go into 7z archives, which keep the method whatever the outcome.
const std::map<std::string, Sample>& peerSamples() {
  static const std::map<std::string, Sample> samples = [] {
    std::map<std::string, Sample> made;
    made["one"].original = "x";
    made["small"].original = text(4096, 1);
    made["text"].original = text(512u << 10, 2);
    made["random"].original = randomBytes(1u << 20, 3);
    made["period"].original = repeated(randomBytes(40000, 4), 300u << 10);
    made["zeros"].original = std::string(5u << 20, '\0');
    made["mixed"].original = mixed(20u << 20);
    TempDir dir;
    for (const auto& [name, sample] : made) writeFile(dir / name, sample.original);
    writeFile(dir / "locate.py", R"(import struct, sys, zipfile
for path in sys.argv[1:]:
    with open(path, 'rb') as f:
        if path.endswith('.zip'):
            for i in zipfile.ZipFile(f).infolist():
                f.seek(i.header_offset)
                name_length, extra_length = struct.unpack('<HH', f.read(30)[26:30])
                start = i.header_offset + 30 + name_length + extra_length
                print(i.filename, start, i.compress_size, i.compress_type)
        else:  # one file: one packed stream, after the signature header; 7z keeps the method asked for
            print(path.split('/')[-1][:-3], 32, struct.unpack('<Q', f.read(32)[12:20])[0], 9)
)");
    const std::string d = "'" + dir.path() + "'";
    sh("cd " + d + " && 7zz a -tzip -mm=Deflate64 peer.zip small text period zeros mixed >/dev/null" +
       " && 7zz a -t7z -m0=Deflate64 -mhc=off one.7z one >/dev/null" +
       " && 7zz a -t7z -m0=Deflate64 -mhc=off random.7z random >/dev/null" +
       " && python3 locate.py peer.zip one.7z random.7z > manifest");
    std::istringstream manifest(readFile(dir / "manifest"));
    std::map<std::string, std::string> archives;
    for (const char* archive : {"peer.zip", "one.7z", "random.7z"})
      archives[archive] = readFile(dir / archive);
    std::string name;
    uint64_t offset, size;
    int method;
    while (manifest >> name >> offset >> size >> method) {
      const char* from = name == "one" ? "one.7z" : name == "random" ? "random.7z" : "peer.zip";
      const std::string& archive = archives[from];
      if (!made.count(name) || offset + size > archive.size()) continue;
      made[name].stream = archive.substr(offset, size);
      made[name].method = method;
    }
    return made;
  }();
  return samples;
}

// A bit stream packed the way deflate packs it: values from their low bit, Huffman codes from
// their high bit; fixed-code symbols and block headers on top.
class Stream {
 public:
  Stream& bits(uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) put((value >> i) & 1);
    return *this;
  }
  Stream& code(uint32_t code, unsigned length) {
    for (unsigned i = length; i-- > 0;) put((code >> i) & 1);
    return *this;
  }
  Stream& header(bool last, unsigned type) { return bits(last, 1).bits(type, 2); }
  Stream& stored(bool last, const std::string& data) {
    header(last, 0);
    used_ = 0;
    bits(uint32_t(data.size()), 16).bits(~uint32_t(data.size()) & 0xFFFF, 16);
    bytes_ += data;
    return *this;
  }
  Stream& sym(unsigned s) {  // fixed literal/length code
    if (s < 144) return code(0x30 + s, 8);
    if (s < 256) return code(0x190 + s - 144, 9);
    if (s < 280) return code(s - 256, 7);
    return code(0xC0 + s - 280, 8);
  }
  Stream& dist(unsigned s, uint32_t extra, unsigned extraBits) { return code(s, 5).bits(extra, extraBits); }
  const std::string& str() const { return bytes_; }

 private:
  void put(unsigned bit) {
    if (used_ == 0) bytes_ += '\0';
    if (bit) bytes_.back() = char(bytes_.back() | (1 << used_));
    used_ = (used_ + 1) & 7;
  }
  std::string bytes_;
  unsigned used_ = 0;
};

// Canonical codes for `lengths` (symbol -> bits; 0 = unused).
std::vector<uint32_t> canonical(const std::vector<unsigned>& lengths) {
  unsigned count[16] = {};
  for (unsigned len : lengths) ++count[len];
  count[0] = 0;
  uint32_t next[16] = {};
  for (unsigned len = 1, code = 0; len < 16; ++len) next[len] = code = (code + count[len - 1]) << 1;
  std::vector<uint32_t> codes(lengths.size());
  for (size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s]) codes[s] = next[lengths[s]]++;
  return codes;
}

// A dynamic block: the code-length code (symbol -> bits), the code-length symbols in order with
// their extra-bit values, then `data` coded with the lengths they spell out. Faulty sequences are
// read the lenient way (a leading repeat repeats zero, an overlong run is cut), so that the fault
// itself is the only thing wrong with the stream.
struct LengthSymbol {
  unsigned symbol, extra;
};
constexpr unsigned kDistanceSymbol = 1000;  // `data` values from here on are distance symbols

std::string dynamicBlock(unsigned litCount, unsigned distCount,
                         const std::map<unsigned, unsigned>& codeLengthCode,
                         const std::vector<LengthSymbol>& sequence, const std::vector<unsigned>& data) {
  static const unsigned kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  std::vector<unsigned> codeLengthLengths(19, 0);
  for (auto [symbol, bits] : codeLengthCode) codeLengthLengths[symbol] = bits;
  const std::vector<uint32_t> codeLengthCodes = canonical(codeLengthLengths);
  Stream s;
  s.header(true, 2).bits(litCount - 257, 5).bits(distCount - 1, 5).bits(15, 4);
  for (unsigned symbol : kOrder) s.bits(codeLengthLengths[symbol], 3);
  std::vector<unsigned> lengths;
  for (auto [symbol, extra] : sequence) {
    s.code(codeLengthCodes[symbol], codeLengthLengths[symbol]);
    if (symbol < 16) {
      lengths.push_back(symbol);
      continue;
    }
    s.bits(extra, symbol == 16 ? 2 : symbol == 17 ? 3 : 7);
    const unsigned repeat = symbol == 18 ? 11 + extra : 3 + extra;
    lengths.insert(lengths.end(), repeat, symbol == 16 && !lengths.empty() ? lengths.back() : 0);
  }
  lengths.resize(litCount + distCount);
  const std::vector<unsigned> lit(lengths.begin(), lengths.begin() + litCount);
  const std::vector<unsigned> dist(lengths.begin() + litCount, lengths.end());
  const std::vector<uint32_t> litCodes = canonical(lit), distCodes = canonical(dist);
  for (unsigned symbol : data) {
    if (symbol >= kDistanceSymbol)
      s.code(distCodes[symbol - kDistanceSymbol], dist[symbol - kDistanceSymbol]);
    else
      s.code(litCodes[symbol], lit[symbol]);
  }
  return s.str();
}

// `times` copies of each code-length symbol (with extra value 0).
std::vector<LengthSymbol> runs(std::initializer_list<std::pair<unsigned, unsigned>> symbolTimes) {
  std::vector<LengthSymbol> out;
  for (auto [symbol, times] : symbolTimes) out.insert(out.end(), times, {symbol, 0});
  return out;
}

std::string zlibStored(const std::string& data) {
  z_stream zs{};
  deflateInit2(&zs, 0, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, data.size()) + 64, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = uInt(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = uInt(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

}  // namespace

TEST(Deflate64, PeerStreamsDecodeByteForByteAndEndWhereTheArchiveSays) {
  if (!haveTool("7zz") || !haveTool("python3")) GTEST_SKIP() << "7zz or python3 not installed";
  const std::string trailing(100, '\xA5');  // the archive goes on after the stream
  for (const auto& [name, sample] : peerSamples()) {
    SCOPED_TRACE(name);
    ASSERT_EQ(sample.method, 9);
    for (size_t piece : {size_t(0), size_t(1)}) {
      Decoded d = decode(sample.stream + trailing, piece);
      EXPECT_EQ(d.result.status, Deflate64Status::End) << "piece " << piece;
      EXPECT_EQ(d.result.consumed, sample.stream.size()) << "piece " << piece;
      EXPECT_EQ(d.result.produced, sample.original.size()) << "piece " << piece;
      EXPECT_TRUE(d.out == sample.original) << "piece " << piece;
    }
  }
  // A figure to watch, not a limit.
  const Sample& big = peerSamples().at("mixed");
  auto start = std::chrono::steady_clock::now();
  Decoded d = decode(big.stream, 0, [](const uint8_t*, size_t) { return true; });
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(d.result.produced, big.original.size());
  std::printf("[ speed    ] Deflate64 decode: %.0f MB/s of output (%zu MB from %zu compressed bytes)\n",
              double(big.original.size()) / 1e6 / seconds, big.original.size() >> 20, big.stream.size());
}

TEST(Deflate64, HandBuiltStreams) {
  // 64 KiB of history in two stored blocks, then copies from 65536 and from 32769 bytes back.
  const std::string history = randomBytes(65536, 7);
  Stream far;
  far.stored(false, history.substr(0, 65535)).stored(false, history.substr(65535)).header(true, 1);
  far.sym(257).dist(31, 16383, 14).sym(258).dist(30, 0, 14).sym(256);
  std::string farOut = history + history.substr(0, 3);
  farOut += farOut.substr(farOut.size() - 32769, 4);

  Stream tooFar;
  tooFar.stored(false, history.substr(0, 65535)).header(true, 1).sym(257).dist(31, 16383, 14).sym(256);
  Stream longest;
  longest.header(true, 1).sym('a');
  longest.sym(285).bits(65535, 16).dist(0, 0, 0).sym(285).bits(0, 16).dist(0, 0, 0).sym(256);
  const std::string text = ::text(100000, 9);

  // Literal/length codes of the dynamic cases: 0..253 take 8 bits, 254..257 take 9 (complete).
  const std::map<unsigned, unsigned> cl = {{0, 2}, {8, 2}, {9, 2}, {18, 2}};
  const auto litLengths = runs({{8, 254}, {9, 4}});
  auto with = [](std::vector<LengthSymbol> v, std::initializer_list<LengthSymbol> tail) {
    v.insert(v.end(), tail);
    return v;
  };
  const unsigned kEnd = 256, kLength3 = 257;

  struct Case {
    const char* what;
    std::string stream;
    Deflate64Status status;
    std::string out;
  };
  const Case cases[] = {
      {"an end of block only", Stream().header(true, 1).sym(256).str(), Deflate64Status::End, ""},
      {"length code 285 with 16 extra bits", longest.str(), Deflate64Status::End,
       std::string(1 + 65538 + 3, 'a')},
      {"distance codes 30 and 31", far.str(), Deflate64Status::End, farOut},
      {"stored blocks", zlibStored(text), Deflate64Status::End, text},
      {"literals only, no distance code",
       dynamicBlock(258, 1, cl, with(litLengths, {{0, 0}}), {'h', 'i', kEnd}), Deflate64Status::End, "hi"},
      {"a single one-bit distance code",
       dynamicBlock(258, 1, {{1, 2}, {8, 2}, {9, 2}, {18, 2}}, with(litLengths, {{1, 0}}),
                    {'h', kLength3, kDistanceSymbol, kEnd}),
       Deflate64Status::End, "hhhh"},

      {"no input", "", Deflate64Status::Corrupt, ""},
      {"block type 3", Stream().header(true, 3).bits(0, 16).str(), Deflate64Status::Corrupt, ""},
      {"stored length without its complement",
       Stream().header(true, 0).bits(0, 5).bits(5, 16).bits(5, 16).str() + "hello", Deflate64Status::Corrupt,
       ""},
      {"a distance one byte before the output", tooFar.str(), Deflate64Status::Corrupt, ""},
      {"fixed symbol 286", Stream().header(true, 1).sym('a').sym(286).dist(0, 0, 0).sym(256).str(),
       Deflate64Status::Corrupt, ""},
      {"over-subscribed literal code", dynamicBlock(259, 1, cl, runs({{8, 254}, {9, 5}, {0, 1}}), {kEnd}),
       Deflate64Status::Corrupt, ""},
      {"incomplete literal code", dynamicBlock(257, 1, cl, runs({{8, 254}, {9, 3}, {0, 1}}), {kEnd}),
       Deflate64Status::Corrupt, ""},
      {"incomplete code-length code",
       dynamicBlock(258, 1, {{0, 2}, {8, 2}, {9, 2}}, with(litLengths, {{0, 0}}), {kEnd}),
       Deflate64Status::Corrupt, ""},
      {"a repeat with nothing before it",
       dynamicBlock(264, 1, {{0, 2}, {8, 2}, {9, 2}, {16, 2}}, runs({{16, 1}, {8, 251}, {9, 10}, {0, 1}}),
                    {kEnd}),
       Deflate64Status::Corrupt, ""},
      {"zeros running past the last length", dynamicBlock(258, 1, cl, with(litLengths, {{18, 0}}), {kEnd}),
       Deflate64Status::Corrupt, ""},
      {"287 literal/length codes", dynamicBlock(287, 1, cl, with(litLengths, {{18, 18}, {0, 0}}), {kEnd}),
       Deflate64Status::Corrupt, ""},
  };
  for (const Case& c : cases) {
    Decoded d = decode(c.stream);
    EXPECT_EQ(d.result.status, c.status) << c.what;
    if (c.status == Deflate64Status::End) {
      EXPECT_TRUE(d.out == c.out) << c.what;
      EXPECT_EQ(d.result.consumed, c.stream.size()) << c.what;
    }
  }
}

TEST(Deflate64, EveryCutOfAStreamIsCorruptAndYieldsOnlyAPrefix) {
  if (!haveTool("7zz") || !haveTool("python3")) GTEST_SKIP() << "7zz or python3 not installed";
  Stream blocks;
  blocks.stored(false, "hello ").stored(false, "world");
  blocks.header(true, 1).sym(' ').sym(257).dist(6, 2, 2).sym(256);
  Stream longest;
  longest.header(true, 1).sym('a').sym(285).bits(65535, 16).dist(0, 0, 0).sym(256);
  const Sample& small = peerSamples().at("small");
  const std::pair<std::string, std::string> cases[] = {{blocks.str(), "hello world hel"},
                                                       {longest.str(), std::string(1 + 65538, 'a')},
                                                       {small.stream, small.original}};
  for (const auto& [stream, original] : cases) {
    const auto [whole, wholePrefix] = decodeAgainst(stream, original);
    ASSERT_EQ(whole.status, Deflate64Status::End);
    ASSERT_EQ(whole.produced, original.size());
    for (size_t cut = 0; cut < stream.size(); ++cut) {
      const auto [result, prefix] = decodeAgainst(stream.substr(0, cut), original);
      if (result.status != Deflate64Status::Corrupt || !prefix) {
        ADD_FAILURE() << "cut at " << cut << " of " << stream.size() << ": status " << int(result.status)
                      << (prefix ? "" : ", output not the original's start");
        break;
      }
    }
  }
}

TEST(Deflate64, FlippedBytesEndInEndOrCorruptWithinTheInput) {
  if (!haveTool("7zz") || !haveTool("python3")) GTEST_SKIP() << "7zz or python3 not installed";
  std::mt19937 gen(64);
  for (const char* name : {"small", "period", "zeros"}) {
    const std::string& stream = peerSamples().at(name).stream;
    for (int i = 0; i < 300; ++i) {
      std::string damaged = stream;
      for (int flips = 1 + int(gen() % 3); flips > 0; --flips)
        damaged[gen() % damaged.size()] ^= char(1 + gen() % 255);
      Decoded d = decode(damaged, 0, [](const uint8_t*, size_t) { return true; });
      const Deflate64Status status = d.result.status;
      const bool ended = status == Deflate64Status::End || status == Deflate64Status::Corrupt;
      if (!ended || d.result.consumed > damaged.size()) {
        ADD_FAILURE() << name << " flip " << i << ": status " << int(d.result.status) << ", consumed "
                      << d.result.consumed;
        break;
      }
    }
  }
}

TEST(Deflate64, RefusedOutputStopsAtOnce) {
  Stream s;
  s.header(true, 1).sym('a');
  for (int i = 0; i < 40; ++i) s.sym(285).bits(65535, 16).dist(0, 0, 0);
  s.sym(256);
  size_t pieces = 0;
  ASSERT_EQ(decode(s.str(), 0, [&](const uint8_t*, size_t) { return ++pieces, true; }).result.status,
            Deflate64Status::End);
  ASSERT_GE(pieces, 3u);
  for (size_t refuseAt : {size_t(1), size_t(2), pieces}) {  // the last one is the closing flush
    size_t calls = 0;
    uint64_t accepted = 0;
    Decoded d = decode(s.str(), 0, [&](const uint8_t*, size_t n) {
      if (++calls == refuseAt) return false;
      accepted += n;
      return true;
    });
    EXPECT_EQ(d.result.status, Deflate64Status::Stopped) << refuseAt;
    EXPECT_EQ(calls, refuseAt);
    EXPECT_EQ(d.result.produced, accepted) << refuseAt;
  }
}
