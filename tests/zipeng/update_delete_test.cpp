// Freshen and update follow the file dates; "-j" refuses names that would repeat; delete
// removes exactly the named entries and leaves the others byte-identical.
#include "zip_test_support.h"

namespace ztest {
namespace {

class UpdateDelete : public ZipTest {
 protected:
  void makeArchive() {
    writeFile(scratch("w/old.txt"), "old", 1500000000);
    writeFile(scratch("w/same.txt"), "same", 1500000000);
    ASSERT_EQ(zip({"-r", scratch("u.zip"), "w"}), 0);
  }
};

TEST_F(UpdateDelete, FreshenReplacesOnlyOlderEntriesAndAddsNothing) {
  makeArchive();
  writeFile(scratch("w/old.txt"), "newer content", 1600000000);
  writeFile(scratch("w/brand_new.txt"), "new", 1600000000);
  Recorder rec;
  ASSERT_EQ(zip({"-f", "-r", scratch("u.zip"), "w"}, &rec), 0);
  EXPECT_EQ(rec.namesOf(zipabi::zcmUpdating), std::vector<std::string>({"w/old.txt"}));
  EXPECT_EQ(rec.count(zipabi::zcmAdding), 0);
  // The unchanged file is reported as up to date (reason 3).
  ASSERT_EQ(rec.count(zipabi::zcmSkipping), 1);
  for (auto& m : rec.messages)
    if (m.code == zipabi::zcmSkipping) {
      EXPECT_EQ(m.reason, zipabi::zsrUpToDate);
    }
  std::string out = unzipTo(scratch("u.zip"));
  EXPECT_EQ(readFile(out + "/w/old.txt"), "newer content");
  EXPECT_FALSE(exists(out + "/w/brand_new.txt"));
  expectAllToolsAccept(scratch("u.zip"));
}

TEST_F(UpdateDelete, UpdateAddsNewFilesAndReplacesOlderOnes) {
  makeArchive();
  writeFile(scratch("w/old.txt"), "newer content", 1600000000);
  writeFile(scratch("w/same.txt"), "older than the entry", 1400000000);
  writeFile(scratch("w/brand_new.txt"), "new", 1600000000);
  Recorder rec;
  ASSERT_EQ(zip({"-u", "-r", scratch("u.zip"), "w"}, &rec), 0);
  EXPECT_EQ(rec.namesOf(zipabi::zcmUpdating), std::vector<std::string>({"w/old.txt"}));
  EXPECT_EQ(rec.namesOf(zipabi::zcmAdding), std::vector<std::string>({"w/brand_new.txt"}));
  std::string out = unzipTo(scratch("u.zip"));
  EXPECT_EQ(readFile(out + "/w/same.txt"), "same");
  EXPECT_EQ(readFile(out + "/w/brand_new.txt"), "new");
  expectAllToolsAccept(scratch("u.zip"));
}

TEST_F(UpdateDelete, UpdateWithNothingNewerLeavesArchiveUntouched) {
  makeArchive();
  std::string before = readFile(scratch("u.zip"));
  ASSERT_EQ(zip({"-u", "-r", scratch("u.zip"), "w"}), 0);
  EXPECT_TRUE(readFile(scratch("u.zip")) == before);
  EXPECT_EQ(zip({"-f", scratch("missing.zip"), "w/old.txt"}), zipabi::zrArchiveNotFound);
}

TEST_F(UpdateDelete, UpdateHonoursTimesFromOtherToolsArchives) {
  // An archive without extended timestamps compares by its two-second DOS times.
  writeFile(scratch("x/a.txt"), "a", 1500000000);
  ASSERT_EQ(sh("cd '" + dir_ + "' && zip -q -X other.zip x/a.txt"), 0);
  Recorder same;
  ASSERT_EQ(zip({"-f", scratch("other.zip"), "x/a.txt"}, &same), 0);
  EXPECT_EQ(same.count(zipabi::zcmUpdating), 0);
  writeFile(scratch("x/a.txt"), "b", 1500000010);
  Recorder newer;
  ASSERT_EQ(zip({"-f", scratch("other.zip"), "x/a.txt"}, &newer), 0);
  EXPECT_EQ(newer.count(zipabi::zcmUpdating), 1);
}

TEST_F(UpdateDelete, JunkPathsWithRepeatedNamesGives370AndChangesNothing) {
  makeArchive();
  writeFile(scratch("one/same.txt"), "1");
  writeFile(scratch("two/same.txt"), "2");
  std::string before = readFile(scratch("u.zip"));
  Recorder rec;
  EXPECT_EQ(zip({"-j", scratch("u.zip"), "one/same.txt", "two/same.txt"}, &rec), zipabi::zrRepeatedNames);
  EXPECT_TRUE(readFile(scratch("u.zip")) == before);
  EXPECT_EQ(rec.count(zipabi::zcmAdding), 0);
  // The same file named twice is no clash.
  Recorder ok;
  EXPECT_EQ(zip({"-j", scratch("u.zip"), "one/same.txt", "./one/same.txt"}, &ok), 0);
  EXPECT_EQ(ok.namesOf(zipabi::zcmAdding), std::vector<std::string>({"same.txt"}));
}

// The raw local records (header, data, descriptor) of every entry, by name.
std::map<std::string, std::string> RawEntries(const std::string& archive) {
  std::string out;
  sh("python3 -c \"\nimport zipfile,sys\nz=zipfile.ZipFile(sys.argv[1])\nd=open(sys.argv[1],'rb').read()\n"
     "ends=sorted([i.header_offset for i in z.infolist()]+[z.start_dir])\n"
     "for i in z.infolist():\n  e=ends[ends.index(i.header_offset)+1]\n  print(i.filename, "
     "d[i.header_offset:e].hex())\n\" '" +
         archive + "'",
     &out);
  std::map<std::string, std::string> m;
  size_t pos = 0;
  while (pos < out.size()) {
    size_t nl = out.find('\n', pos);
    std::string line = out.substr(pos, nl - pos);
    size_t sp = line.rfind(' ');
    if (sp != std::string::npos) m[line.substr(0, sp)] = line.substr(sp + 1);
    pos = nl == std::string::npos ? out.size() : nl + 1;
  }
  return m;
}

TEST_F(UpdateDelete, DeleteLeavesOtherEntriesByteIdentical) {
  makeMixedTree("src");
  ASSERT_EQ(zip({"-r", "-D", scratch("d.zip"), "src"}), 0);
  auto before = RawEntries(scratch("d.zip"));
  ASSERT_GT(before.size(), 8u);
  Recorder rec;
  ASSERT_EQ(zip({"-d", scratch("d.zip"), "src/docs/*", "src/empty.dat"}, &rec), 0);
  auto removed = rec.namesOf(zipabi::zcmDeleting);
  EXPECT_EQ(removed.size(), 7u);  // docs/ and the five entries below it, and empty.dat
  auto after = RawEntries(scratch("d.zip"));
  EXPECT_EQ(after.size() + removed.size(), before.size());
  for (auto& [name, raw] : after) EXPECT_TRUE(before[name] == raw) << name;
  for (auto& name : removed) EXPECT_EQ(after.count(name), 0u) << name;
  expectAllToolsAccept(scratch("d.zip"));
}

// An archive whose names a Russian system stored in code page 866 without the UTF-8 flag: an
// entry is removed and updated by the name it is shown under, every other name keeps its bytes,
// and a file added to it is stored under its UTF-8 name with the flag.
TEST_F(UpdateDelete, NamesOfALegacyCodePageAreAddressedAsShownAndKeepTheirBytes) {
  writeFile(scratch("make.py"), R"(import sys, zipfile
names = ['Отчёт.txt', 'Письмо директору.doc', 'Счёт-фактура.xls']
raws = [n.encode('cp866') for n in names]
holders = [(b'%d' % k) * len(r) for k, r in enumerate(raws)]
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    for n, h in zip(names, holders):
        info = zipfile.ZipInfo(h.decode(), (2020, 1, 1, 0, 0, 0))
        info.create_system = 0
        z.writestr(info, n)
data = open(sys.argv[1], 'rb').read()
for h, r in zip(holders, raws):
    data = data.replace(h, r)
open(sys.argv[1], 'wb').write(data)
)");
  const std::string archive = scratch("ru.zip");
  ASSERT_EQ(sh("python3 '" + scratch("make.py") + "' '" + archive + "'"), 0);
  ASSERT_EQ(zip({"-d", archive, "Отчёт.txt"}), 0);
  writeFile(scratch("Счёт-фактура.xls"), "newer", 1900000000);
  writeFile(scratch("Новый.txt"), "new");
  Recorder rec;
  ASSERT_EQ(zip({"-u", archive, "Счёт-фактура.xls", "Новый.txt"}, &rec), 0);
  EXPECT_EQ(rec.namesOf(zipabi::zcmUpdating), std::vector<std::string>{"Счёт-фактура.xls"});
  std::string out;
  ASSERT_EQ(sh("python3 -c \"import sys, zipfile\nfor i in zipfile.ZipFile(sys.argv[1]).infolist(): "
               "print(i.flag_bits & 0x800, (i.filename if i.flag_bits & 0x800 else "
               "i.filename.encode('cp437').decode('cp866')))\" '" +
                   archive + "'",
               &out),
            0);
  EXPECT_EQ(out, "0 Письмо директору.doc\n2048 Счёт-фактура.xls\n2048 Новый.txt\n");
}

TEST_F(UpdateDelete, DeleteWithExcludesAndNoMatch) {
  makeMixedTree("src");
  ASSERT_EQ(zip({"-r", scratch("d.zip"), "src"}), 0);
  std::string before = readFile(scratch("d.zip"));
  // Nothing matched, or nothing named at all (as when a caller's list held only patterns it
  // does not send): nothing is removed.
  for (const std::vector<std::string>& names :
       {std::vector<std::string>{"nothing/*"}, std::vector<std::string>{},
        std::vector<std::string>{"-x", "*.bak"}}) {
    std::vector<std::string> args = {"-d", scratch("d.zip")};
    args.insert(args.end(), names.begin(), names.end());
    Recorder none;
    EXPECT_EQ(zip(args, &none), zipabi::zrNothingToDo) << names.size();
    EXPECT_TRUE(readFile(scratch("d.zip")) == before);
    EXPECT_EQ(none.count(zipabi::zcmDeleting), 0);
  }
  Recorder rec;
  ASSERT_EQ(zip({"-d", scratch("d.zip"), "-i", "*.txt", "-x", "*manual*"}, &rec), 0);
  auto removed = rec.namesOf(zipabi::zcmDeleting);
  EXPECT_EQ(std::count(removed.begin(), removed.end(), "src/docs/manual.txt"), 0);
  EXPECT_EQ(std::count(removed.begin(), removed.end(), "src/readme.txt"), 1);
  EXPECT_EQ(zip({"-d", scratch("absent.zip"), "x"}), zipabi::zrArchiveNotFound);
}

TEST_F(UpdateDelete, DeleteKeepsEntriesOfOtherToolsIntact) {
  // Data descriptors, a self-extractor prefix and an archive comment written by zip.
  makeMixedTree("src");
  ASSERT_EQ(sh("cd '" + dir_ +
               "' && printf 'STUB%.0s' $(seq 100) > sfx.zip && zip -q -r - src | cat >> sfx.zip && "
               "zip -q -A sfx.zip && echo 'the comment' | zip -q -z sfx.zip"),
            0);
  ASSERT_EQ(zip({"-d", scratch("sfx.zip"), "src/random.bin"}), 0);
  expectAllToolsAccept(scratch("sfx.zip"));
  EXPECT_EQ(readFile(scratch("sfx.zip")).substr(0, 8), "STUBSTUB");
  std::string out;
  sh("unzip -z '" + scratch("sfx.zip") + "'", &out);
  EXPECT_NE(out.find("the comment"), std::string::npos) << out;
}

TEST_F(UpdateDelete, RewriteDropsSpaceLeftByReplacingInPlace) {
  writeFile(scratch("big.bin"), randomBytes(300000, 1), 1500000000);
  writeFile(scratch("small.txt"), "s");
  ASSERT_EQ(zip({scratch("g.zip"), "big.bin", "small.txt"}), 0);
  writeFile(scratch("big.bin"), randomBytes(300000, 2), 1600000000);
  ASSERT_EQ(zip({"-g", "-u", scratch("g.zip"), "big.bin"}), 0);
  size_t grown = readFile(scratch("g.zip")).size();
  EXPECT_GT(grown, 600000u);  // the old copy is still in the file, unreferenced
  ASSERT_EQ(zip({"-d", scratch("g.zip"), "small.txt"}), 0);
  EXPECT_LT(readFile(scratch("g.zip")).size(), 310000u);
  expectAllToolsAccept(scratch("g.zip"));
  EXPECT_EQ(readFile(unzipTo(scratch("g.zip")) + "/big.bin"), randomBytes(300000, 2));
}

}  // namespace
}  // namespace ztest

namespace ztest {
namespace {

TEST_F(UpdateDelete, DeleteTakesAnExactNameAsThatEntryAlone) {
  for (const char* name : {"Report [final].pdf", "Report f.pdf", "Report a.pdf"})
    writeFile(scratch(name), name);
  ASSERT_EQ(sh("cd '" + dir_ + "' && zip -q r.zip 'Report [final].pdf' 'Report f.pdf' 'Report a.pdf'"), 0);
  Recorder rec;
  ASSERT_EQ(zip({"-d", scratch("r.zip"), "Report [final].pdf"}, &rec), 0);
  EXPECT_EQ(rec.namesOf(zipabi::zcmDeleting), std::vector<std::string>{"Report [final].pdf"});
  auto left = RawEntries(scratch("r.zip"));
  EXPECT_EQ(left.size(), 2u);
  EXPECT_TRUE(left.count("Report f.pdf") && left.count("Report a.pdf"));
}

// An entry whose directory record claims a size near 2^64 is kept as it stands while others are
// deleted: copying goes by position, and no sum of offset and size wraps around.
TEST_F(UpdateDelete, DeleteKeepsAnEntryWhoseZip64SizeLies) {
  writeFile(scratch("a.txt"), textBytes(5000, 1));
  writeFile(scratch("b.txt"), textBytes(5000, 2));
  writeFile(scratch("c.txt"), textBytes(5000, 3));
  writeFile(scratch("lie.py"),
            "import zipfile, struct\n"
            "z = zipfile.ZipFile('l.zip', 'w')\n"
            "for n in ('a.txt', 'b.txt', 'c.txt'):\n"
            "    i = zipfile.ZipInfo(n)\n"
            "    if n == 'b.txt': i.extra = struct.pack('<HHQ', 1, 8, 0xFFFFFFFFFFFFFFF0)\n"
            "    z.writestr(i, open(n, 'rb').read())\n"
            "z.close()\n"
            "b = bytearray(open('l.zip', 'rb').read())\n"
            "second = b.find(b'PK\\x01\\x02', b.find(b'PK\\x01\\x02') + 4)\n"
            "b[second + 20:second + 24] = b'\\xff' * 4\n"
            "open('l.zip', 'wb').write(b)\n");
  ASSERT_EQ(sh("cd '" + dir_ + "' && python3 lie.py"), 0);
  ASSERT_EQ(zip({"-d", scratch("l.zip"), "c.txt"}), 0);
  auto left = RawEntries(scratch("l.zip"));
  EXPECT_EQ(left.size(), 2u);
  EXPECT_EQ(sh("unzip -tq '" + scratch("l.zip") + "' a.txt"), 0);
}

}  // namespace
}  // namespace ztest
