// Archives written with the switch combinations that matter are accepted by unzip, 7zz and
// Python's zipfile, and extract to trees identical to their sources.
#include "zip_test_support.h"

namespace ztest {
namespace {

class AddCompat : public ZipTest {};

struct Combo {
  std::vector<std::string> switches;
  std::string password;
};

TEST_F(AddCompat, SwitchCombinationsRoundTrip) {
  makeMixedTree("src");
  const std::vector<Combo> combos = {
      {{"-r", "-6"}, ""},
      {{"-r", "-0"}, ""},
      {{"-r", "-9", "-D"}, ""},
      {{"-r", "-1", "-n", ".bin;TXT"}, ""},
      {{"-e", "-r", "-6"}, "pass word"},
      {{"-r", "-D", "-g"}, ""},
      {{"-r", "-6", "-t", "010180", "-b", "."}, ""},
  };
  int n = 0;
  for (const auto& c : combos) {
    SCOPED_TRACE("combo " + std::to_string(n));
    std::string archive = scratch("a" + std::to_string(n++) + ".zip");
    std::vector<std::string> args = c.switches;
    args.push_back(archive);
    args.push_back("src");
    Recorder rec;
    ASSERT_EQ(zip(args, &rec, c.password), 0);
    EXPECT_EQ(rec.count(zipabi::zcmAdding),
              8 + (std::find(c.switches.begin(), c.switches.end(), "-D") != c.switches.end() ? 5 : 0));
    expectAllToolsAccept(archive, c.password);
    std::string out = unzipTo(archive, c.password);
    auto want = treeListing(scratch("src"));
    auto got = treeListing(out + "/src");
    // Folders are compared only when stored ("-D"); their times are the extraction's.
    for (auto* m : {&want, &got})
      for (auto it = m->begin(); it != m->end();) it = it->first.back() == '/' ? m->erase(it) : std::next(it);
    EXPECT_EQ(got, want);
  }
}

TEST_F(AddCompat, StoredExtensionsAndLevelZeroStoreWithoutCompression) {
  writeFile(scratch("a.txt"), textBytes(20000, 5));
  writeFile(scratch("b.TXT"), textBytes(20000, 6));
  ASSERT_EQ(zip({"-6", "-n", "txt", scratch("n.zip"), "a.txt", "b.TXT"}), 0);
  ASSERT_EQ(zip({"-0", scratch("z.zip"), "a.txt"}), 0);
  std::string out;
  sh("unzip -Zv '" + scratch("n.zip") + "' | grep 'compression method'", &out);
  EXPECT_EQ(out.find("deflated"), std::string::npos) << out;
  sh("unzip -Zv '" + scratch("z.zip") + "' | grep 'compression method'", &out);
  EXPECT_NE(out.find("none (stored)"), std::string::npos) << out;
}

TEST_F(AddCompat, LargeFileIsStreamedAndChecksOut) {
  // Past the whole-file buffer: compressed by the streaming path, encrypted and not.
  std::string big = textBytes(34u << 20, 7);
  big.replace(1000, 100000, randomBytes(100000, 8));
  writeFile(scratch("big.txt"), big, 1600000000);
  writeFile(scratch("small.txt"), "small\n", 1600000000);
  ASSERT_EQ(zip({"-6", scratch("big.zip"), "big.txt", "small.txt"}), 0);
  expectAllToolsAccept(scratch("big.zip"));
  ASSERT_EQ(zip({"-e", "-6", scratch("bigenc.zip"), "big.txt"}, nullptr, "pw"), 0);
  expectAllToolsAccept(scratch("bigenc.zip"), "pw");
  EXPECT_EQ(readFile(unzipTo(scratch("bigenc.zip"), "pw") + "/big.txt"), big);
}

TEST_F(AddCompat, HiddenFilesOnlyWithSwitch) {
  writeFile(scratch("t/.hidden"), "h");
  writeFile(scratch("t/.dot/inner.txt"), "i");
  writeFile(scratch("t/shown.txt"), "s");
  Recorder rec;
  ASSERT_EQ(zip({"-r", scratch("h1.zip"), "t"}, &rec), 0);
  EXPECT_EQ(rec.namesOf(zipabi::zcmAdding), std::vector<std::string>({"t/shown.txt"}));
  Recorder rec2;
  ASSERT_EQ(zip({"-r", "-S", scratch("h2.zip"), "t"}, &rec2), 0);
  EXPECT_EQ(rec2.count(zipabi::zcmAdding), 3);
}

TEST_F(AddCompat, NamesArePathsWithoutLeadingSlashOrDotParts) {
  writeFile(scratch("d/x.txt"), "x");
  Recorder rec;
  ASSERT_EQ(zip({scratch("n.zip"), "./d/../d/x.txt", scratch("d/x.txt")}, &rec), 0);
  auto names = rec.namesOf(zipabi::zcmAdding);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "d/d/x.txt");
  EXPECT_EQ(names[1], scratch("d/x.txt").substr(1));
}

TEST_F(AddCompat, IncludeAndExcludePatternsMatchStoredNames) {
  writeFile(scratch("p/a.doc"), "a");
  writeFile(scratch("p/b.bak"), "b");
  writeFile(scratch("p/sub/c.doc"), "c");
  writeFile(scratch("p/sub/d.txt"), "d");
  Recorder rec;
  ASSERT_EQ(zip({"-r", scratch("p.zip"), "p", "-i", "*.doc", "*.bak", "-x", "*.bak"}, &rec), 0);
  EXPECT_EQ(rec.namesOf(zipabi::zcmAdding), std::vector<std::string>({"p/a.doc", "p/sub/c.doc"}));
}

TEST_F(AddCompat, DateBoundLeavesOutOlderFiles) {
  writeFile(scratch("old.txt"), "o", 946684800);   // 2000-01-01
  writeFile(scratch("new.txt"), "n", 1262304000);  // 2010-01-01
  Recorder rec;
  ASSERT_EQ(zip({"-t", "060105", scratch("d.zip"), "old.txt", "new.txt"}, &rec), 0);
  EXPECT_EQ(rec.namesOf(zipabi::zcmAdding), std::vector<std::string>({"new.txt"}));
}

TEST_F(AddCompat, MissingFilesAreSkippedWithReasonZero) {
  writeFile(scratch("here.txt"), "h");
  Recorder rec;
  EXPECT_EQ(zip({scratch("m.zip"), "here.txt", "gone.txt"}, &rec), zipabi::zrSomeSkipped);
  ASSERT_EQ(rec.count(zipabi::zcmSkipping), 1);
  EXPECT_EQ(rec.namesOf(zipabi::zcmSkipping)[0], "gone.txt");
  EXPECT_EQ(rec.messages[0].reason, 0);
  expectAllToolsAccept(scratch("m.zip"));
  // Nothing to add at all: no archive is created.
  EXPECT_EQ(zip({scratch("none.zip"), "gone.txt"}), zipabi::zrSomeSkipped);
  EXPECT_FALSE(exists(scratch("none.zip")));
}

TEST_F(AddCompat, UnreadableFileIsSkippedWithReasonFour) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  writeFile(scratch("secret.txt"), "s", -1, 0000);
  writeFile(scratch("ok.txt"), "o");
  Recorder rec;
  EXPECT_EQ(zip({scratch("u.zip"), "secret.txt", "ok.txt"}, &rec), zipabi::zrSomeSkipped);
  ASSERT_EQ(rec.count(zipabi::zcmSkipping), 1);
}

TEST_F(AddCompat, FileCommentsFromMessage120AreStored) {
  writeFile(scratch("c.txt"), "c");
  Recorder rec;
  rec.fileComment = "a comment";
  ASSERT_EQ(zip({scratch("c.zip"), "c.txt"}, &rec), 0);
  EXPECT_EQ(rec.count(zipabi::zcmFileComment), 1);
  std::string out;
  sh("python3 -c \"import zipfile;print(zipfile.ZipFile('" + scratch("c.zip") +
         "').getinfo('c.txt').comment.decode())\"",
     &out);
  EXPECT_EQ(out, "a comment\n");
}

TEST_F(AddCompat, ManyEntriesGetZip64EndRecords) {
  // More than 65,535 entries need the ZIP64 end records.
  sh("mkdir -p '" + scratch("many") + "' && cd '" + scratch("many") + "' && seq 1 66000 | xargs touch");
  ASSERT_EQ(zip({"-r", "-0", scratch("many.zip"), "many"}), 0);
  std::string out;
  ASSERT_EQ(sh("python3 -c \"import zipfile;z=zipfile.ZipFile('" + scratch("many.zip") +
                   "');print(len(z.infolist()))\"",
               &out),
            0);
  EXPECT_EQ(out, "66000\n");
  EXPECT_EQ(sh("unzip -tq '" + scratch("many.zip") + "'", &out), 0) << out;
  // Growing it in place reads its ZIP64 end records.
  writeFile(scratch("one more.txt"), "x");
  ASSERT_EQ(zip({"-g", scratch("many.zip"), "one more.txt"}), 0);
  ASSERT_EQ(sh("python3 -c \"import zipfile;z=zipfile.ZipFile('" + scratch("many.zip") +
                   "');print(len(z.infolist()))\"",
               &out),
            0);
  EXPECT_EQ(out, "66001\n");
}

TEST_F(AddCompat, AddingAgainReplacesEntriesAndKeepsTheOthers) {
  writeFile(scratch("a.txt"), "first", 1600000000);
  writeFile(scratch("b.txt"), "bee", 1600000000);
  ASSERT_EQ(zip({scratch("r.zip"), "a.txt", "b.txt"}), 0);
  writeFile(scratch("a.txt"), "second version", 1500000000);  // older, but add replaces anyway
  Recorder rec;
  ASSERT_EQ(zip({scratch("r.zip"), "a.txt"}, &rec), 0);
  EXPECT_EQ(rec.namesOf(zipabi::zcmUpdating), std::vector<std::string>({"a.txt"}));
  std::string out = unzipTo(scratch("r.zip"));
  EXPECT_EQ(readFile(out + "/a.txt"), "second version");
  EXPECT_EQ(readFile(out + "/b.txt"), "bee");
  expectAllToolsAccept(scratch("r.zip"));
}

TEST_F(AddCompat, GrowingArchivesOfOtherToolsInPlace) {
  // Names and the archive comment written by another tool are kept when adding in place.
  writeFile(scratch("x/a.txt"), "a");
  ASSERT_EQ(sh("cd '" + dir_ +
               "' && python3 -c \"import zipfile;z=zipfile.ZipFile('cp.zip','w');"
               "i=zipfile.ZipInfo('caf\\xe9.txt');z.writestr(i,b'cafe');z.comment=b'kept';z.close()\""),
            0);
  std::string before = readFile(scratch("cp.zip"));
  ASSERT_EQ(zip({"-g", scratch("cp.zip"), "x/a.txt"}), 0);
  expectAllToolsAccept(scratch("cp.zip"));
  std::string out;
  sh("python3 -c \"import zipfile;z=zipfile.ZipFile('" + scratch("cp.zip") +
         "');print(z.namelist(), z.comment)\"",
     &out);
  EXPECT_NE(out.find("x/a.txt"), std::string::npos) << out;
  EXPECT_NE(out.find("b'kept'"), std::string::npos) << out;
  EXPECT_EQ(readFile(scratch("cp.zip")).compare(0, 30, before, 0, 30), 0);
  // Adding a name the archive holds replaces it.
  writeFile(scratch("x/a.txt"), "second");
  ASSERT_EQ(zip({"-g", scratch("cp.zip"), "x/a.txt"}), 0);
  EXPECT_EQ(readFile(unzipTo(scratch("cp.zip")) + "/x/a.txt"), "second");
  sh("unzip -Z1 '" + scratch("cp.zip") + "' | wc -l", &out);
  EXPECT_EQ(out, "2\n");
}

}  // namespace
}  // namespace ztest
