// What a crash, a dying disk or a second writer does to an archive: it always opens afterwards
// with every old entry (or the new ones), and nothing of ours piles up beside it.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/archive_guard.h"
#include "zip_test_support.h"

namespace ztest {
namespace {

// The process dies (as under kill -9) once `limit` bytes have been written.
class DyingProcess : public zipeng::FileLayer {
 public:
  explicit DyingProcess(uint64_t limit) : limit_(limit) { zipeng::setFileLayer(this); }
  ~DyingProcess() override { zipeng::setFileLayer(nullptr); }
  ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) override {
    if (written_ + size > limit_) _exit(9);
    written_ += size;
    return zipeng::FileLayer::pwrite(fd, data, size, offset);
  }
  ssize_t write(int fd, const void* data, size_t size) override {
    if (written_ + size > limit_) _exit(9);
    written_ += size;
    return zipeng::FileLayer::write(fd, data, size);
  }
  ssize_t copyFileRange(int, off_t*, int, off_t*, size_t) override { return errno = EXDEV, -1; }

 private:
  uint64_t limit_;
  uint64_t written_ = 0;
};

class CrashSafety : public ZipTest {
 protected:
  void SetUp() override {
    ZipTest::SetUp();
    makeMixedTree("src");
    writeFile(scratch("big.bin"), randomBytes(300000, 9));
    ASSERT_EQ(zip({"-r", scratch("a.zip"), "src"}), 0);
    original_ = readFile(scratch("a.zip"));
  }
  // Runs the library in a child process that dies after `limit` written bytes.
  void runAndDie(const std::vector<std::string>& args, uint64_t limit) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      DyingProcess dying(limit);
      zip(args);
      _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
  }
  std::vector<std::string> leftovers() {
    std::vector<std::string> found;
    DIR* d = opendir(dir_.c_str());
    while (dirent* e = readdir(d))
      if (std::string(e->d_name).find("parcelix") != std::string::npos) found.push_back(e->d_name);
    closedir(d);
    return found;
  }
  std::string original_;
};

TEST_F(CrashSafety, KillDuringAnyChangeLeavesAnArchiveThatOpens) {
  const std::vector<std::vector<std::string>> commands = {{"-g", scratch("a.zip"), "big.bin"},
                                                          {scratch("a.zip"), "big.bin"},
                                                          {"-d", scratch("a.zip"), "src/docs/*"},
                                                          {"-F", scratch("a.zip")}};
  for (const auto& args : commands) {
    for (uint64_t limit : {0ull, 500ull, 20000ull, 200000ull, 330000ull}) {
      SCOPED_TRACE(args[0] + " dying after " + std::to_string(limit));
      writeFile(scratch("a.zip"), original_);
      runAndDie(args, limit);
      // The next operation of the library first undoes what the dead one left.
      Recorder rec;
      zip({"-d", scratch("a.zip"), "no such entry"}, &rec);
      EXPECT_TRUE(readFile(scratch("a.zip")) == original_ || sh("unzip -tq '" + scratch("a.zip") + "'") == 0);
      EXPECT_EQ(sh("unzip -tq '" + scratch("a.zip") + "'"), 0);
      EXPECT_TRUE(leftovers().empty()) << leftovers().front();
    }
  }
}

TEST_F(CrashSafety, FailedRestoreIsReportedAndRetriedByTheNextOperation) {
  {
    FullDisk dying(50000, true);
    EXPECT_EQ(zip({"-g", scratch("a.zip"), "big.bin"}), zipabi::zrArchiveTooCorrupted);
  }
  EXPECT_TRUE(exists(zipeng::rollbackPath(scratch("a.zip"))));
  EXPECT_EQ(zip({"-d", scratch("a.zip"), "no such entry"}), zipabi::zrNothingToDo);
  EXPECT_TRUE(readFile(scratch("a.zip")) == original_);
  EXPECT_FALSE(exists(zipeng::rollbackPath(scratch("a.zip"))));
}

TEST_F(CrashSafety, SecondWriterIsRefusedWith180AndChangesNothing) {
  int held = open(scratch("a.zip").c_str(), O_RDONLY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  for (const char* grow : {"-g", "-r"}) {
    EXPECT_EQ(zip({grow, scratch("a.zip"), "big.bin"}), zipabi::zrArchiveBusy);
    EXPECT_TRUE(readFile(scratch("a.zip")) == original_);
  }
  EXPECT_EQ(zip({scratch("new.zip"), "big.bin"}), 0);  // another archive is not held
  close(held);
  EXPECT_EQ(zip({"-g", scratch("a.zip"), "big.bin"}), 0);
}

TEST_F(CrashSafety, ArchiveReachedThroughALinkStaysALink) {
  ASSERT_EQ(symlink("a.zip", scratch("link.zip").c_str()), 0);
  for (const char* grow : {"-r", "-g"}) {
    ASSERT_EQ(zip({grow, scratch("link.zip"), "big.bin"}), 0);
    struct stat st;
    ASSERT_EQ(lstat(scratch("link.zip").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << grow;
  }
  EXPECT_EQ(sh("unzip -l '" + scratch("a.zip") + "' | grep -q big.bin"), 0);
}

// Readers that reach the archive through a link find the rollback record the writers keep
// beside the real file: they undo a killed change, and wait out (180) one in progress.
TEST_F(CrashSafety, ReaderThroughALinkSeesTheChangeInPlace) {
  ASSERT_EQ(symlink("a.zip", scratch("link.zip").c_str()), 0);
  const std::string link = "'" + scratch("link.zip") + "'";
  bool interrupted = false;
  for (uint64_t limit : {20000ull, 200000ull, 330000ull}) {
    SCOPED_TRACE("dying after " + std::to_string(limit));
    writeFile(scratch("a.zip"), original_);
    runAndDie({"-g", scratch("link.zip"), "big.bin"}, limit);
    interrupted = interrupted || exists(zipeng::rollbackPath(scratch("a.zip")));
    EXPECT_EQ(readThrough("-t " + link), 0);
    EXPECT_EQ(sh("unzip -tq '" + scratch("a.zip") + "'"), 0);
    EXPECT_TRUE(leftovers().empty()) << leftovers().front();
  }
  EXPECT_TRUE(interrupted);  // some kill came in the middle of the change

  writeFile(scratch("a.zip"), original_);
  zipeng::WriterLock writer;
  ASSERT_EQ(writer.acquire(scratch("a.zip"), false), zipabi::zrOk);
  int fd = open(scratch("a.zip").c_str(), O_RDONLY);
  ASSERT_TRUE(zipeng::writeRollbackRecord(scratch("a.zip"), fd, original_.size(), "", ""));
  close(fd);
  for (const std::string& operation : {"-t " + link, "-v " + link, "-z " + link, "-o " + link + " -d out"}) {
    EXPECT_EQ(readThrough(operation), zipabi::zrArchiveBusy) << operation;
  }
  EXPECT_FALSE(exists(scratch("out")));
  zipeng::removeRollbackRecord(scratch("a.zip"));
}

}  // namespace
}  // namespace ztest
