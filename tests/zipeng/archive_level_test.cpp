// Spanned sets, the archive's own date ("-o") and the archive comment ("-z").
#include <sys/stat.h>

#include "zip_test_support.h"

namespace ztest {
namespace {

class ArchiveLevel : public ZipTest {};

TEST_F(ArchiveLevel, SpannedSetOfSeveralSegmentsJoinsToAGoodArchive) {
  setenv("PARCELIX_DISK_SIZE", "100000", 1);
  makeMixedTree("src");
  writeFile(scratch("src/more.bin"), randomBytes(250000, 9));
  Recorder rec;
  ASSERT_EQ(zip({"-!", "-g", "-r", scratch("set.zip"), "src"}, &rec), 0);
  // Message 110 before each segment after the first, numbered from 2.
  std::vector<int> disks;
  for (auto& m : rec.messages)
    if (m.code == zipabi::zcmNewDisk) disks.push_back(m.value);
  ASSERT_GE(disks.size(), 3u);
  for (size_t i = 0; i < disks.size(); ++i) EXPECT_EQ(disks[i], static_cast<int>(i + 2));
  for (size_t i = 1; i <= disks.size(); ++i) {
    char seg[32];
    snprintf(seg, sizeof seg, "set.z%02zu", i);
    struct stat st {};
    ASSERT_EQ(stat(scratch(seg).c_str(), &st), 0) << seg;
    EXPECT_LE(st.st_size, 100000);
  }
  std::string out;
  ASSERT_EQ(sh("cd '" + dir_ + "' && zip -q -s 0 set.zip --out joined.zip", &out), 0) << out;
  EXPECT_EQ(sh("unzip -t '" + scratch("joined.zip") + "'", &out), 0) << out;
  EXPECT_EQ(sh("7zz t '" + scratch("set.zip") + "'", &out), 0) << out;
  std::string x = unzipTo(scratch("joined.zip"));
  EXPECT_EQ(readFile(x + "/src/more.bin"), readFile(scratch("src/more.bin")));
}

TEST_F(ArchiveLevel, SpannedSetCanBeUpdatedAndStaleSegmentsCleared) {
  setenv("PARCELIX_DISK_SIZE", "65536", 1);
  writeFile(scratch("a.bin"), randomBytes(300000, 1));
  writeFile(scratch("b.txt"), "b");
  ASSERT_EQ(zip({"-!", "-g", scratch("s.zip"), "a.bin", "b.txt"}), 0);
  ASSERT_TRUE(exists(scratch("s.z04")));
  // A set is refused without "-!".
  EXPECT_EQ(zip({"-u", scratch("s.zip"), "b.txt"}), zipabi::zrSpannedNotMultidisk);
  // Smaller now: the set shrinks and "-&" removes the segments left over.
  writeFile(scratch("a.bin"), "small now", 2000000000);
  ASSERT_EQ(zip({"-!", "-g", "-&", "-u", scratch("s.zip"), "a.bin"}), 0);
  EXPECT_FALSE(exists(scratch("s.z04")));
  std::string out;
  EXPECT_EQ(sh("7zz t '" + scratch("s.zip") + "'", &out), 0) << out;
}

TEST_F(ArchiveLevel, CancellingANewDiskAbortsAndLeavesNoSegments) {
  setenv("PARCELIX_DISK_SIZE", "65536", 1);
  writeFile(scratch("a.bin"), randomBytes(300000, 1));
  bool stoppedAtDisk = false;
  for (size_t i = 0; i < 1000 && !stoppedAtDisk; ++i) {
    Recorder probe;
    probe.abortAt = static_cast<long>(i);
    int rc = zip({"-!", "-g", scratch("c.zip"), "a.bin"}, &probe);
    ASSERT_EQ(rc, zipabi::zrAborted);
    stoppedAtDisk = probe.messages.back().code == zipabi::zcmNewDisk;
  }
  EXPECT_TRUE(stoppedAtDisk);
  EXPECT_FALSE(exists(scratch("c.zip")));
  EXPECT_FALSE(exists(scratch("c.z01")));
  std::string out;
  sh("ls -A '" + dir_ + "'", &out);
  EXPECT_EQ(out.find(".parcelix-"), std::string::npos) << out;
}

TEST_F(ArchiveLevel, RedateTakesTheNewestFileEntry) {
  writeFile(scratch("d/a.txt"), "a", 1500000000);
  writeFile(scratch("d/b.txt"), "b", 1600000000);
  ASSERT_EQ(zip({"-r", "-D", scratch("o.zip"), "d"}), 0);
  ASSERT_EQ(zip({"-o", scratch("o.zip")}), 0);
  struct stat st {};
  ASSERT_EQ(stat(scratch("o.zip").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1600000000);
  sh("mkdir -p '" + scratch("e/f") + "'");
  ASSERT_EQ(zip({"-r", "-D", scratch("folders.zip"), "e"}), 0);
  EXPECT_EQ(zip({"-o", scratch("folders.zip")}), zipabi::zrOnlyFolders);
  EXPECT_EQ(zip({"-o", scratch("absent.zip")}), zipabi::zrArchiveNotFound);
}

TEST_F(ArchiveLevel, CommentIsWrittenOrLeftAlone) {
  writeFile(scratch("a.txt"), "a");
  ASSERT_EQ(zip({scratch("c.zip"), "a.txt"}), 0);
  for (bool grow : {false, true}) {
    SCOPED_TRACE(grow ? "in place" : "temporary copy");
    std::string comment = grow ? "grown comment" : "a comment";
    Recorder rec;
    rec.answerArchiveComment = true;
    rec.archiveComment = comment;
    std::vector<std::string> args = {"-z", scratch("c.zip")};
    if (grow) args.insert(args.begin() + 1, "-g");
    ASSERT_EQ(zip(args, &rec, ""), 0);
    EXPECT_EQ(rec.count(zipabi::zcmNewArchiveComment), 1);
    std::string out;
    sh("python3 -c \"import zipfile;print(zipfile.ZipFile('" + scratch("c.zip") + "').comment.decode())\"",
       &out);
    EXPECT_EQ(out, comment + "\n");
    expectAllToolsAccept(scratch("c.zip"));
  }
  // The same text again, or no answer at all: not a byte changes.
  std::string before = readFile(scratch("c.zip"));
  Recorder same;
  same.answerArchiveComment = true;
  same.archiveComment = "grown comment";
  ASSERT_EQ(zip({"-z", scratch("c.zip")}, &same), 0);
  Recorder silent;
  ASSERT_EQ(zip({"-z", scratch("c.zip")}, &silent), 0);
  EXPECT_TRUE(readFile(scratch("c.zip")) == before);
  EXPECT_EQ(zip({"-z", scratch("absent.zip")}), zipabi::zrArchiveNotFound);
}

TEST_F(ArchiveLevel, BadVectorsAreRefusedWithoutTouchingAnything) {
  EXPECT_EQ(zip({"-t", "13xx99", scratch("x.zip"), "a"}), zipabi::zrCannotAccess);
  EXPECT_EQ(zip({"-b"}), zipabi::zrCannotAccess);
  EXPECT_EQ(zip({"-q", scratch("x.zip")}), zipabi::zrCannotAccess);
  EXPECT_EQ(zip({}), zipabi::zrCannotAccess);
  EXPECT_FALSE(exists(scratch("x.zip")));
  // A file that is not an archive is never overwritten by an add.
  writeFile(scratch("not.zip"), "just text, not an archive");
  writeFile(scratch("a.txt"), "a");
  EXPECT_EQ(zip({scratch("not.zip"), "a.txt"}), zipabi::zrArchiveTooCorrupted);
  EXPECT_EQ(readFile(scratch("not.zip")), "just text, not an archive");
  // An empty file is a new archive.
  writeFile(scratch("empty.zip"), "");
  EXPECT_EQ(zip({scratch("empty.zip"), "a.txt"}), 0);
  expectAllToolsAccept(scratch("empty.zip"));
}

}  // namespace
}  // namespace ztest
