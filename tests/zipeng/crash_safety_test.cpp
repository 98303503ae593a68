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
    MakeMixedTree("src");
    WriteFile(P("big.bin"), RandomBytes(300000, 9));
    ASSERT_EQ(Zip({"-r", P("a.zip"), "src"}), 0);
    original_ = ReadFile(P("a.zip"));
  }
  // Runs the library in a child process that dies after `limit` written bytes.
  void RunAndDie(const std::vector<std::string>& args, uint64_t limit) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      DyingProcess dying(limit);
      Zip(args);
      _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
  }
  std::vector<std::string> Leftovers() {
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
  const std::vector<std::vector<std::string>> commands = {{"-g", P("a.zip"), "big.bin"},
                                                          {P("a.zip"), "big.bin"},
                                                          {"-d", P("a.zip"), "src/docs/*"},
                                                          {"-F", P("a.zip")}};
  for (const auto& args : commands) {
    for (uint64_t limit : {0ull, 500ull, 20000ull, 200000ull, 330000ull}) {
      SCOPED_TRACE(args[0] + " dying after " + std::to_string(limit));
      WriteFile(P("a.zip"), original_);
      RunAndDie(args, limit);
      // The next operation of the library first undoes what the dead one left.
      Recorder rec;
      Zip({"-d", P("a.zip"), "no such entry"}, &rec);
      EXPECT_TRUE(ReadFile(P("a.zip")) == original_ || Sh("unzip -tq '" + P("a.zip") + "'") == 0);
      EXPECT_EQ(Sh("unzip -tq '" + P("a.zip") + "'"), 0);
      EXPECT_TRUE(Leftovers().empty()) << Leftovers().front();
    }
  }
}

TEST_F(CrashSafety, FailedRestoreIsReportedAndRetriedByTheNextOperation) {
  {
    FullDisk dying(50000, true);
    EXPECT_EQ(Zip({"-g", P("a.zip"), "big.bin"}), zipabi::zrArchiveTooCorrupted);
  }
  EXPECT_TRUE(Exists(zipeng::rollbackPath(P("a.zip"))));
  EXPECT_EQ(Zip({"-d", P("a.zip"), "no such entry"}), zipabi::zrNothingToDo);
  EXPECT_TRUE(ReadFile(P("a.zip")) == original_);
  EXPECT_FALSE(Exists(zipeng::rollbackPath(P("a.zip"))));
}

TEST_F(CrashSafety, SecondWriterIsRefusedWith180AndChangesNothing) {
  int held = open(P("a.zip").c_str(), O_RDONLY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  for (const char* grow : {"-g", "-r"}) {
    EXPECT_EQ(Zip({grow, P("a.zip"), "big.bin"}), zipabi::zrArchiveBusy);
    EXPECT_TRUE(ReadFile(P("a.zip")) == original_);
  }
  EXPECT_EQ(Zip({P("new.zip"), "big.bin"}), 0);  // another archive is not held
  close(held);
  EXPECT_EQ(Zip({"-g", P("a.zip"), "big.bin"}), 0);
}

TEST_F(CrashSafety, ArchiveReachedThroughALinkStaysALink) {
  ASSERT_EQ(symlink("a.zip", P("link.zip").c_str()), 0);
  for (const char* grow : {"-r", "-g"}) {
    ASSERT_EQ(Zip({grow, P("link.zip"), "big.bin"}), 0);
    struct stat st;
    ASSERT_EQ(lstat(P("link.zip").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << grow;
  }
  EXPECT_EQ(Sh("unzip -l '" + P("a.zip") + "' | grep -q big.bin"), 0);
}

// The reading library's front end, built beside this test: its last line is "result N".
int ReadThrough(const std::string& arguments) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return -1;
  std::string tool(self, static_cast<size_t>(n));
  tool = tool.substr(0, tool.rfind('/')) + "/unzeng";
  std::string out;
  Sh("'" + tool + "' " + arguments + " | tail -n 1", &out);
  return out.rfind("result ", 0) == 0 ? std::atoi(out.c_str() + 7) : -1;
}

// Readers that reach the archive through a link find the rollback record the writers keep
// beside the real file: they undo a killed change, and wait out (180) one in progress.
TEST_F(CrashSafety, ReaderThroughALinkSeesTheChangeInPlace) {
  ASSERT_EQ(symlink("a.zip", P("link.zip").c_str()), 0);
  const std::string link = "'" + P("link.zip") + "'";
  bool interrupted = false;
  for (uint64_t limit : {20000ull, 200000ull, 330000ull}) {
    SCOPED_TRACE("dying after " + std::to_string(limit));
    WriteFile(P("a.zip"), original_);
    RunAndDie({"-g", P("link.zip"), "big.bin"}, limit);
    interrupted = interrupted || Exists(zipeng::rollbackPath(P("a.zip")));
    EXPECT_EQ(ReadThrough("-t " + link), 0);
    EXPECT_EQ(Sh("unzip -tq '" + P("a.zip") + "'"), 0);
    EXPECT_TRUE(Leftovers().empty()) << Leftovers().front();
  }
  EXPECT_TRUE(interrupted);  // some kill came in the middle of the change

  WriteFile(P("a.zip"), original_);
  zipeng::WriterLock writer;
  ASSERT_EQ(writer.acquire(P("a.zip"), false), zipabi::zrOk);
  int fd = open(P("a.zip").c_str(), O_RDONLY);
  ASSERT_TRUE(zipeng::writeRollbackRecord(P("a.zip"), fd, original_.size(), "", ""));
  close(fd);
  for (const std::string& operation : {"-t " + link, "-v " + link, "-z " + link, "-o " + link + " -d out"}) {
    EXPECT_EQ(ReadThrough(operation), zipabi::zrArchiveBusy) << operation;
  }
  EXPECT_FALSE(Exists(P("out")));
  zipeng::removeRollbackRecord(P("a.zip"));
}

}  // namespace
}  // namespace ztest
