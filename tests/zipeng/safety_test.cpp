// Whatever goes wrong, the user's archive survives: an abort at any message or a full disk
// leaves it byte-identical (through a temporary copy) or restored to its old bytes ("-g"),
// and "-m" deletes no source unless the archive holding it is safely written.
#include <dirent.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/compressor_deflate.h"
#include "zip_test_support.h"

namespace ztest {
namespace {

class Safety : public ZipTest {
 protected:
  void MakeArchive() {
    MakeMixedTree("src");
    ASSERT_EQ(Zip({"-r", "-6", P("a.zip"), "src"}), 0);
    original_ = ReadFile(P("a.zip"));
    WriteFile(P("more/one.txt"), TextBytes(200000, 11));
    WriteFile(P("more/two.bin"), RandomBytes(50000, 12));
    WriteFile(P("src/readme.txt"), "changed\n", 1700000000);
  }
  // No temporary file is left in the archive's folder.
  void ExpectNoLeftovers() {
    DIR* d = opendir(dir_.c_str());
    while (dirent* de = readdir(d))
      EXPECT_NE(std::string(de->d_name).rfind(".parcelix-", 0), 0u) << de->d_name;
    closedir(d);
  }
  std::string original_;
};

TEST_F(Safety, AbortAtEveryMessageLeavesArchiveUnchanged) {
  MakeArchive();
  // Through a temporary copy, in place with update, in place with a plain add (which reads
  // only the directory's records).
  const std::vector<std::vector<std::string>> variants = {
      {"-r", "-u", P("a.zip"), "src", "more"},
      {"-g", "-r", "-u", P("a.zip"), "src", "more"},
      {"-g", "-r", P("a.zip"), "src", "more"},
  };
  for (size_t v = 0; v < variants.size(); ++v) {
    Recorder full;
    std::vector<std::string> args = variants[v];
    // Count the messages of a full run on a copy, then abort at each of them in turn.
    Sh("cp '" + P("a.zip") + "' '" + P("copy.zip") + "'");
    std::vector<std::string> copyArgs = args;
    for (auto& a : copyArgs)
      if (a == P("a.zip")) a = P("copy.zip");
    ASSERT_EQ(Zip(copyArgs, &full), 0);
    ASSERT_GT(full.messages.size(), 5u);
    for (size_t at = 0; at < full.messages.size(); ++at) {
      SCOPED_TRACE("variant " + std::to_string(v) + " abort at message " + std::to_string(at));
      Recorder rec;
      rec.abortAt = static_cast<long>(at);
      EXPECT_EQ(Zip(args, &rec), zipabi::zrAborted);
      ASSERT_TRUE(ReadFile(P("a.zip")) == original_);
    }
  }
  ExpectNoLeftovers();
}

TEST_F(Safety, AbortDuringDeleteRepairAndCommentLeavesArchiveUnchanged) {
  MakeArchive();
  Recorder rec;
  rec.abortAt = 1;
  EXPECT_EQ(Zip({"-d", P("a.zip"), "src/*.txt"}, &rec), zipabi::zrAborted);
  EXPECT_TRUE(ReadFile(P("a.zip")) == original_);
  Recorder rec2;
  rec2.abortAt = 2;
  EXPECT_EQ(Zip({"-FF", P("a.zip")}, &rec2), zipabi::zrAborted);
  EXPECT_TRUE(ReadFile(P("a.zip")) == original_);
  Recorder rec3;
  rec3.abortAt = 0;
  rec3.answerArchiveComment = true;
  rec3.archiveComment = "new";
  EXPECT_EQ(Zip({"-z", "-g", P("a.zip")}, &rec3), zipabi::zrAborted);
  EXPECT_TRUE(ReadFile(P("a.zip")) == original_);
  ExpectNoLeftovers();
}

TEST_F(Safety, WriteFailureAtAnyPointLeavesArchiveIntact) {
  MakeArchive();
  const std::vector<std::vector<std::string>> commands = {
      {"-r", "-u", P("a.zip"), "src", "more"},
      {"-g", "-r", "-u", P("a.zip"), "src", "more"},
      {"-d", P("a.zip"), "src/docs/*"},
      {"-F", P("a.zip")},
  };
  for (const auto& args : commands) {
    for (long after : {0L, 10L, 5000L, 150000L, 400000L}) {
      SCOPED_TRACE(args[0] + " " + args[1] + " failing after " + std::to_string(after));
      WriteFile(P("a.zip"), original_);
      int rc;
      {
        FullDisk disk(static_cast<uint64_t>(after));
        rc = Zip(args);
      }
      if (rc == 0) continue;  // the whole change fitted before the limit
      EXPECT_EQ(rc, zipabi::zrDiskFull);
      ASSERT_TRUE(ReadFile(P("a.zip")) == original_);
    }
  }
  ExpectNoLeftovers();
}

TEST_F(Safety, FullTmpfsLeavesArchiveIntact) {
  // A real full disk, when this machine lets us mount a small tmpfs.
  std::string mnt = P("small");
  Sh("mkdir -p '" + mnt + "'");
  if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=1m") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
  WriteFile(P("small/in.txt"), TextBytes(1000, 1));
  ASSERT_EQ(Zip({mnt + "/a.zip", "small/in.txt"}), 0);
  std::string before = ReadFile(mnt + "/a.zip");
  WriteFile(P("huge.bin"), RandomBytes(1500000, 2));
  EXPECT_EQ(Zip({"-0", mnt + "/a.zip", "huge.bin"}), zipabi::zrDiskFull);
  EXPECT_TRUE(ReadFile(mnt + "/a.zip") == before);
  EXPECT_EQ(Zip({"-g", "-0", mnt + "/a.zip", "huge.bin"}), zipabi::zrDiskFull);
  EXPECT_TRUE(ReadFile(mnt + "/a.zip") == before);
  umount(mnt.c_str());
}

// A name that became a pipe after the folder walk is skipped at once instead of blocking the add.
TEST_F(Safety, SourceSwappedForAPipeIsSkipped) {
  ASSERT_EQ(mkfifo(P("pipe").c_str(), 0644), 0);
  zipeng::CompressJob job;
  job.path = P("pipe");
  job.expectedSize = 100;
  zipeng::DeflateWorker worker;
  EXPECT_EQ(worker.compressWhole(job).skipReason, zipabi::zsrCannotOpen);
  zipeng::WriterEntry entry;
  int error = 0;
  auto sink = zipeng::openTempFileSink(P("s.zip"), "", &error);
  ASSERT_TRUE(sink);
  EXPECT_EQ(zipeng::streamCompressFile(job, entry, *sink, {}), -1 - zipabi::zsrCannotOpen);
}

TEST_F(Safety, MoveKeepsEverySourceWhenTheArchiveFails) {
  WriteFile(P("m/a.txt"), TextBytes(100000, 1));
  WriteFile(P("m/b.txt"), TextBytes(100000, 2));
  {
    FullDisk disk(20000);
    EXPECT_EQ(Zip({"-m", "-r", P("m.zip"), "m"}), zipabi::zrDiskFull);
  }
  EXPECT_TRUE(Exists(P("m/a.txt")));
  EXPECT_TRUE(Exists(P("m/b.txt")));
  EXPECT_FALSE(Exists(P("m.zip")));
  Recorder abort;
  abort.abortAt = 3;
  EXPECT_EQ(Zip({"-m", "-r", P("m.zip"), "m"}, &abort), zipabi::zrAborted);
  EXPECT_TRUE(Exists(P("m/a.txt")));
  EXPECT_TRUE(Exists(P("m/b.txt")));
  // And a successful move removes them only after the archive is written.
  ASSERT_EQ(Zip({"-m", "-r", P("m.zip"), "m"}), 0);
  EXPECT_FALSE(Exists(P("m/a.txt")));
  EXPECT_FALSE(Exists(P("m/b.txt")));
  ExpectAllToolsAccept(P("m.zip"));
}

TEST_F(Safety, GrowInPlaceAppendsWithoutTouchingOldEntries) {
  MakeArchive();
  std::string out;
  ASSERT_EQ(Sh("python3 -c \"import zipfile;print(zipfile.ZipFile('" + P("a.zip") + "').start_dir)\"", &out),
            0);
  size_t oldDirectory = std::stoul(out);
  ASSERT_EQ(Zip({"-g", P("a.zip"), "more/one.txt"}), 0);
  std::string grown = ReadFile(P("a.zip"));
  // Every byte before the old central directory is where it was.
  ASSERT_GT(grown.size(), original_.size());
  EXPECT_TRUE(grown.compare(0, oldDirectory, original_, 0, oldDirectory) == 0);
  ExpectAllToolsAccept(P("a.zip"));
  std::string listing;
  Sh("unzip -Z1 '" + P("a.zip") + "'", &listing);
  EXPECT_NE(listing.find("more/one.txt"), std::string::npos);
  EXPECT_NE(listing.find("src/docs/manual.txt"), std::string::npos);
}

TEST_F(Safety, TempFolderElsewhereIsUsedAndCleaned) {
  MakeArchive();
  Sh("mkdir -p '" + P("tmpdir") + "'");
  ASSERT_EQ(Zip({"-b", P("tmpdir"), P("a.zip"), "more/one.txt"}), 0);
  ExpectAllToolsAccept(P("a.zip"));
  std::string out;
  Sh("ls -A '" + P("tmpdir") + "'", &out);
  EXPECT_EQ(out, "");
  // A temporary folder that does not exist is a temporary-file problem, archive untouched.
  std::string before = ReadFile(P("a.zip"));
  EXPECT_EQ(Zip({"-b", P("nowhere"), P("a.zip"), "more/two.bin"}), zipabi::zrTempFileProblem);
  EXPECT_TRUE(ReadFile(P("a.zip")) == before);
}

}  // namespace
}  // namespace ztest
