// Spanned sets made by zip -s, the query block, the archive comment and the listing record.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "test_support.h"

using namespace testkit;

namespace {

struct Spanned : ::testing::Test {
  TempDir dir;
  Library lib;
  std::string archive;
  void SetUp() override {
    if (!haveTool("zip")) GTEST_SKIP() << "zip not installed";
    std::string src = dir / "src";
    sh("mkdir -p '" + src + "/d' && head -c 150000 /dev/urandom > '" + src +
       "/d/r1' && head -c 90000 /dev/urandom > '" + src + "/r2' && seq 1 20000 > '" + src + "/d/text'");
    ASSERT_EQ(sh("cd '" + src + "' && zip -qr -s 64k ../set.zip ."), 0);
    archive = dir / "set.zip";
    ASSERT_TRUE(exists(dir / "set.z01"));
  }
};

}  // namespace

// Segments that lie beside the last one are read without a question.
TEST_F(Spanned, ListsExtractsAndTestsWithoutAQuestionWhenEverySegmentIsThere) {
  EXPECT_EQ(lib.run({"", "-v", "-!", archive}), 0);
  EXPECT_EQ(lib.of(zipabi::zcmListing).size(), 4u);
  ASSERT_EQ(lib.run({"", "-!", archive, "-d", dir / "out"}), 0);
  EXPECT_EQ(snapshotTree(dir / "out"), snapshotTree(dir / "src"));
  EXPECT_EQ(lib.run({"", "-!", "-t", archive}), 0);
  EXPECT_TRUE(lib.of(zipabi::zcmNewDisk).empty());
}

// A segment that is not there is asked for by its number until it is put in place; answered
// without it a few times, the read fails instead of asking for ever.
TEST_F(Spanned, AMissingSegmentIsAskedForByNumber) {
  ASSERT_EQ(std::rename((dir / "set.z02").c_str(), (dir / "away").c_str()), 0);
  lib.abortWhen = [&](const Message& m) {
    if (m.code == zipabi::zcmNewDisk && lib.of(zipabi::zcmNewDisk).size() == 2)
      std::rename((dir / "away").c_str(), (dir / "set.z02").c_str());
    return false;
  };
  ASSERT_EQ(lib.run({"", "-!", archive, "-d", dir / "out"}), 0);
  EXPECT_EQ(snapshotTree(dir / "out"), snapshotTree(dir / "src"));
  std::vector<int32_t> disks;
  for (const auto& m : lib.of(zipabi::zcmNewDisk)) disks.push_back(m.value);
  EXPECT_EQ(disks, (std::vector<int32_t>{2, 2}));

  ASSERT_EQ(std::rename((dir / "set.z02").c_str(), (dir / "away").c_str()), 0);
  lib.abortWhen = nullptr;
  EXPECT_EQ(lib.run({"", "-!", "-t", archive}), zipabi::zrCannotAccess);
  EXPECT_EQ(lib.of(zipabi::zcmNewDisk).size(), 3u);
}

// Without "-!" the last segment of a set is recognised by its end record and the set is read
// as one: listed, counted, tested and extracted, never refused for want of a switch.
TEST_F(Spanned, ReadAsASetWithoutTheMultidiskSwitch) {
  EXPECT_EQ(lib.run({"", "-v", archive}), 0);
  EXPECT_EQ(lib.of(zipabi::zcmListing).size(), 4u);
  EXPECT_EQ(lib.run({"", "-t", archive}), 0);
  ASSERT_EQ(lib.run({"", archive, "-d", dir / "out"}), 0);
  EXPECT_EQ(snapshotTree(dir / "out"), snapshotTree(dir / "src"));
  for (const int32_t selector : {zipabi::kSelectorCount, zipabi::kSelectorMultidiskCount}) {
    EXPECT_EQ(lib.query(archive, selector), 0);
    ASSERT_EQ(lib.of(zipabi::zcmEntryCount).size(), 1u);
    EXPECT_EQ(lib.of(zipabi::zcmEntryCount)[0].value, 4);
  }
}

TEST_F(Spanned, AbortAtADiskQuestionStops) {
  ASSERT_EQ(std::remove((dir / "set.z01").c_str()), 0);
  lib.abortWhen = [](const Message& m) { return m.code == zipabi::zcmNewDisk && m.value != 0; };
  EXPECT_EQ(lib.run({"", "-!", archive, "-d", dir / "out"}), zipabi::zrAborted);
}

TEST(Queries, CountEntryAndComment) {
  TempDir dir;
  Library lib;
  RawEntry a;
  a.name = "first.txt";
  a.data = std::string(1000, 'a');
  a.deflate = true;
  a.comment = "about first";
  a.externalAttributes = (0100444u << 16);  // read-only
  RawEntry b;
  b.name = "dir/.hidden";
  b.data = "h";
  std::string archive = dir / "q.zip";
  writeFile(archive, buildArchive({a, b}, "archive comment"));

  EXPECT_EQ(lib.query(archive, zipabi::kSelectorCount), 0);
  ASSERT_EQ(lib.messages.size(), 1u);
  EXPECT_EQ(lib.messages[0].code, zipabi::zcmEntryCount);
  EXPECT_EQ(lib.messages[0].value, 2);

  EXPECT_EQ(lib.query(archive, 1), 0);
  ASSERT_EQ(lib.messages.size(), 1u);
  const Message& m = lib.messages[0];
  EXPECT_EQ(m.code, zipabi::zcmEntryStats);
  EXPECT_EQ(m.name, "first.txt");
  EXPECT_EQ(m.size, 1000);
  EXPECT_EQ(m.dosDateTime, (0x5A21u << 16) | 0x6000u);
  EXPECT_EQ(m.text, "about first");
  EXPECT_EQ(m.attributes, zipabi::kAttrReadOnly);
  EXPECT_GT(m.ratio, 90);

  EXPECT_EQ(lib.query(archive, 2), 0);
  EXPECT_EQ(lib.messages.at(0).attributes, zipabi::kAttrHidden);
  EXPECT_EQ(lib.query(archive, 3), zipabi::zrNothingToDo);
  EXPECT_TRUE(lib.messages.empty());
  EXPECT_EQ(lib.query(dir / "none.zip", 0), zipabi::zrArchiveNotFound);

  EXPECT_EQ(lib.run({"", "-z", archive}), 0);
  ASSERT_EQ(lib.of(zipabi::zcmArchiveComment).size(), 1u);
  EXPECT_EQ(lib.of(zipabi::zcmArchiveComment)[0].text, "archive comment");
  writeFile(archive, buildArchive({a}));
  EXPECT_EQ(lib.run({"", "-z", archive}), 0);
  EXPECT_EQ(lib.of(zipabi::zcmArchiveComment).at(0).text, "");
}

TEST(Queries, CodePage437NamesAreShownInUtf8AndAbortStopsAListing) {
  TempDir dir;
  Library lib;
  RawEntry dos;
  dos.name =
      "\x81"
      "ber.txt";                  // "über" in code page 437
  dos.versionMadeBy = 0x0014;     // MS-DOS
  dos.externalAttributes = 0x21;  // read-only, archive
  dos.data = "x";
  RawEntry other = dos;
  other.name = "other.txt";
  std::string archive = dir / "dos.zip";
  writeFile(archive, buildArchive({dos, other}));
  EXPECT_EQ(lib.run({"", "-v", archive}), 0);
  ASSERT_EQ(lib.of(zipabi::zcmListing).size(), 2u);
  EXPECT_EQ(lib.of(zipabi::zcmListing)[0].name,
            "\xC3\xBC"
            "ber.txt");
  EXPECT_EQ(lib.of(zipabi::zcmListing)[0].attributes, zipabi::kAttrReadOnly | zipabi::kAttrArchive);
  lib.abortWhen = [](const Message& m) { return m.code == zipabi::zcmListing; };
  EXPECT_EQ(lib.run({"", "-v", archive}), zipabi::zrAborted);
  EXPECT_EQ(lib.of(zipabi::zcmListing).size(), 1u);
}

TEST(SpannedStrays, SegmentFilesThatDoNotBelongAreIgnored) {
  TempDir dir;
  Library lib;
  RawEntry a;
  a.name = "a.txt";
  a.data = "alone";
  writeFile(dir / "one.zip", buildArchive({a}, "c"));
  writeFile(dir / "one.z01", std::string(5000, 'j'));  // left over from another set
  EXPECT_EQ(lib.run({"", "-!", dir / "one.zip", "-d", dir / "out"}), 0);
  EXPECT_EQ(readFile(dir / "out/a.txt"), "alone");
  EXPECT_EQ(lib.run({"", "-z", dir / "one.zip"}), 0);
  EXPECT_EQ(lib.of(zipabi::zcmArchiveComment).at(0).text, "c");
  EXPECT_EQ(lib.query(dir / "one.zip", zipabi::kSelectorMultidiskCount), 0);
  EXPECT_EQ(lib.of(zipabi::zcmEntryCount).at(0).value, 1);
}

TEST_F(Spanned, CommentOfASpannedSetAndAMissingSegment) {
  EXPECT_EQ(lib.run({"", "-z", archive}), 0);
  EXPECT_EQ(lib.of(zipabi::zcmArchiveComment).size(), 1u);
  ASSERT_EQ(std::rename((dir / "set.z01").c_str(), (dir / "moved.z01").c_str()), 0);
  EXPECT_EQ(lib.run({"", "-!", "-t", archive}), zipabi::zrCannotAccess);
}
