// Extraction with small entries decoded on other threads: the same files, the same messages in
// the same order as with none, and nothing half-written when stopped midway. Calls the
// library's entry point linked into this test, so the number of threads can be set.
#include "unzip/write_ahead.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

using namespace testkit;

namespace {

struct Recorded {
  std::vector<std::string> lines;  // message code, name and reason
  int stopAt = -1;                 // answer "stop" to this message (counting from 0)
};

int32_t Record(int32_t message, void* data, void* userData) {
  auto* recorded = static_cast<Recorded*>(userData);
  std::string line = std::to_string(message);
  if (message == zipabi::zcmExtracting || message == zipabi::zcmStatus || message == zipabi::zcmTesting)
    line += " " + std::string(static_cast<zipabi::TZipLibFileStats*>(data)->FileName);
  if (message == zipabi::zcmSkipping) {
    auto* skipping = static_cast<zipabi::TZipLibSkipping*>(data);
    line += " " + std::string(skipping->FileName) + " " + std::to_string(skipping->Reason);
  }
  recorded->lines.push_back(line);
  return static_cast<int>(recorded->lines.size()) - 1 == recorded->stopAt ? 1 : 0;
}

int32_t CallLibrary(const std::vector<std::string>& words, Recorded& recorded) {
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  return zipabi::unzeng(zipabi::kInterfaceVersion, static_cast<int32_t>(argv.size()), argv.data(), Record,
                        &recorded) &
         0xFFFF;
}

int32_t Extract(const std::string& archive, const std::string& folder, Recorded& recorded) {
  return CallLibrary({"", "-o", archive, "-d", folder}, recorded);
}

struct WriteAheadTest : ::testing::Test {
  TempDir dir;
  void TearDown() override { zipeng::setWriteAheadThreads(0); }
};

}  // namespace

RawEntry Entry(const std::string& name, const std::string& data, bool deflate = true) {
  return rawFile(name, data, deflate);
}

TEST_F(WriteAheadTest, SameTreeAndMessagesWithAnyNumberOfThreads) {
  // Small entries of every kind among large ones, folders, a stored one and one that fails its
  // check, and names whose outcome depends on the entries before them: a name taken twice, a
  // file where a later entry needs a folder (before and after a large entry), a folder entry
  // after a file of its name, links among files, and a file already in the target folder.
  std::vector<RawEntry> entries;
  for (int i = 0; i < 300; ++i) {
    RawEntry e =
        Entry("d" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".txt",
              std::string(static_cast<size_t>(100 + i * 37), static_cast<char>('a' + i % 26)), i % 3 != 0);
    if (i == 150) e.centralCrc = 0x12345678;  // fails its check
    entries.push_back(e);
  }
  const std::vector<std::pair<size_t, RawEntry>> odd = {
      {10, Entry("empty/", "")},
      {20, Entry("twice.txt", "first")},
      {25, Entry("twice.txt", "second")},
      {30, Entry("x", "a file")},
      {35, Entry("x/inside.txt", "needs x as a folder")},
      {40, Entry("y/", "")},
      {45, Entry("y", "a file named like a folder")},
      {50, Entry("big/z", std::string(3u << 20, 'z'))},
      {55, Entry("big", "a file where the large entry made a folder")},
      {60, Entry("w", "a file where a later large entry wants a folder")},
      {65, Entry("w/big", std::string(3u << 20, 'w'))},
      {70, rawLink("l", "d1")},
      {75, Entry("l/through.txt", "through a link")},
      {80, rawLink("m", "later/target")},
      {85, Entry("later/target", "made after the link")},
      {90, Entry("there.txt", "replaces the one there")},
  };
  for (auto it = odd.rbegin(); it != odd.rend(); ++it)
    entries.insert(entries.begin() + it->first, it->second);
  // A volume label first, and one right after a link (where planning has paused): entries the
  // extracting thread passes over without asking for their plan.
  RawEntry label = Entry("LABEL", "");
  label.versionMadeBy = 0x0014;
  label.externalAttributes = zipabi::kAttrVolumeLabel;
  entries.insert(entries.begin() + 71 + 1, label);
  entries.insert(entries.begin(), label);
  const std::string archive = dir / "many.zip";
  writeFile(archive, buildArchive(entries));

  Recorded one;
  zipeng::setWriteAheadThreads(1);
  writeFile(dir / "one/there.txt", "old");
  const int32_t alone = Extract(archive, dir / "one", one);
  EXPECT_EQ(alone, zipabi::zrSomeSkipped);
  // Two: one worker beside the extracting thread, which fills files whenever it would wait.
  for (unsigned threads : {2u, 4u}) {
    SCOPED_TRACE(threads);
    const std::string out = dir / ("threads" + std::to_string(threads));
    Recorded many;
    zipeng::setWriteAheadThreads(threads);
    writeFile(out + "/there.txt", "old");
    EXPECT_EQ(Extract(archive, out, many), alone);
    EXPECT_EQ(many.lines, one.lines);
    EXPECT_EQ(snapshotTree(out), snapshotTree(dir / "one"));
    EXPECT_EQ(readFile(out + "/there.txt"), "replaces the one there");
    EXPECT_EQ(readFile(out + "/twice.txt"), "second");
  }
}

TEST_F(WriteAheadTest, StoppingMidwayLeavesExactlyTheEntriesAnnounced) {
  std::vector<RawEntry> entries;
  for (int i = 0; i < 400; ++i)
    entries.push_back(Entry("d" + std::to_string(i / 20) + "/f" + std::to_string(i) + ".txt",
                            std::string(5000, static_cast<char>('a' + i % 26))));
  const std::string archive = dir / "stop.zip";
  writeFile(archive, buildArchive(entries));
  zipeng::setWriteAheadThreads(4);
  for (int stopAt : {0, 61, 250}) {
    SCOPED_TRACE(stopAt);
    const std::string out = dir / ("out" + std::to_string(stopAt));
    Recorded recorded;
    recorded.stopAt = stopAt;
    EXPECT_EQ(Extract(archive, out, recorded), zipabi::zrAborted);
    // The files announced before the stop, whole, and the folder of the one stopped at;
    // nothing made ahead.
    const std::string extracting = std::to_string(zipabi::zcmExtracting) + " ";
    std::map<std::string, std::string> expected;
    for (size_t k = 0; k < recorded.lines.size(); ++k) {
      const std::string& line = recorded.lines[k];
      if (line.rfind(extracting, 0) != 0) continue;
      const std::string name = line.substr(extracting.size());
      expected[name.substr(0, name.find('/'))] = "D";
      if (k + 1 < recorded.lines.size()) expected[name] = "F";
    }
    ASSERT_EQ(recorded.lines.size(), static_cast<size_t>(stopAt) + 1);
    std::map<std::string, std::string> kinds;
    for (const auto& [name, kind] : snapshotTree(out)) {
      kinds[name] = kind.substr(0, 1);
      if (kinds[name] == "F") {
        const int index = std::stoi(name.substr(name.find('f') + 1));
        EXPECT_EQ(readFile(out + "/" + name), std::string(5000, static_cast<char>('a' + index % 26))) << name;
      }
    }
    EXPECT_EQ(kinds, expected);
  }
}

// Testing decodes small entries on the other threads: the same messages in the same order and
// the same result as on one, damaged entries among them, and a stop at any message keeps.
TEST_F(WriteAheadTest, TestingGivesTheSameMessagesWithAnyNumberOfThreads) {
  std::vector<RawEntry> entries;
  for (int i = 0; i < 200; ++i) {
    RawEntry e = Entry("t/f" + std::to_string(i), std::string(static_cast<size_t>(50 + i * 41), 'a' + i % 26),
                       i % 4 != 0);
    if (i == 30 || i == 170) e.centralCrc = 0xDEADBEEF;  // fails its check
    if (i == 100) {
      e.method = 8;  // a stream that ends too soon
      e.packed = std::string("\x04\xc0", 2);
    }
    entries.push_back(e);
  }
  entries.insert(entries.begin() + 60, Entry("large", std::string(3u << 20, 'L')));  // reports progress
  const std::string archive = dir / "test.zip";
  writeFile(archive, buildArchive(entries));

  Recorded one, four;
  zipeng::setWriteAheadThreads(1);
  const int32_t alone = CallLibrary({"", "-t", archive}, one);
  zipeng::setWriteAheadThreads(4);
  EXPECT_EQ(CallLibrary({"", "-t", archive}, four), alone);
  EXPECT_EQ(alone, zipabi::zrTestErrors);
  EXPECT_EQ(four.lines, one.lines);
  for (int stopAt : {0, 7, 120, static_cast<int>(one.lines.size()) - 1}) {
    Recorded stopped;
    stopped.stopAt = stopAt;
    EXPECT_EQ(CallLibrary({"", "-t", archive}, stopped), zipabi::zrAborted) << stopAt;
    EXPECT_EQ(stopped.lines, std::vector<std::string>(one.lines.begin(), one.lines.begin() + stopAt + 1));
  }
}

// Encrypted entries are tried on the other threads with the password that opened one; an entry
// it does not open comes back to the testing thread, which asks in turn: the same messages.
TEST_F(WriteAheadTest, EncryptedEntriesAreTestedAheadWithThePasswordFound) {
  if (!haveTool("7zz")) GTEST_SKIP() << "7zz is needed to write AES entries";
  for (int i = 0; i < 40; ++i)
    writeFile(dir / ("src/f" + std::to_string(i)), std::string(1000 + i * 97, 'a' + i % 26));
  const std::string archive = dir / "aes.zip";
  ASSERT_EQ(sh("cd '" + dir / "src" + "' && 7zz a -tzip -ppw -mem=AES256 '" + archive + "' . >/dev/null"), 0);
  ASSERT_EQ(sh("cd '" + dir / "src" + "' && 7zz a -tzip -pother -mem=AES256 '" + archive + "' f7 >/dev/null"),
            0);
  for (const std::string password : {"pw", "wrong"}) {
    SCOPED_TRACE(password);
    Recorded one, four;
    zipeng::setWriteAheadThreads(1);
    const int32_t alone = CallLibrary({password, "-t", archive}, one);
    zipeng::setWriteAheadThreads(4);
    EXPECT_EQ(CallLibrary({password, "-t", archive}, four), alone);
    EXPECT_EQ(alone, password == "pw" ? zipabi::zrSomeSkipped : zipabi::zrNothingTested);
    EXPECT_EQ(four.lines, one.lines);
  }
}
