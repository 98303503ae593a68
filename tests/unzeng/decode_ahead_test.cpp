// Extraction with small entries decoded on other threads: the same files, the same messages in
// the same order as with none, and nothing half-written when stopped midway. Calls the
// library's entry point linked into this test, so the number of threads can be set.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "unzip/decode_ahead.h"

using namespace testkit;

namespace {

struct Recorded {
  std::vector<std::string> lines;  // message code, name and reason
  int stopAt = -1;                 // answer "stop" to this message (counting from 0)
};

int32_t Record(int32_t message, void* data, void* userData) {
  auto* recorded = static_cast<Recorded*>(userData);
  std::string line = std::to_string(message);
  if (message == zipabi::zcmExtracting || message == zipabi::zcmStatus)
    line += " " + std::string(static_cast<zipabi::TZipLibFileStats*>(data)->FileName);
  if (message == zipabi::zcmSkipping) {
    auto* skipping = static_cast<zipabi::TZipLibSkipping*>(data);
    line += " " + std::string(skipping->FileName) + " " + std::to_string(skipping->Reason);
  }
  recorded->lines.push_back(line);
  return static_cast<int>(recorded->lines.size()) - 1 == recorded->stopAt ? 1 : 0;
}

int32_t Extract(const std::string& archive, const std::string& folder, Recorded& recorded) {
  std::vector<std::string> words{"", "-o", archive, "-d", folder};
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  return zipabi::unzeng(zipabi::kInterfaceVersion, static_cast<int32_t>(argv.size()), argv.data(), Record, &recorded) &
         0xFFFF;
}

struct DecodeAheadTest : ::testing::Test {
  TempDir dir;
  void TearDown() override { zipeng::setDecodeAheadThreads(0); }
};

}  // namespace

TEST_F(DecodeAheadTest, SameTreeAndMessagesWithAnyNumberOfThreads) {
  // Small entries of every kind among a large one, a folder, a stored one and one that fails
  // its check, so the helpers' results and the extracting thread's own reads interleave.
  std::vector<RawEntry> entries;
  for (int i = 0; i < 300; ++i) {
    RawEntry e;
    e.name = "d" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".txt";
    e.data = std::string(static_cast<size_t>(100 + i * 37), static_cast<char>('a' + i % 26));
    e.deflate = i % 3 != 0;
    if (i == 150) e.centralCrc = 0x12345678;  // fails its check
    entries.push_back(e);
  }
  RawEntry big;
  big.name = "big.bin";
  big.data = std::string(3u << 20, 'z');
  big.deflate = true;
  entries.insert(entries.begin() + 100, big);
  RawEntry folder;
  folder.name = "empty/";
  entries.insert(entries.begin() + 10, folder);
  const std::string archive = dir / "many.zip";
  writeFile(archive, buildArchive(entries));

  Recorded one, four;
  zipeng::setDecodeAheadThreads(1);
  const int32_t alone = Extract(archive, dir / "one", one);
  zipeng::setDecodeAheadThreads(4);
  EXPECT_EQ(Extract(archive, dir / "four", four), alone);
  EXPECT_EQ(alone, zipabi::zrSomeSkipped);
  EXPECT_EQ(four.lines, one.lines);
  EXPECT_EQ(snapshotTree(dir / "four"), snapshotTree(dir / "one"));
}

TEST_F(DecodeAheadTest, StoppingMidwayLeavesWholeFilesOnly) {
  std::vector<RawEntry> entries;
  for (int i = 0; i < 200; ++i) {
    RawEntry e;
    e.name = "f" + std::to_string(i) + ".txt";
    e.data = std::string(5000, static_cast<char>('a' + i % 26));
    e.deflate = true;
    entries.push_back(e);
  }
  const std::string archive = dir / "stop.zip";
  writeFile(archive, buildArchive(entries));
  zipeng::setDecodeAheadThreads(4);
  Recorded recorded;
  recorded.stopAt = 60;
  EXPECT_EQ(Extract(archive, dir / "out", recorded), zipabi::zrAborted);
  const auto tree = snapshotTree(dir / "out");
  EXPECT_LT(tree.size(), 200u);
  // Every file there is whole (no temporary or cut file).
  for (const auto& [name, kind] : tree) {
    const int index = std::stoi(name.substr(name.find('f') + 1));
    EXPECT_EQ(readFile(dir / "out/" + name), std::string(5000, static_cast<char>('a' + index % 26))) << name;
  }
}
