// Extraction choices: overwrite questions, freshen and update, paths, names and patterns,
// passwords, abort and failure leaving nothing behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <set>

#include "platform/module.h"
#include "test_support.h"

using namespace testkit;

namespace {

struct Extraction : ::testing::Test {
  TempDir dir;
  Library lib;
  std::string archive;
  std::string out() const { return dir / "out"; }

  void SetUp() override {
    ASSERT_TRUE(lib.loaded());
    RawEntry a;
    a.name = "a.txt";
    a.data = "new a";
    RawEntry b;
    b.name = "sub/b.txt";
    b.data = std::string(300000, 'b');
    b.deflate = true;
    RawEntry c;
    c.name = "sub/c.doc";
    c.data = "c";
    archive = dir / "set.zip";
    writeFile(archive, buildArchive({a, b, c}));  // all dated 2025-01-01 12:00
    mkdir(out().c_str(), 0755);
  }
  void existing(const std::string& relative, const std::string& content, time_t mtime = 0) {
    std::string path = out() + "/" + relative;
    sh("mkdir -p \"$(dirname '" + path + "')\"");
    writeFile(path, content);
    if (mtime) {
      utimbuf t{mtime, mtime};
      utime(path.c_str(), &t);
    }
  }
  std::vector<std::string> leftovers() {
    std::vector<std::string> found;
    for (const auto& [name, kind] : snapshotTree(out()))
      if (name.find(".px") != std::string::npos) found.push_back(name);
    return found;
  }
};

constexpr time_t kOlder = 1600000000;  // 2020
constexpr time_t kNewer = 1900000000;  // 2030

}  // namespace

TEST_F(Extraction, OverwriteAskNeverAndAlways) {
  existing("a.txt", "old a");
  // Neither -n nor -o: message 10 with the full name; "no" keeps the file.
  lib.replaceAnswer = 0;
  EXPECT_EQ(lib.run({"", archive, "-d", out()}), 0);
  ASSERT_EQ(lib.of(zipabi::zcmReplace).size(), 1u);
  EXPECT_EQ(lib.of(zipabi::zcmReplace)[0].name, out() + "/a.txt");
  EXPECT_EQ(readFile(out() + "/a.txt"), "old a");
  // "yes" replaces it.
  lib.replaceAnswer = 1;
  writeFile(out() + "/a.txt", "old a");
  EXPECT_EQ(lib.run({"", archive, "-d", out()}), 0);
  EXPECT_EQ(readFile(out() + "/a.txt"), "new a");
  EXPECT_EQ(lib.of(zipabi::zcmReplace).size(), 3u);
  // -n never asks and keeps; -o never asks and replaces.
  writeFile(out() + "/a.txt", "old a");
  EXPECT_EQ(lib.run({"", "-n", archive, "-d", out()}), 0);
  EXPECT_TRUE(lib.of(zipabi::zcmReplace).empty());
  EXPECT_EQ(readFile(out() + "/a.txt"), "old a");
  EXPECT_EQ(lib.run({"", "-o", archive, "-d", out()}), 0);
  EXPECT_TRUE(lib.of(zipabi::zcmReplace).empty());
  EXPECT_EQ(readFile(out() + "/a.txt"), "new a");
  EXPECT_EQ(lib.of(zipabi::zcmExtracting).size(), 3u);
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(Extraction, FreshenAndUpdateCompareDates) {
  existing("a.txt", "old a", kOlder);
  existing("sub/c.doc", "newer c", kNewer);
  EXPECT_EQ(lib.run({"", "-f", "-o", archive, "-d", out()}), 0);
  EXPECT_EQ(readFile(out() + "/a.txt"), "new a");        // older file freshened
  EXPECT_EQ(readFile(out() + "/sub/c.doc"), "newer c");  // newer file kept
  EXPECT_FALSE(exists(out() + "/sub/b.txt"));            // freshen adds nothing
  EXPECT_EQ(lib.run({"", "-u", "-o", archive, "-d", out()}), 0);
  EXPECT_TRUE(exists(out() + "/sub/b.txt"));  // update adds new files
  EXPECT_EQ(readFile(out() + "/sub/c.doc"), "newer c");
}

TEST_F(Extraction, JunkPathsNamesPatternsAndExcludes) {
  EXPECT_EQ(lib.run({"", "-j", archive, "sub/*", "-x", "*.doc", "-d", out()}), 0);
  auto tree = snapshotTree(out());
  EXPECT_EQ(tree.size(), 1u);
  EXPECT_TRUE(tree.count("b.txt"));
  // A name that selects nothing is reported with reason 0; nothing at all selected is 10.
  EXPECT_EQ(lib.run({"", "-o", archive, "a.txt", "nope.txt", "-d", out()}), zipabi::zrSomeSkipped);
  ASSERT_EQ(lib.of(zipabi::zcmSkipping).size(), 1u);
  EXPECT_EQ(lib.of(zipabi::zcmSkipping)[0].name, "nope.txt");
  EXPECT_EQ(lib.of(zipabi::zcmSkipping)[0].reason, zipabi::zsrFileNotFound);
  EXPECT_EQ(lib.run({"", archive, "nope.txt", "-d", out()}), zipabi::zrNothingToDo);
}

TEST_F(Extraction, ExactNameIsNotReadAsAPattern) {
  std::vector<RawEntry> entries;
  for (const char* name : {"Report [final].pdf", "Report f.pdf", "Report a.pdf"}) {
    RawEntry e;
    e.name = name;
    e.data = name;
    entries.push_back(e);
  }
  writeFile(dir / "r.zip", buildArchive(entries));
  EXPECT_EQ(lib.run({"", "-o", dir / "r.zip", "Report [final].pdf", "-d", out()}), 0);
  EXPECT_EQ(snapshotTree(out()).size(), 1u);
  EXPECT_TRUE(exists(out() + "/Report [final].pdf"));
}

TEST_F(Extraction, RenameAnswerNamingAnExistingFileIsAskedAbout) {
  existing("a.txt", "old a");
  existing("taken.txt", "keep me");
  lib.renameAnswers = {"taken.txt"};
  lib.replaceAnswer = 0;  // keep "taken.txt" when asked about it
  lib.run({"", archive, "a.txt", "-d", out()});
  EXPECT_EQ(readFile(out() + "/taken.txt"), "keep me");
  EXPECT_EQ(readFile(out() + "/a.txt"), "old a");
  ASSERT_EQ(lib.of(zipabi::zcmReplace).size(), 2u);
  EXPECT_EQ(lib.of(zipabi::zcmReplace)[1].name, out() + "/taken.txt");
}

TEST_F(Extraction, UnixPermissionsWithoutTheFileTypeAreKept) {
  RawEntry e;
  e.name = "private.txt";
  e.data = "x";
  e.externalAttributes = 0600u << 16;  // as Python's writestr stores them
  writeFile(dir / "p.zip", buildArchive({e}));
  ASSERT_EQ(lib.run({"", dir / "p.zip", "-d", out()}), 0);
  struct stat st;
  ASSERT_EQ(stat((out() + "/private.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// A folder gets the permissions stored for it, masked by the umask as a file's are, once its
// contents are written, deepest first: a folder the archive makes read-only or closed still
// gets its files. Never setuid, setgid or sticky. A folder made only because an entry lies in
// it keeps the default, and one that was already there is the user's.
TEST_F(Extraction, FolderPermissionsAreRestoredOnceTheirContentsAreWritten) {
  const mode_t mask = umask(0);
  umask(mask);
  auto folder = [](const std::string& name, uint32_t mode) {
    RawEntry e = rawFile(name, "");
    e.externalAttributes = (040000u | mode) << 16;
    return e;
  };
  RawEntry dos = rawFile("dos/", "");
  dos.versionMadeBy = 0x0014;
  dos.externalAttributes = 0x10;
  const std::string archive = dir / "modes.zip";
  writeFile(archive, buildArchive({folder("private/", 0700), rawFile("private/secret.txt", "s"),
                                   rawFile("private/deep/f.txt", "f"), folder("private/deep/", 0750),
                                   folder("readonly/", 0500), rawFile("readonly/inside.txt", "r"),
                                   folder("closed/", 0), rawFile("closed/inside/f.txt", "c"),
                                   folder("special/", 07777), rawFile("implied/f.txt", "i"),
                                   folder("there/", 0700), dos}));
  const std::map<std::string, mode_t> expected = {{"private", 0700 & ~mask},
                                                  {"private/deep", 0750 & ~mask},
                                                  {"readonly", 0500 & ~mask},
                                                  {"closed", 0},
                                                  {"closed/inside", 0777 & ~mask},
                                                  {"special", 0777 & ~mask},
                                                  {"implied", 0777 & ~mask},
                                                  {"there", 0755},
                                                  {"dos", 0777 & ~mask}};
  auto check = [&](const std::string& root) {
    for (const auto& [name, mode] : expected) {
      struct stat st;
      ASSERT_EQ(lstat((root + "/" + name).c_str(), &st), 0) << name;
      EXPECT_EQ(st.st_mode & 07777, mode) << name;
    }
    for (const char* file :
         {"private/secret.txt", "private/deep/f.txt", "readonly/inside.txt", "closed/inside/f.txt"})
      EXPECT_TRUE(exists(root + "/" + file)) << file;
  };
  mkdir((out() + "/there").c_str(), 0755);
  chmod((out() + "/there").c_str(), 0755);
  EXPECT_EQ(lib.run({"", archive, "-d", out()}), 0);
  check(out());

  // Where permissions are enforced, the closed and read-only folders must not keep their own
  // files out: as an ordinary user through the front end.
  if (geteuid() != 0 || !haveTool("runuser")) return;
  chmod(dir.path().c_str(), 0755);
  const std::string mine = dir / "user";
  mkdir(mine.c_str(), 0777);
  chmod(mine.c_str(), 0777);
  mkdir((mine + "/there").c_str(), 0755);
  chown((mine + "/there").c_str(), 65534, 65534);
  EXPECT_EQ(sh("runuser -u nobody -- '" + platform::ProgramFolder() + "/unzeng' '" + archive + "' -d '" +
               mine + "' | tail -n 1 | grep -qx 'result 0'"),
            0);
  check(mine);
}

TEST_F(Extraction, TargetFolderIsCreatedAndTimesAndModesRestored) {
  std::string target = dir / "made/by/extract";
  EXPECT_EQ(lib.run({"", archive, "-d", target}), 0);
  struct stat st;
  ASSERT_EQ(stat((target + "/a.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1735732800);  // 2025-01-01 12:00:00 (TZ=UTC)
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(Extraction, AbortDuringALargeEntryLeavesNoPartialFile) {
  RawEntry big;
  big.name = "big.bin";
  big.data.resize(6000000);
  uint32_t x = 1;
  for (auto& c : big.data) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 28);
  big.deflate = true;
  std::string bigArchive = dir / "big.zip";
  writeFile(bigArchive, buildArchive({big}));
  lib.abortWhen = [](const Message& m) { return m.code == zipabi::zcmStatus; };
  EXPECT_EQ(lib.run({"", bigArchive, "-d", out()}), zipabi::zrAborted);
  EXPECT_FALSE(lib.of(zipabi::zcmStatus).empty());
  EXPECT_FALSE(exists(out() + "/big.bin"));
  // Replacing an existing file and aborting leaves the old file exactly as it was.
  existing("big.bin", "precious");
  EXPECT_EQ(lib.run({"", "-o", bigArchive, "-d", out()}), zipabi::zrAborted);
  EXPECT_EQ(readFile(out() + "/big.bin"), "precious");
  EXPECT_TRUE(leftovers().empty());
  // Abort at the first entry message: nothing is written at all.
  lib.abortWhen = [](const Message& m) { return m.code == zipabi::zcmExtracting; };
  EXPECT_EQ(lib.run({"", archive, "-d", dir / "other"}), zipabi::zrAborted);
  EXPECT_EQ(lib.of(zipabi::zcmExtracting).size(), 1u);
  EXPECT_FALSE(exists(dir / "other/a.txt"));
}

TEST_F(Extraction, FailedReplacementKeepsTheExistingFile) {
  RawEntry a;
  a.name = "a.txt";
  a.data = "corrupt";
  a.centralCrc = 0x12345678;
  std::string bad = dir / "bad.zip";
  writeFile(bad, buildArchive({a}));
  existing("a.txt", "keep me");
  EXPECT_EQ(lib.run({"", "-o", bad, "-d", out()}), zipabi::zrSomeSkipped);
  EXPECT_EQ(readFile(out() + "/a.txt"), "keep me");
  EXPECT_TRUE(leftovers().empty());
}

TEST(Passwords, AskedWhenMissingOrWrongAndSkippedAfterAFewTries) {
  if (!haveTool("zip")) GTEST_SKIP() << "zip not installed";
  TempDir dir;
  Library lib;
  writeFile(dir / "s.txt", "secret text");
  std::string archive = dir / "enc.zip";
  // zip writes a random encryption header, and one wrong password in 256 passes its check byte
  // (the CRC then catches it, as another skip reason): made again until no wrong one used below
  // passes.
  for (int attempt = 0;; ++attempt) {
    ASSERT_LT(attempt, 20);
    ASSERT_EQ(sh("cd '" + dir.path() + "' && rm -f enc.zip && zip -q -P right enc.zip s.txt"), 0);
    bool clean = true;
    lib.passwordAnswers.clear();
    for (const char* wrong : {"wrong", "w1", "w2", "w3"}) {
      lib.run({wrong, "-t", archive});
      auto skipped = lib.of(zipabi::zcmSkipping);
      clean = clean && skipped.size() == 1 && skipped[0].reason == zipabi::zsrBadPassword;
    }
    if (clean) break;
  }
  // Element 0 right: no question.
  EXPECT_EQ(lib.run({"right", "-t", archive}), 0);
  EXPECT_TRUE(lib.of(zipabi::zcmPassword).empty());
  // Empty element 0: asked, and the answer is used.
  lib.passwordAnswers = {"right"};
  EXPECT_EQ(lib.run({"", archive, "-d", dir / "o1"}), 0);
  EXPECT_EQ(lib.of(zipabi::zcmPassword).size(), 1u);
  EXPECT_EQ(readFile(dir / "o1/s.txt"), "secret text");
  // Wrong every time: asked three times, then skipped with reason 5 and nothing written.
  lib.passwordAnswers = {"w1", "w2", "w3", "w4"};
  EXPECT_EQ(lib.run({"wrong", archive, "-d", dir / "o2"}), zipabi::zrSomeSkipped);
  EXPECT_EQ(lib.of(zipabi::zcmPassword).size(), 3u);
  ASSERT_EQ(lib.of(zipabi::zcmSkipping).size(), 1u);
  EXPECT_EQ(lib.of(zipabi::zcmSkipping)[0].reason, zipabi::zsrBadPassword);
  EXPECT_FALSE(exists(dir / "o2/s.txt"));
  // No answer at all: skipped at once.
  lib.passwordAnswers.clear();
  EXPECT_EQ(lib.run({"", "-t", archive}), zipabi::zrNothingTested);
  EXPECT_EQ(lib.of(zipabi::zcmPassword).size(), 1u);
}

TEST(DiskFull, StopsWith150AndLeavesNoPartialFile) {
  TempDir dir;
  std::string small = dir / "small";
  sh("mkdir -p '" + small + "'");
  // Needs a small file system of its own; only possible with the right to mount.
  if (sh("mount -t tmpfs -o size=256k tmpfs '" + small + "' 2>/dev/null") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs";
  Library lib;
  RawEntry fits;
  fits.name = "fits.txt";
  fits.data = "small";
  RawEntry big;
  big.name = "big.bin";
  big.data = std::string(1u << 20, 'x');
  big.deflate = true;
  // A first entry that fits but takes a while, then several large ones: helpers writing ahead
  // may fill the disk before the first one is written, and it must still be extracted, as when
  // entries are written one by one.
  RawEntry first = fits;
  first.name = "a/first.bin";
  first.data.resize(200 << 10);
  uint32_t seed = 1;
  for (char& c : first.data) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
  RawEntry big1 = big, big2 = big, big3 = big;
  big1.name = "b/big.bin";
  big2.name = "c/big2.bin";
  big3.name = "d/big3.bin";
  writeFile(dir / "full.zip", buildArchive({fits, big, fits}));
  writeFile(dir / "ahead.zip", buildArchive({first, big1, big2, big3}));
  int32_t rc = lib.run({"", "-o", dir / "full.zip", "-d", small + "/out"});
  auto tree = snapshotTree(small + "/out");
  EXPECT_EQ(rc, zipabi::zrDiskFull);
  EXPECT_TRUE(tree.count("fits.txt"));
  EXPECT_FALSE(tree.count("big.bin"));
  for (int run = 0; run < 8; ++run) {
    const std::string out = small + "/ahead" + std::to_string(run);
    EXPECT_EQ(lib.run({"", "-o", dir / "ahead.zip", "-d", out}), zipabi::zrDiskFull);
    std::set<std::string> names;
    for (const auto& [name, kind] : snapshotTree(out)) names.insert(name);
    sh("rm -rf '" + out + "'");
    // The folders made ahead for the entries not reached are gone too.
    EXPECT_EQ(names, (std::set<std::string>{"a", "a/first.bin", "b"})) << run;
  }
  sh("umount '" + small + "'");
}
