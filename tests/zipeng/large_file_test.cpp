// Large files are compressed in blocks on all cores and joined into one deflate stream. The
// sizes are lowered here so that small files take that path.
#include <dirent.h>
#include <libdeflate.h>

#include "core/compressor_deflate.h"
#include "core/incompressible.h"
#include "zip_test_support.h"

namespace ztest {
namespace {

constexpr size_t kBlock = 64 << 10;

class LargeFile : public ZipTest {
 protected:
  void SetUp() override {
    ZipTest::SetUp();
    sizes_.wholeFileLimit = 16 << 10;
    sizes_.blockSize = kBlock;
    zipeng::setLargeFileSizes(&sizes_);
  }
  void TearDown() override {
    zipeng::setLargeFileSizes(nullptr);
    ZipTest::TearDown();
  }
  // Text and random runs, so that blocks hold both.
  static std::string Mixed(size_t n, uint32_t seed) {
    std::string s;
    for (uint32_t i = 0; s.size() < n; ++i)
      s += i % 3 ? textBytes(20000, seed + i) : randomBytes(7000, seed + i);
    s.resize(n);
    return s;
  }
  // A sound archive with one large file among small ones.
  void makeArchive() {
    makeMixedTree("src");
    ASSERT_EQ(zip({"-r", "-6", scratch("a.zip"), "src"}), 0);
    original_ = readFile(scratch("a.zip"));
    writeFile(scratch("big.bin"), Mixed(40 * kBlock + 5, 7));
  }
  void expectNoLeftovers() {
    DIR* d = opendir(dir_.c_str());
    while (dirent* de = readdir(d))
      EXPECT_NE(std::string(de->d_name).rfind(".parcelix-", 0), 0u) << de->d_name;
    closedir(d);
  }
  zipeng::LargeFileSizes sizes_;
  std::string original_;
};

TEST_F(LargeFile, BlocksOfEveryShapeExtractIdentically) {
  const std::vector<std::pair<std::string, size_t>> files = {
      {"exact.bin", 4 * kBlock},  // the last block is empty
      {"one-more.bin", 4 * kBlock + 1},
      {"one-block.bin", kBlock / 2},  // above the limit, below one block
      {"many.bin", 40 * kBlock + 777},
  };
  std::vector<std::string> names;
  for (auto& [name, size] : files) {
    writeFile(scratch("in/" + name), Mixed(size, static_cast<uint32_t>(size)));
    names.push_back("in/" + name);
  }
  for (const std::string password : {"", "secret"}) {
    SCOPED_TRACE("password '" + password + "'");
    std::string archive = scratch(password.empty() ? "plain.zip" : "crypt.zip");
    std::vector<std::string> args = {"-6", archive};
    if (!password.empty()) args.insert(args.begin(), "-e");
    args.insert(args.end(), names.begin(), names.end());
    Recorder rec;
    ASSERT_EQ(zip(args, &rec, password), 0);
    // Streamed files report progress before their closing 100%.
    for (auto& name : names) {
      int status = 0;
      for (auto& m : rec.messages) status += m.code == zipabi::zcmStatus && m.name == name;
      EXPECT_GE(status, 2) << name;
    }
    expectAllToolsAccept(archive, password);
    std::string out = unzipTo(archive, password);
    for (auto& name : names) EXPECT_TRUE(readFile(out + "/" + name) == readFile(scratch(name))) << name;
    std::string py =
        "python3 -c \"import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
        "z.setpassword(sys.argv[2].encode()); "
        "sys.exit(sum(z.read(n) != open(n,'rb').read() for n in z.namelist()))\" '" +
        archive + "' '" + password + "'";
    EXPECT_EQ(sh(py, &out), 0) << out;
  }
}

TEST_F(LargeFile, BlocksCostAtMostHalfAPercentOfRatio) {
  // Real block size; one stream is what the whole-file path writes for the same file.
  sizes_.blockSize = zipeng::kBlockSize;
  const size_t size = 5 * zipeng::kBlockSize + 3;
  writeFile(scratch("mixed.bin"), Mixed(size, 3));
  auto packedSize = [&](const std::string& archive) {
    std::string out;
    sh("python3 -c \"import zipfile; print(zipfile.ZipFile('" + archive +
           "').getinfo('mixed.bin').compress_size)\"",
       &out);
    return std::stod(out);
  };
  ASSERT_EQ(zip({"-6", scratch("blocks.zip"), "mixed.bin"}), 0);
  zipeng::setLargeFileSizes(nullptr);
  ASSERT_EQ(zip({"-6", scratch("whole.zip"), "mixed.bin"}), 0);
  double blocks = packedSize(scratch("blocks.zip")), whole = packedSize(scratch("whole.zip"));
  EXPECT_LT(blocks, size * 0.4);  // it did compress
  EXPECT_LE(blocks, whole * 1.005) << blocks << " against " << whole;
  expectAllToolsAccept(scratch("blocks.zip"));
}

TEST_F(LargeFile, IncompressibleBlocksAreStoredWhileTheRestIsCompressed) {
  // Real block size, so that blocks are large enough to be judged.
  const size_t mib = zipeng::kBlockSize;
  sizes_.blockSize = mib;
  sizes_.wholeFileLimit = 2 * mib;
  std::string data = randomBytes(2 * mib + 100, 1) + textBytes(3 * mib, 2) + randomBytes(mib, 3);
  writeFile(scratch("big.bin"), data);
  writeFile(scratch("photo.jpg"), randomBytes(mib, 4));  // the whole-file path
  ASSERT_EQ(zip({"-6", scratch("a.zip"), "big.bin", "photo.jpg"}), 0);
  std::string out;
  sh("python3 -c \"import zipfile; z=zipfile.ZipFile('" + scratch("a.zip") +
         "'); print(*[(i.compress_type, i.compress_size) for i in z.infolist()])\"",
     &out);
  double bigPacked = 0, photoPacked = 0;
  int bigMethod = 0, photoMethod = 0;
  ASSERT_EQ(sscanf(out.c_str(), "(%d, %lf) (%d, %lf)", &bigMethod, &bigPacked, &photoMethod, &photoPacked), 4)
      << out;
  EXPECT_EQ(bigMethod, 8);
  EXPECT_LT(bigPacked, 3 * mib + 100 + 3 * mib * 0.5);  // the text in the middle was compressed
  EXPECT_EQ(photoMethod, 0);
  expectAllToolsAccept(scratch("a.zip"));
  EXPECT_TRUE(readFile(unzipTo(scratch("a.zip")) + "/big.bin") == data);
}

// Data that saves a fraction of a percent (bytes of 250 kinds only) looks incompressible, yet
// is compressed at the fastest level rather than stored: no archive is larger than zip -6's,
// through the blocks of a large file as through the whole-file path.
TEST_F(LargeFile, NearlyIncompressibleDataIsNoLargerThanZipMakesIt) {
  const size_t mib = zipeng::kBlockSize;
  sizes_.blockSize = mib;
  sizes_.wholeFileLimit = 2 * mib;
  std::string data = randomBytes(5 * mib, 9);
  for (char& c : data) c = static_cast<char>(static_cast<uint8_t>(c) % 250);
  // The data is of the kind the quick look takes for incompressible, and worth a try.
  libdeflate_compressor* fast = libdeflate_alloc_compressor(1);
  auto look = [&](const std::string& d) {
    return zipeng::lookAtInput(fast, reinterpret_cast<const uint8_t*>(d.data()), d.size());
  };
  EXPECT_EQ(look(data.substr(0, mib)), zipeng::InputLook::Fastest);
  // Random bytes are stored untried, at every size judged; text is compressed.
  for (size_t size : {mib / 2, mib, 5 * mib})
    EXPECT_EQ(look(randomBytes(size, 10)), zipeng::InputLook::Random);
  EXPECT_EQ(look(std::string(mib, 'a')), zipeng::InputLook::Compressible);
  libdeflate_free_compressor(fast);
  writeFile(scratch("big.bin"), data);
  writeFile(scratch("small.bin"), data.substr(0, mib));
  ASSERT_EQ(zip({"-6", scratch("ours.zip"), "big.bin", "small.bin"}), 0);
  ASSERT_EQ(sh("cd '" + scratch("") + "' && zip -q -6 theirs.zip big.bin small.bin"), 0);
  EXPECT_LE(readFile(scratch("ours.zip")).size(), readFile(scratch("theirs.zip")).size());
  expectAllToolsAccept(scratch("ours.zip"));
}

TEST_F(LargeFile, AbortAtAnyProgressLeavesArchiveUnchanged) {
  makeArchive();
  for (const char* mode : {"-r", "-g"}) {
    SCOPED_TRACE(mode);
    std::vector<std::string> args = {mode, "-6", scratch("a.zip"), "big.bin"};
    sh("cp '" + scratch("a.zip") + "' '" + scratch("copy.zip") + "'");
    Recorder full;
    ASSERT_EQ(zip({mode, "-6", scratch("copy.zip"), "big.bin"}, &full), 0);
    std::vector<long> progress;
    for (size_t i = 0; i < full.messages.size(); ++i)
      if (full.messages[i].code == zipabi::zcmStatus) progress.push_back(static_cast<long>(i));
    ASSERT_GT(progress.size(), 10u);
    for (long at : {progress[0], progress[1], progress[progress.size() / 2], progress[progress.size() - 2],
                    progress.back()}) {
      SCOPED_TRACE("abort at message " + std::to_string(at));
      Recorder rec;
      rec.abortAt = at;
      EXPECT_EQ(zip(args, &rec), zipabi::zrAborted);
      ASSERT_TRUE(readFile(scratch("a.zip")) == original_);
    }
  }
  expectNoLeftovers();
}

TEST_F(LargeFile, WriteFailureMidwayIsReportedAndLeavesArchiveUnchanged) {
  makeArchive();
  for (const char* mode : {"-r", "-g"}) {
    // Through a temporary copy the kept entries are written first.
    uint64_t kept = std::string(mode) == "-r" ? original_.size() : 0;
    for (uint64_t after : {kept + 10000, kept + 250000, kept + 500000}) {
      SCOPED_TRACE(std::string(mode) + " failing after " + std::to_string(after));
      int rc;
      {
        FullDisk disk(after);
        rc = zip({mode, "-6", scratch("a.zip"), "big.bin"});
      }
      EXPECT_EQ(rc, zipabi::zrDiskFull);
      ASSERT_TRUE(readFile(scratch("a.zip")) == original_);
    }
  }
  expectNoLeftovers();
}

}  // namespace
}  // namespace ztest
