// Spanned sets, the archive's own date ("-o") and the archive comment ("-z").
#include <sys/stat.h>

#include "zip_test_support.h"

namespace ztest {
namespace {

class ArchiveLevel : public ZipTest {};

TEST_F(ArchiveLevel, SpannedSetOfSeveralSegmentsJoinsToAGoodArchive) {
  setenv("PARCELIX_DISK_SIZE", "100000", 1);
  MakeMixedTree("src");
  WriteFile(P("src/more.bin"), RandomBytes(250000, 9));
  Recorder rec;
  ASSERT_EQ(Zip({"-!", "-g", "-r", P("set.zip"), "src"}, &rec), 0);
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
    ASSERT_EQ(stat(P(seg).c_str(), &st), 0) << seg;
    EXPECT_LE(st.st_size, 100000);
  }
  std::string out;
  ASSERT_EQ(Sh("cd '" + dir_ + "' && zip -q -s 0 set.zip --out joined.zip", &out), 0) << out;
  EXPECT_EQ(Sh("unzip -t '" + P("joined.zip") + "'", &out), 0) << out;
  EXPECT_EQ(Sh("7zz t '" + P("set.zip") + "'", &out), 0) << out;
  std::string x = UnzipTo(P("joined.zip"));
  EXPECT_EQ(ReadFile(x + "/src/more.bin"), ReadFile(P("src/more.bin")));
}

TEST_F(ArchiveLevel, SpannedSetCanBeUpdatedAndStaleSegmentsCleared) {
  setenv("PARCELIX_DISK_SIZE", "65536", 1);
  WriteFile(P("a.bin"), RandomBytes(300000, 1));
  WriteFile(P("b.txt"), "b");
  ASSERT_EQ(Zip({"-!", "-g", P("s.zip"), "a.bin", "b.txt"}), 0);
  ASSERT_TRUE(Exists(P("s.z04")));
  // A set is refused without "-!".
  EXPECT_EQ(Zip({"-u", P("s.zip"), "b.txt"}), zipabi::zrSpannedNotMultidisk);
  // Smaller now: the set shrinks and "-&" removes the segments left over.
  WriteFile(P("a.bin"), "small now", 2000000000);
  ASSERT_EQ(Zip({"-!", "-g", "-&", "-u", P("s.zip"), "a.bin"}), 0);
  EXPECT_FALSE(Exists(P("s.z04")));
  std::string out;
  EXPECT_EQ(Sh("7zz t '" + P("s.zip") + "'", &out), 0) << out;
}

TEST_F(ArchiveLevel, CancellingANewDiskAbortsAndLeavesNoSegments) {
  setenv("PARCELIX_DISK_SIZE", "65536", 1);
  WriteFile(P("a.bin"), RandomBytes(300000, 1));
  bool stoppedAtDisk = false;
  for (size_t i = 0; i < 1000 && !stoppedAtDisk; ++i) {
    Recorder probe;
    probe.abortAt = static_cast<long>(i);
    int rc = Zip({"-!", "-g", P("c.zip"), "a.bin"}, &probe);
    ASSERT_EQ(rc, zipabi::zrAborted);
    stoppedAtDisk = probe.messages.back().code == zipabi::zcmNewDisk;
  }
  EXPECT_TRUE(stoppedAtDisk);
  EXPECT_FALSE(Exists(P("c.zip")));
  EXPECT_FALSE(Exists(P("c.z01")));
  std::string out;
  Sh("ls -A '" + dir_ + "'", &out);
  EXPECT_EQ(out.find(".parcelix-"), std::string::npos) << out;
}

TEST_F(ArchiveLevel, RedateTakesTheNewestFileEntry) {
  WriteFile(P("d/a.txt"), "a", 1500000000);
  WriteFile(P("d/b.txt"), "b", 1600000000);
  ASSERT_EQ(Zip({"-r", "-D", P("o.zip"), "d"}), 0);
  ASSERT_EQ(Zip({"-o", P("o.zip")}), 0);
  struct stat st {};
  ASSERT_EQ(stat(P("o.zip").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1600000000);
  Sh("mkdir -p '" + P("e/f") + "'");
  ASSERT_EQ(Zip({"-r", "-D", P("folders.zip"), "e"}), 0);
  EXPECT_EQ(Zip({"-o", P("folders.zip")}), zipabi::zrOnlyFolders);
  EXPECT_EQ(Zip({"-o", P("absent.zip")}), zipabi::zrArchiveNotFound);
}

TEST_F(ArchiveLevel, CommentIsWrittenOrLeftAlone) {
  WriteFile(P("a.txt"), "a");
  ASSERT_EQ(Zip({P("c.zip"), "a.txt"}), 0);
  for (bool grow : {false, true}) {
    SCOPED_TRACE(grow ? "in place" : "temporary copy");
    std::string comment = grow ? "grown comment" : "a comment";
    Recorder rec;
    rec.answerArchiveComment = true;
    rec.archiveComment = comment;
    std::vector<std::string> args = {"-z", P("c.zip")};
    if (grow) args.insert(args.begin() + 1, "-g");
    ASSERT_EQ(Zip(args, &rec, ""), 0);
    EXPECT_EQ(rec.Count(zipabi::zcmNewArchiveComment), 1);
    std::string out;
    Sh("python3 -c \"import zipfile;print(zipfile.ZipFile('" + P("c.zip") + "').comment.decode())\"", &out);
    EXPECT_EQ(out, comment + "\n");
    ExpectAllToolsAccept(P("c.zip"));
  }
  // The same text again, or no answer at all: not a byte changes.
  std::string before = ReadFile(P("c.zip"));
  Recorder same;
  same.answerArchiveComment = true;
  same.archiveComment = "grown comment";
  ASSERT_EQ(Zip({"-z", P("c.zip")}, &same), 0);
  Recorder silent;
  ASSERT_EQ(Zip({"-z", P("c.zip")}, &silent), 0);
  EXPECT_TRUE(ReadFile(P("c.zip")) == before);
  EXPECT_EQ(Zip({"-z", P("absent.zip")}), zipabi::zrArchiveNotFound);
}

TEST_F(ArchiveLevel, BadVectorsAreRefusedWithoutTouchingAnything) {
  EXPECT_EQ(Zip({"-t", "13xx99", P("x.zip"), "a"}), zipabi::zrCannotAccess);
  EXPECT_EQ(Zip({"-b"}), zipabi::zrCannotAccess);
  EXPECT_EQ(Zip({"-q", P("x.zip")}), zipabi::zrCannotAccess);
  EXPECT_EQ(Zip({}), zipabi::zrCannotAccess);
  EXPECT_FALSE(Exists(P("x.zip")));
  // A file that is not an archive is never overwritten by an add.
  WriteFile(P("not.zip"), "just text, not an archive");
  WriteFile(P("a.txt"), "a");
  EXPECT_EQ(Zip({P("not.zip"), "a.txt"}), zipabi::zrArchiveTooCorrupted);
  EXPECT_EQ(ReadFile(P("not.zip")), "just text, not an archive");
  // An empty file is a new archive.
  WriteFile(P("empty.zip"), "");
  EXPECT_EQ(Zip({P("empty.zip"), "a.txt"}), 0);
  ExpectAllToolsAccept(P("empty.zip"));
}

}  // namespace
}  // namespace ztest
