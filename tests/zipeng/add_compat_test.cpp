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
  MakeMixedTree("src");
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
    std::string archive = P("a" + std::to_string(n++) + ".zip");
    std::vector<std::string> args = c.switches;
    args.push_back(archive);
    args.push_back("src");
    Recorder rec;
    ASSERT_EQ(Zip(args, &rec, c.password), 0);
    EXPECT_EQ(rec.Count(zipabi::zcmAdding),
              8 + (std::find(c.switches.begin(), c.switches.end(), "-D") != c.switches.end() ? 5 : 0));
    ExpectAllToolsAccept(archive, c.password);
    std::string out = UnzipTo(archive, c.password);
    auto want = TreeListing(P("src"));
    auto got = TreeListing(out + "/src");
    // Folders are compared only when stored ("-D"); their times are the extraction's.
    for (auto* m : {&want, &got})
      for (auto it = m->begin(); it != m->end();) it = it->first.back() == '/' ? m->erase(it) : std::next(it);
    EXPECT_EQ(got, want);
  }
}

TEST_F(AddCompat, StoredExtensionsAndLevelZeroStoreWithoutCompression) {
  WriteFile(P("a.txt"), TextBytes(20000, 5));
  WriteFile(P("b.TXT"), TextBytes(20000, 6));
  ASSERT_EQ(Zip({"-6", "-n", "txt", P("n.zip"), "a.txt", "b.TXT"}), 0);
  ASSERT_EQ(Zip({"-0", P("z.zip"), "a.txt"}), 0);
  std::string out;
  Sh("unzip -Zv '" + P("n.zip") + "' | grep 'compression method'", &out);
  EXPECT_EQ(out.find("deflated"), std::string::npos) << out;
  Sh("unzip -Zv '" + P("z.zip") + "' | grep 'compression method'", &out);
  EXPECT_NE(out.find("none (stored)"), std::string::npos) << out;
}

TEST_F(AddCompat, LargeFileIsStreamedAndChecksOut) {
  // Past the whole-file buffer: compressed by the streaming path, encrypted and not.
  std::string big = TextBytes(34u << 20, 7);
  big.replace(1000, 100000, RandomBytes(100000, 8));
  WriteFile(P("big.txt"), big, 1600000000);
  WriteFile(P("small.txt"), "small\n", 1600000000);
  ASSERT_EQ(Zip({"-6", P("big.zip"), "big.txt", "small.txt"}), 0);
  ExpectAllToolsAccept(P("big.zip"));
  ASSERT_EQ(Zip({"-e", "-6", P("bigenc.zip"), "big.txt"}, nullptr, "pw"), 0);
  ExpectAllToolsAccept(P("bigenc.zip"), "pw");
  EXPECT_EQ(ReadFile(UnzipTo(P("bigenc.zip"), "pw") + "/big.txt"), big);
}

TEST_F(AddCompat, HiddenFilesOnlyWithSwitch) {
  WriteFile(P("t/.hidden"), "h");
  WriteFile(P("t/.dot/inner.txt"), "i");
  WriteFile(P("t/shown.txt"), "s");
  Recorder rec;
  ASSERT_EQ(Zip({"-r", P("h1.zip"), "t"}, &rec), 0);
  EXPECT_EQ(rec.NamesOf(zipabi::zcmAdding), std::vector<std::string>({"t/shown.txt"}));
  Recorder rec2;
  ASSERT_EQ(Zip({"-r", "-S", P("h2.zip"), "t"}, &rec2), 0);
  EXPECT_EQ(rec2.Count(zipabi::zcmAdding), 3);
}

TEST_F(AddCompat, NamesArePathsWithoutLeadingSlashOrDotParts) {
  WriteFile(P("d/x.txt"), "x");
  Recorder rec;
  ASSERT_EQ(Zip({P("n.zip"), "./d/../d/x.txt", P("d/x.txt")}, &rec), 0);
  auto names = rec.NamesOf(zipabi::zcmAdding);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "d/d/x.txt");
  EXPECT_EQ(names[1], P("d/x.txt").substr(1));
}

TEST_F(AddCompat, IncludeAndExcludePatternsMatchStoredNames) {
  WriteFile(P("p/a.doc"), "a");
  WriteFile(P("p/b.bak"), "b");
  WriteFile(P("p/sub/c.doc"), "c");
  WriteFile(P("p/sub/d.txt"), "d");
  Recorder rec;
  ASSERT_EQ(Zip({"-r", P("p.zip"), "p", "-i", "*.doc", "*.bak", "-x", "*.bak"}, &rec), 0);
  EXPECT_EQ(rec.NamesOf(zipabi::zcmAdding), std::vector<std::string>({"p/a.doc", "p/sub/c.doc"}));
}

TEST_F(AddCompat, DateBoundLeavesOutOlderFiles) {
  WriteFile(P("old.txt"), "o", 946684800);   // 2000-01-01
  WriteFile(P("new.txt"), "n", 1262304000);  // 2010-01-01
  Recorder rec;
  ASSERT_EQ(Zip({"-t", "060105", P("d.zip"), "old.txt", "new.txt"}, &rec), 0);
  EXPECT_EQ(rec.NamesOf(zipabi::zcmAdding), std::vector<std::string>({"new.txt"}));
}

TEST_F(AddCompat, MissingFilesAreSkippedWithReasonZero) {
  WriteFile(P("here.txt"), "h");
  Recorder rec;
  EXPECT_EQ(Zip({P("m.zip"), "here.txt", "gone.txt"}, &rec), zipabi::zrSomeSkipped);
  ASSERT_EQ(rec.Count(zipabi::zcmSkipping), 1);
  EXPECT_EQ(rec.NamesOf(zipabi::zcmSkipping)[0], "gone.txt");
  EXPECT_EQ(rec.messages[0].reason, 0);
  ExpectAllToolsAccept(P("m.zip"));
  // Nothing to add at all: no archive is created.
  EXPECT_EQ(Zip({P("none.zip"), "gone.txt"}), zipabi::zrSomeSkipped);
  EXPECT_FALSE(Exists(P("none.zip")));
}

TEST_F(AddCompat, UnreadableFileIsSkippedWithReasonFour) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  WriteFile(P("secret.txt"), "s", -1, 0000);
  WriteFile(P("ok.txt"), "o");
  Recorder rec;
  EXPECT_EQ(Zip({P("u.zip"), "secret.txt", "ok.txt"}, &rec), zipabi::zrSomeSkipped);
  ASSERT_EQ(rec.Count(zipabi::zcmSkipping), 1);
}

TEST_F(AddCompat, FileCommentsFromMessage120AreStored) {
  WriteFile(P("c.txt"), "c");
  Recorder rec;
  rec.fileComment = "a comment";
  ASSERT_EQ(Zip({P("c.zip"), "c.txt"}, &rec), 0);
  EXPECT_EQ(rec.Count(zipabi::zcmFileComment), 1);
  std::string out;
  Sh("python3 -c \"import zipfile;print(zipfile.ZipFile('" + P("c.zip") +
         "').getinfo('c.txt').comment.decode())\"",
     &out);
  EXPECT_EQ(out, "a comment\n");
}

TEST_F(AddCompat, ManyEntriesGetZip64EndRecords) {
  // More than 65,535 entries need the ZIP64 end records.
  Sh("mkdir -p '" + P("many") + "' && cd '" + P("many") + "' && seq 1 66000 | xargs touch");
  ASSERT_EQ(Zip({"-r", "-0", P("many.zip"), "many"}), 0);
  std::string out;
  ASSERT_EQ(
      Sh("python3 -c \"import zipfile;z=zipfile.ZipFile('" + P("many.zip") + "');print(len(z.infolist()))\"",
         &out),
      0);
  EXPECT_EQ(out, "66000\n");
  EXPECT_EQ(Sh("unzip -tq '" + P("many.zip") + "'", &out), 0) << out;
  // Growing it in place reads its ZIP64 end records.
  WriteFile(P("one more.txt"), "x");
  ASSERT_EQ(Zip({"-g", P("many.zip"), "one more.txt"}), 0);
  ASSERT_EQ(
      Sh("python3 -c \"import zipfile;z=zipfile.ZipFile('" + P("many.zip") + "');print(len(z.infolist()))\"",
         &out),
      0);
  EXPECT_EQ(out, "66001\n");
}

TEST_F(AddCompat, AddingAgainReplacesEntriesAndKeepsTheOthers) {
  WriteFile(P("a.txt"), "first", 1600000000);
  WriteFile(P("b.txt"), "bee", 1600000000);
  ASSERT_EQ(Zip({P("r.zip"), "a.txt", "b.txt"}), 0);
  WriteFile(P("a.txt"), "second version", 1500000000);  // older, but add replaces anyway
  Recorder rec;
  ASSERT_EQ(Zip({P("r.zip"), "a.txt"}, &rec), 0);
  EXPECT_EQ(rec.NamesOf(zipabi::zcmUpdating), std::vector<std::string>({"a.txt"}));
  std::string out = UnzipTo(P("r.zip"));
  EXPECT_EQ(ReadFile(out + "/a.txt"), "second version");
  EXPECT_EQ(ReadFile(out + "/b.txt"), "bee");
  ExpectAllToolsAccept(P("r.zip"));
}

TEST_F(AddCompat, GrowingArchivesOfOtherToolsInPlace) {
  // Names and the archive comment written by another tool are kept when adding in place.
  WriteFile(P("x/a.txt"), "a");
  ASSERT_EQ(Sh("cd '" + dir_ +
               "' && python3 -c \"import zipfile;z=zipfile.ZipFile('cp.zip','w');"
               "i=zipfile.ZipInfo('caf\\xe9.txt');z.writestr(i,b'cafe');z.comment=b'kept';z.close()\""),
            0);
  std::string before = ReadFile(P("cp.zip"));
  ASSERT_EQ(Zip({"-g", P("cp.zip"), "x/a.txt"}), 0);
  ExpectAllToolsAccept(P("cp.zip"));
  std::string out;
  Sh("python3 -c \"import zipfile;z=zipfile.ZipFile('" + P("cp.zip") + "');print(z.namelist(), z.comment)\"",
     &out);
  EXPECT_NE(out.find("x/a.txt"), std::string::npos) << out;
  EXPECT_NE(out.find("b'kept'"), std::string::npos) << out;
  EXPECT_EQ(ReadFile(P("cp.zip")).compare(0, 30, before, 0, 30), 0);
  // Adding a name the archive holds replaces it.
  WriteFile(P("x/a.txt"), "second");
  ASSERT_EQ(Zip({"-g", P("cp.zip"), "x/a.txt"}), 0);
  EXPECT_EQ(ReadFile(UnzipTo(P("cp.zip")) + "/x/a.txt"), "second");
  Sh("unzip -Z1 '" + P("cp.zip") + "' | wc -l", &out);
  EXPECT_EQ(out, "2\n");
}

}  // namespace
}  // namespace ztest
