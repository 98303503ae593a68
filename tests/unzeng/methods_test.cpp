// Archives other tools write with other methods and with AES: each decompression method and the
// AES stage read through the same chain as deflate — listing, testing and extracting alike, with
// damage, wrong passwords and aborts handled as for deflate.
#include <gtest/gtest.h>
#include <lzma.h>
#include <zstd.h>

#include "test_support.h"

using namespace testkit;

namespace {

struct Methods : ::testing::Test {
  TempDir dir;
  Library lib;
  std::map<std::string, std::string> files;

  void SetUp() override {
    ASSERT_TRUE(lib.loaded());
    std::string text;
    uint32_t x = 7;
    const char* words[] = {"alpha ", "beta ", "gamma ", "delta ", "epsilon "};
    while (text.size() < 3000000) text += words[(x = x * 1103515245u + 12345u) >> 29 & 3];
    std::string random(300000, '\0');
    for (auto& c : random) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    files = {{"text.txt", text}, {"random.bin", random}, {"empty.txt", ""}};
    sh("mkdir -p '" + (dir / "in") + "'");
    for (const auto& [name, content] : files) writeFile(dir / ("in/" + name), content);
  }
  // An archive by 7zz with `switches`.
  std::string bySevenZip(const std::string& name, const std::string& switches) {
    std::string archive = dir / name;
    EXPECT_EQ(sh("cd '" + (dir / "in") + "' && 7zz a -tzip " + switches + " '" + archive +
                 "' text.txt random.bin empty.txt >/dev/null"),
              0);
    return archive;
  }
  // An archive of entries compressed here with a library the peers may not offer as a switch.
  std::string built(const std::string& name, uint16_t method) {
    std::vector<RawEntry> entries;
    for (const auto& [file, content] : files) {
      RawEntry e;
      e.name = file;
      e.data = content;
      e.method = method;
      e.packed = compress(method, content);
      entries.push_back(e);
    }
    writeFile(dir / name, buildArchive(entries));
    return dir / name;
  }
  static std::string compress(uint16_t method, const std::string& data) {
    std::string out(data.size() + data.size() / 2 + 65536, '\0');
    size_t n = 0;
    if (method == 95) {
      if (lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const uint8_t*>(data.data()),
                                  data.size(), reinterpret_cast<uint8_t*>(out.data()), &n,
                                  out.size()) != LZMA_OK)
        return {};
    } else {
      n = ZSTD_compress(out.data(), out.size(), data.data(), data.size(), 3);
    }
    out.resize(n);
    return out;
  }
  // The entry's data range, for damaging it.
  std::pair<size_t, size_t> dataOf(const std::string& archive, const std::string& entry) {
    std::string script =
        "import zipfile,struct,sys\nz=zipfile.ZipFile(sys.argv[1])\ni=z.getinfo(sys.argv[2])\n"
        "d=open(sys.argv[1],'rb').read()\nn,m=struct.unpack('<HH',d[i.header_offset+26:i.header_offset+30])\n"
        "open(sys.argv[3],'w').write('%d %d' % (i.header_offset+30+n+m, i.compress_size))\n";
    writeFile(dir / "range.py", script);
    sh("python3 '" + (dir / "range.py") + "' '" + archive + "' '" + entry + "' '" + (dir / "range.txt") +
       "'");
    std::string r = readFile(dir / "range.txt");
    size_t space = r.find(' ');
    return {std::stoul(r.substr(0, space)), std::stoul(r.substr(space + 1))};
  }
  void expectReadsBack(const std::string& archive, const std::string& password = "") {
    lib.messages.clear();
    ASSERT_EQ(lib.run({password, "-v", archive}), 0);
    for (const auto& m : lib.of(zipabi::zcmListing))
      EXPECT_EQ(m.size, static_cast<int64_t>(files[m.name].size())) << m.name;
    EXPECT_EQ(lib.run({password, "-t", archive}), 0);
    EXPECT_TRUE(lib.of(zipabi::zcmSkipping).empty());
    std::string out = dir / "out";
    sh("rm -rf '" + out + "'");
    EXPECT_EQ(lib.run({password, "-o", archive, "-d", out}), 0);
    for (const auto& [name, content] : files) EXPECT_TRUE(readFile(out + "/" + name) == content) << name;
  }
};

}  // namespace

TEST_F(Methods, EachMethodListsTestsAndExtractsLikeDeflate) {
  const std::vector<std::pair<std::string, std::string>> made = {
      {"bzip2", bySevenZip("bzip2.zip", "-mm=BZip2")},
      {"lzma", bySevenZip("lzma.zip", "-mm=LZMA")},
      {"deflate64", bySevenZip("deflate64.zip", "-mm=Deflate64")},
      {"xz", built("xz.zip", 95)},
      {"zstd", built("zstd.zip", 93)},
  };
  for (const auto& [method, archive] : made) {
    SCOPED_TRACE(method);
    expectReadsBack(archive);
    // A damaged byte inside the stream: the entry fails, the test reports errors, no file stays.
    auto [start, length] = dataOf(archive, "text.txt");
    std::string bytes = readFile(archive);
    bytes[start + length / 2] = static_cast<char>(bytes[start + length / 2] ^ 0x55);
    writeFile(dir / "damaged.zip", bytes);
    lib.messages.clear();
    EXPECT_EQ(lib.run({"", "-t", dir / "damaged.zip"}), zipabi::zrTestErrors);
    ASSERT_EQ(lib.of(zipabi::zcmSkipping).size(), 1u);
    EXPECT_TRUE(lib.of(zipabi::zcmSkipping)[0].reason == zipabi::zsrBadCrc ||
                lib.of(zipabi::zcmSkipping)[0].reason == zipabi::zsrCorruptData);
    sh("rm -rf '" + (dir / "bad") + "'");
    lib.run({"", dir / "damaged.zip", "text.txt", "-d", dir / "bad"});
    EXPECT_FALSE(exists(dir / "bad/text.txt"));
    // An abort in the middle of the large entry leaves nothing of it.
    lib.abortWhen = [](const Message& m) { return m.code == zipabi::zcmStatus; };
    sh("rm -rf '" + (dir / "stopped") + "'");
    EXPECT_EQ(lib.run({"", archive, "text.txt", "-d", dir / "stopped"}), zipabi::zrAborted);
    EXPECT_FALSE(exists(dir / "stopped/text.txt"));
    lib.abortWhen = nullptr;
  }
}

TEST_F(Methods, AesEntriesReadWithThePasswordAndAreAuthenticated) {
  for (const char* strength : {"AES128", "AES256"}) {
    SCOPED_TRACE(strength);
    std::string archive =
        bySevenZip(std::string(strength) + ".zip", std::string("-p'pass word' -mem=") + strength);
    expectReadsBack(archive, "pass word");
    // No password: the question is asked; a wrong answer is a wrong password (reason 5).
    lib.messages.clear();
    lib.passwordAnswers = {"wrong", "wrong", "wrong"};
    lib.run({"", "-t", archive, "text.txt"});
    EXPECT_FALSE(lib.of(zipabi::zcmPassword).empty());
    ASSERT_EQ(lib.of(zipabi::zcmSkipping).size(), 1u);
    EXPECT_EQ(lib.of(zipabi::zcmSkipping)[0].reason, zipabi::zsrBadPassword);
    lib.passwordAnswers.clear();
    // A damaged authentication code: the entry fails its check and no file stays.
    auto [start, length] = dataOf(archive, "random.bin");
    std::string bytes = readFile(archive);
    bytes[start + length - 3] = static_cast<char>(bytes[start + length - 3] ^ 1);
    writeFile(dir / "forged.zip", bytes);
    lib.messages.clear();
    EXPECT_EQ(lib.run({"pass word", "-t", dir / "forged.zip"}), zipabi::zrTestErrors);
    ASSERT_EQ(lib.of(zipabi::zcmSkipping).size(), 1u);
    EXPECT_EQ(lib.of(zipabi::zcmSkipping)[0].name, "random.bin");
    EXPECT_EQ(lib.of(zipabi::zcmSkipping)[0].reason, zipabi::zsrBadCrc);
    sh("rm -rf '" + (dir / "bad") + "'");
    lib.run({"pass word", dir / "forged.zip", "-d", dir / "bad"});
    EXPECT_FALSE(exists(dir / "bad/random.bin"));
    EXPECT_TRUE(exists(dir / "bad/text.txt"));
  }
}

// Zstandard frames and XZ streams may follow one another inside one entry: every one up to the
// entry's packed size is read, also when the next starts exactly where a read of the input ends
// (1 MiB), after a skippable frame or after stream padding.
TEST_F(Methods, ConcatenatedFramesAndStreamsReadAsOneEntry) {
  const std::string one = files["text.txt"].substr(0, 200000), two = files["random.bin"];
  const std::string zstdOne = compress(93, one), zstdTwo = compress(93, two);
  const std::string xzOne = compress(95, one), xzTwo = compress(95, two);
  constexpr size_t kReadSize = 1u << 20;
  // A skippable frame (magic 0x184D2A50, then its length) that ends exactly at `kReadSize`.
  std::string skippable = "\x50\x2A\x4D\x18";
  const uint32_t skip = static_cast<uint32_t>(kReadSize - zstdOne.size() - 8);
  for (int i = 0; i < 4; ++i) skippable += static_cast<char>(skip >> (8 * i));
  skippable += std::string(skip, '\x55');
  struct Case {
    const char* what;
    uint16_t method;
    std::string packed;
  };
  const std::vector<Case> cases = {
      {"two zstd frames", 93, zstdOne + zstdTwo},
      {"zstd frame after a skippable frame on the read boundary", 93, zstdOne + skippable + zstdTwo},
      {"two xz streams", 95, xzOne + xzTwo},
      {"xz streams with padding up to the read boundary and after", 95,
       xzOne + std::string(kReadSize - xzOne.size(), '\0') + xzTwo + std::string(8, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RawEntry e;
    e.name = "joined.bin";
    e.data = one + two;
    e.method = c.method;
    e.packed = c.packed;
    const std::string archive = dir / "joined.zip";
    writeFile(archive, buildArchive({e}));
    lib.messages.clear();
    EXPECT_EQ(lib.run({"", "-t", archive}), 0);
    EXPECT_TRUE(lib.of(zipabi::zcmSkipping).empty());
    sh("rm -rf '" + (dir / "out") + "'");
    EXPECT_EQ(lib.run({"", archive, "-d", dir / "out"}), 0);
    EXPECT_TRUE(readFile(dir / "out/joined.bin") == one + two);
  }
  // Bytes after the last frame that are no frame are damage, not padding.
  RawEntry tail;
  tail.name = "tail.bin";
  tail.data = one;
  tail.method = 93;
  tail.packed = zstdOne + "junk";
  writeFile(dir / "tail.zip", buildArchive({tail}));
  lib.messages.clear();
  EXPECT_EQ(lib.run({"", "-t", dir / "tail.zip"}), zipabi::zrTestErrors);
}

namespace {

// `data` as the ZIP form of LZMA (its own four-byte header, the properties, the stream with an
// end marker) whose properties declare a dictionary of `dictionary` bytes.
std::string lzmaWithDictionary(const std::string& data, uint32_t dictionary) {
  lzma_stream strm = LZMA_STREAM_INIT;
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 0);
  std::string out(data.size() + 65536, '\0');
  if (lzma_alone_encoder(&strm, &options) != LZMA_OK) return {};
  strm.next_in = reinterpret_cast<const uint8_t*>(data.data());
  strm.avail_in = data.size();
  strm.next_out = reinterpret_cast<uint8_t*>(out.data());
  strm.avail_out = out.size();
  lzma_ret rc = lzma_code(&strm, LZMA_FINISH);
  out.resize(out.size() - strm.avail_out);
  lzma_end(&strm);
  if (rc != LZMA_STREAM_END) return {};
  // The classic header is the properties byte, the dictionary size, then eight bytes of size.
  std::string zip = std::string("\x09\x14\x05\x00", 4) + out[0];
  for (int i = 0; i < 4; ++i) zip += static_cast<char>(dictionary >> (8 * i));
  return zip + out.substr(13);
}

// An XZ stream of `data` whose block header declares the LZMA2 dictionary code `code`.
std::string xzWithDictionary(const std::string& data, uint8_t code) {
  std::string out(data.size() + 65536, '\0');
  size_t n = 0;
  if (lzma_easy_buffer_encode(0, LZMA_CHECK_CRC32, nullptr, reinterpret_cast<const uint8_t*>(data.data()),
                              data.size(), reinterpret_cast<uint8_t*>(out.data()), &n, out.size()) != LZMA_OK)
    return {};
  out.resize(n);
  // Block header after the 12-byte stream header: size, flags, the sizes it holds, then one
  // filter (ID 0x21, one byte of properties), padding and its CRC-32.
  const size_t start = 12, length = (static_cast<uint8_t>(out[start]) + 1) * 4;
  const uint8_t flags = static_cast<uint8_t>(out[start + 1]);
  size_t at = start + 2;
  for (int vli = ((flags & 0x40) != 0) + ((flags & 0x80) != 0); vli > 0; --vli)
    while (static_cast<uint8_t>(out[at++]) & 0x80) {
    }
  if (out[at] != 0x21 || out[at + 1] != 0x01) return {};
  out[at + 2] = static_cast<char>(code);
  const uint32_t crc = crc32Of(out.substr(start, length - 4));
  for (int i = 0; i < 4; ++i) out[start + length - 4 + i] = static_cast<char>(crc >> (8 * i));
  return out;
}

// A Zstandard frame of `data` whose header declares a window of 2^`windowLog` bytes.
std::string zstdWithWindow(const std::string& data, int windowLog) {
  ZSTD_CCtx* cctx = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(cctx, ZSTD_c_contentSizeFlag, 0);  // so the header holds a window size
  std::string out(ZSTD_compressBound(data.size()), '\0');
  size_t n = ZSTD_compress2(cctx, out.data(), out.size(), data.data(), data.size());
  ZSTD_freeCCtx(cctx);
  if (ZSTD_isError(n) || (out[4] & 0x20)) return {};
  out.resize(n);
  out[5] = static_cast<char>((windowLog - 10) << 3);
  return out;
}

}  // namespace

// What a decoder may take for its dictionary or window, buffers included, is bounded. An entry
// whose header asks for more is refused as needing more than is allowed (reason 1: the reader
// does not take it), not as damaged, and the entries beside it are read; one just within the
// bound is read.
TEST_F(Methods, EntriesAskingForMoreMemoryThanAllowedAreRefusedAsSuch) {
  const std::string data = files["text.txt"].substr(0, 100000);
  struct Case {
    const char* what;
    uint16_t method;
    std::string packed;
    bool readable;
  };
  const std::vector<Case> cases = {
      {"LZMA, 511 MiB dictionary", 14, lzmaWithDictionary(data, 511u << 20), false},
      {"LZMA, 4 GiB dictionary", 14, lzmaWithDictionary(data, 0xFFFFFFFFu), false},
      {"LZMA, 64 MiB dictionary", 14, lzmaWithDictionary(data, 64u << 20), true},
      {"XZ, 512 MiB dictionary", 95, xzWithDictionary(data, 34), false},
      {"XZ, 1.5 GiB dictionary", 95, xzWithDictionary(data, 37), false},
      {"XZ, 64 MiB dictionary", 95, xzWithDictionary(data, 28), true},
      {"Zstandard, 2 GiB window", 93, zstdWithWindow(data, 31), false},
      {"Zstandard, 256 MiB window", 93, zstdWithWindow(data, 28), false},
      {"Zstandard, 128 MiB window", 93, zstdWithWindow(data, 27), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_FALSE(c.packed.empty());
    RawEntry big;
    big.name = "big.bin";
    big.data = data;
    big.method = c.method;
    big.packed = c.packed;
    big.flags = c.method == 14 ? 0x0002 : 0;  // the LZMA stream ends with its marker
    const std::string archive = dir / "memory.zip";
    writeFile(archive, buildArchive({big, rawFile("small.txt", "small")}));
    lib.messages.clear();
    EXPECT_EQ(lib.run({"", "-t", archive}), c.readable ? zipabi::zrOk : zipabi::zrSomeSkipped);
    const auto skipped = lib.of(zipabi::zcmSkipping);
    if (c.readable) {
      EXPECT_TRUE(skipped.empty());
    } else {
      EXPECT_EQ(skipped.size(), 1u);
      if (skipped.empty()) continue;
      EXPECT_EQ(skipped[0].name, "big.bin");
      EXPECT_EQ(skipped[0].reason, zipabi::zsrUnknownCompression);
    }
    sh("rm -rf '" + (dir / "out") + "'");
    EXPECT_EQ(lib.run({"", archive, "-d", dir / "out"}), c.readable ? zipabi::zrOk : zipabi::zrSomeSkipped);
    EXPECT_EQ(exists(dir / "out/big.bin"), c.readable);
    EXPECT_EQ(readFile(dir / "out/small.txt"), "small");
  }
}
