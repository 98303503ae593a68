#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/file_helpers.h"

namespace fs = std::filesystem;

namespace {

class CopyFileByStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/parcelix-copy-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::owner_all, ignored);
    fs::remove_all(dir_, ignored);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path dir_;
};

TEST_F(CopyFileByStreamTest, CopiesEveryByteAndOverwritesAnExistingDestination) {
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes.push_back(static_cast<char>(i * 7));
  Write(Path("a.bin"), bytes);
  Write(Path("b.bin"), std::string(300000, 'x'));
  ASSERT_TRUE(CopyFileByStream(Path("a.bin"), Path("b.bin")));
  EXPECT_EQ(Read(Path("b.bin")), bytes);

  Write(Path("empty"), "");
  ASSERT_TRUE(CopyFileByStream(Path("empty"), Path("empty.copy")));
  EXPECT_TRUE(fs::exists(Path("empty.copy")));
  EXPECT_EQ(fs::file_size(Path("empty.copy")), 0u);
}

TEST_F(CopyFileByStreamTest, FailsWithoutHarmWhenSourceOrDestinationIsUnusable) {
  EXPECT_FALSE(CopyFileByStream(Path("missing"), Path("out")));
  EXPECT_FALSE(fs::exists(Path("out")));
  EXPECT_FALSE(CopyFileByStream(dir_.string(), Path("out")));

  Write(Path("a"), "data");
  EXPECT_FALSE(CopyFileByStream(Path("a"), Path("no/such/folder/b")));
  if (geteuid() != 0) {
    Write(Path("ro"), "old");
    chmod(Path("ro").c_str(), 0444);
    EXPECT_FALSE(CopyFileByStream(Path("a"), Path("ro")));
    EXPECT_EQ(Read(Path("ro")), "old");
  }
}

TEST_F(CopyFileByStreamTest, RefusesToCopyAFileOntoItself) {
  Write(Path("a"), "precious");
  EXPECT_FALSE(CopyFileByStream(Path("a"), Path("a")));
  EXPECT_FALSE(CopyFileByStream(Path("a"), (dir_ / "." / "a").string()));
  fs::create_symlink(Path("a"), Path("link"));
  EXPECT_FALSE(CopyFileByStream(Path("a"), Path("link")));
  EXPECT_EQ(Read(Path("a")), "precious");
}

}  // namespace

TEST_F(CopyFileByStreamTest, MoveReplacesTheTargetAndLeavesNoSource) {
  Write(Path("a.zip"), "archive bytes");
  Write(Path("b.zip"), "old target");
  ASSERT_TRUE(MoveFileReplacing(Path("a.zip"), Path("b.zip")));
  EXPECT_FALSE(fs::exists(Path("a.zip")));
  EXPECT_EQ(Read(Path("b.zip")), "archive bytes");
}

TEST_F(CopyFileByStreamTest, MoveThatCannotBeDoneKeepsTheSource) {
  Write(Path("a.zip"), "archive bytes");
  EXPECT_FALSE(MoveFileReplacing(Path("a.zip"), Path("no/such/folder/b.zip")));
  EXPECT_FALSE(MoveFileReplacing(Path("missing.zip"), Path("c.zip")));
  EXPECT_EQ(Read(Path("a.zip")), "archive bytes");
  EXPECT_FALSE(fs::exists(Path("c.zip")));
}
