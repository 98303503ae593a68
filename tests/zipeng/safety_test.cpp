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
  void makeArchive() {
    makeMixedTree("src");
    ASSERT_EQ(zip({"-r", "-6", scratch("a.zip"), "src"}), 0);
    original_ = readFile(scratch("a.zip"));
    writeFile(scratch("more/one.txt"), textBytes(200000, 11));
    writeFile(scratch("more/two.bin"), randomBytes(50000, 12));
    writeFile(scratch("src/readme.txt"), "changed\n", 1700000000);
  }
  // No temporary file is left in the archive's folder.
  void expectNoLeftovers() {
    DIR* d = opendir(dir_.c_str());
    while (dirent* de = readdir(d))
      EXPECT_NE(std::string(de->d_name).rfind(".parcelix-", 0), 0u) << de->d_name;
    closedir(d);
  }
  std::string original_;
};

TEST_F(Safety, AbortAtEveryMessageLeavesArchiveUnchanged) {
  makeArchive();
  // Through a temporary copy, in place with update, in place with a plain add (which reads
  // only the directory's records).
  const std::vector<std::vector<std::string>> variants = {
      {"-r", "-u", scratch("a.zip"), "src", "more"},
      {"-g", "-r", "-u", scratch("a.zip"), "src", "more"},
      {"-g", "-r", scratch("a.zip"), "src", "more"},
  };
  for (size_t v = 0; v < variants.size(); ++v) {
    Recorder full;
    std::vector<std::string> args = variants[v];
    // Count the messages of a full run on a copy, then abort at each of them in turn.
    sh("cp '" + scratch("a.zip") + "' '" + scratch("copy.zip") + "'");
    std::vector<std::string> copyArgs = args;
    for (auto& a : copyArgs)
      if (a == scratch("a.zip")) a = scratch("copy.zip");
    ASSERT_EQ(zip(copyArgs, &full), 0);
    ASSERT_GT(full.messages.size(), 5u);
    for (size_t at = 0; at < full.messages.size(); ++at) {
      SCOPED_TRACE("variant " + std::to_string(v) + " abort at message " + std::to_string(at));
      Recorder rec;
      rec.abortAt = static_cast<long>(at);
      EXPECT_EQ(zip(args, &rec), zipabi::zrAborted);
      ASSERT_TRUE(readFile(scratch("a.zip")) == original_);
    }
  }
  expectNoLeftovers();
}

TEST_F(Safety, AbortDuringDeleteRepairAndCommentLeavesArchiveUnchanged) {
  makeArchive();
  Recorder rec;
  rec.abortAt = 1;
  EXPECT_EQ(zip({"-d", scratch("a.zip"), "src/*.txt"}, &rec), zipabi::zrAborted);
  EXPECT_TRUE(readFile(scratch("a.zip")) == original_);
  Recorder rec2;
  rec2.abortAt = 2;
  EXPECT_EQ(zip({"-FF", scratch("a.zip")}, &rec2), zipabi::zrAborted);
  EXPECT_TRUE(readFile(scratch("a.zip")) == original_);
  Recorder rec3;
  rec3.abortAt = 0;
  rec3.answerArchiveComment = true;
  rec3.archiveComment = "new";
  EXPECT_EQ(zip({"-z", "-g", scratch("a.zip")}, &rec3), zipabi::zrAborted);
  EXPECT_TRUE(readFile(scratch("a.zip")) == original_);
  expectNoLeftovers();
}

TEST_F(Safety, WriteFailureAtAnyPointLeavesArchiveIntact) {
  makeArchive();
  const std::vector<std::vector<std::string>> commands = {
      {"-r", "-u", scratch("a.zip"), "src", "more"},
      {"-g", "-r", "-u", scratch("a.zip"), "src", "more"},
      {"-d", scratch("a.zip"), "src/docs/*"},
      {"-F", scratch("a.zip")},
  };
  for (const auto& args : commands) {
    for (long after : {0L, 10L, 5000L, 150000L, 400000L}) {
      SCOPED_TRACE(args[0] + " " + args[1] + " failing after " + std::to_string(after));
      writeFile(scratch("a.zip"), original_);
      int rc;
      {
        FullDisk disk(static_cast<uint64_t>(after));
        rc = zip(args);
      }
      if (rc == 0) continue;  // the whole change fitted before the limit
      EXPECT_EQ(rc, zipabi::zrDiskFull);
      ASSERT_TRUE(readFile(scratch("a.zip")) == original_);
    }
  }
  expectNoLeftovers();
}

TEST_F(Safety, FullTmpfsLeavesArchiveIntact) {
  // A real full disk, when this machine lets us mount a small tmpfs.
  std::string mnt = scratch("small");
  sh("mkdir -p '" + mnt + "'");
  if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=1m") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
  writeFile(scratch("small/in.txt"), textBytes(1000, 1));
  ASSERT_EQ(zip({mnt + "/a.zip", "small/in.txt"}), 0);
  std::string before = readFile(mnt + "/a.zip");
  writeFile(scratch("huge.bin"), randomBytes(1500000, 2));
  EXPECT_EQ(zip({"-0", mnt + "/a.zip", "huge.bin"}), zipabi::zrDiskFull);
  EXPECT_TRUE(readFile(mnt + "/a.zip") == before);
  EXPECT_EQ(zip({"-g", "-0", mnt + "/a.zip", "huge.bin"}), zipabi::zrDiskFull);
  EXPECT_TRUE(readFile(mnt + "/a.zip") == before);
  umount(mnt.c_str());
}

// A name that became a pipe after the folder walk is skipped at once instead of blocking the add.
TEST_F(Safety, SourceSwappedForAPipeIsSkipped) {
  ASSERT_EQ(mkfifo(scratch("pipe").c_str(), 0644), 0);
  zipeng::CompressJob job;
  job.path = scratch("pipe");
  job.expectedSize = 100;
  zipeng::DeflateWorker worker;
  EXPECT_EQ(worker.compressWhole(job).skipReason, zipabi::zsrCannotOpen);
  zipeng::WriterEntry entry;
  int error = 0;
  auto sink = zipeng::openTempFileSink(scratch("s.zip"), "", &error);
  ASSERT_TRUE(sink);
  EXPECT_EQ(zipeng::streamCompressFile(job, entry, *sink, {}), -1 - zipabi::zsrCannotOpen);
}

TEST_F(Safety, MoveKeepsEverySourceWhenTheArchiveFails) {
  writeFile(scratch("m/a.txt"), textBytes(100000, 1));
  writeFile(scratch("m/b.txt"), textBytes(100000, 2));
  {
    FullDisk disk(20000);
    EXPECT_EQ(zip({"-m", "-r", scratch("m.zip"), "m"}), zipabi::zrDiskFull);
  }
  EXPECT_TRUE(exists(scratch("m/a.txt")));
  EXPECT_TRUE(exists(scratch("m/b.txt")));
  EXPECT_FALSE(exists(scratch("m.zip")));
  Recorder abort;
  abort.abortAt = 3;
  EXPECT_EQ(zip({"-m", "-r", scratch("m.zip"), "m"}, &abort), zipabi::zrAborted);
  EXPECT_TRUE(exists(scratch("m/a.txt")));
  EXPECT_TRUE(exists(scratch("m/b.txt")));
  // And a successful move removes them only after the archive is written.
  ASSERT_EQ(zip({"-m", "-r", scratch("m.zip"), "m"}), 0);
  EXPECT_FALSE(exists(scratch("m/a.txt")));
  EXPECT_FALSE(exists(scratch("m/b.txt")));
  expectAllToolsAccept(scratch("m.zip"));
}

TEST_F(Safety, GrowInPlaceAppendsWithoutTouchingOldEntries) {
  makeArchive();
  std::string out;
  ASSERT_EQ(
      sh("python3 -c \"import zipfile;print(zipfile.ZipFile('" + scratch("a.zip") + "').start_dir)\"", &out),
      0);
  size_t oldDirectory = std::stoul(out);
  ASSERT_EQ(zip({"-g", scratch("a.zip"), "more/one.txt"}), 0);
  std::string grown = readFile(scratch("a.zip"));
  // Every byte before the old central directory is where it was.
  ASSERT_GT(grown.size(), original_.size());
  EXPECT_TRUE(grown.compare(0, oldDirectory, original_, 0, oldDirectory) == 0);
  expectAllToolsAccept(scratch("a.zip"));
  std::string listing;
  sh("unzip -Z1 '" + scratch("a.zip") + "'", &listing);
  EXPECT_NE(listing.find("more/one.txt"), std::string::npos);
  EXPECT_NE(listing.find("src/docs/manual.txt"), std::string::npos);
}

TEST_F(Safety, TempFolderElsewhereIsUsedAndCleaned) {
  makeArchive();
  sh("mkdir -p '" + scratch("tmpdir") + "'");
  ASSERT_EQ(zip({"-b", scratch("tmpdir"), scratch("a.zip"), "more/one.txt"}), 0);
  expectAllToolsAccept(scratch("a.zip"));
  std::string out;
  sh("ls -A '" + scratch("tmpdir") + "'", &out);
  EXPECT_EQ(out, "");
  // A temporary folder that does not exist is a temporary-file problem, archive untouched.
  std::string before = readFile(scratch("a.zip"));
  EXPECT_EQ(zip({"-b", scratch("nowhere"), scratch("a.zip"), "more/two.bin"}), zipabi::zrTempFileProblem);
  EXPECT_TRUE(readFile(scratch("a.zip")) == before);
}

}  // namespace
}  // namespace ztest
