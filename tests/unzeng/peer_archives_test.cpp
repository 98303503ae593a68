// Archives made by the common tools list with their names, sizes, dates and ratios and extract
// to trees identical to the originals.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <ctime>
#include <sstream>

#include "core/zip_format.h"
#include "test_support.h"

using namespace testkit;

namespace {

// One source tree shared by every case: folders (one empty), an empty file, tiny files, a large
// compressible file (beyond the one-call buffer, so it is streamed), an incompressible one, and
// names that are not ASCII.
class PeerTree {
 public:
  static PeerTree& get() {
    static PeerTree tree;
    return tree;
  }
  std::string src() const { return dir_ / "src"; }
  const TempDir& dir() const { return dir_; }

 private:
  PeerTree() {
    std::string s = src();
    sh("mkdir -p '" + s + "/docs/deep/deeper' '" + s + "/empty_dir' '" + s + "/bin'");
    writeFile(s + "/empty.txt", "");
    writeFile(s + "/docs/tiny.txt", "t");
    writeFile(s + "/docs/deep/deeper/note.md", "# note\n");
    writeFile(s + "/gr\xC3\xBC\xC3\x9F"
                  "e.txt",
              "umlauts");
    writeFile(s + "/docs/\xE6\x97\xA5\xE6\x9C\xAC.txt", "japanese");
    std::string text;
    for (int i = 0; text.size() < 20u << 20; ++i)
      text += "line " + std::to_string(i) + " of a large text file\n";
    writeFile(s + "/bin/large.txt", text);
    sh("head -c 300000 /dev/urandom > '" + s + "/bin/random.bin'");
    for (int i = 0; i < 50; ++i) writeFile(s + "/docs/f" + std::to_string(i) + ".txt", std::string(i, 'x'));
    sh("touch -d '2021-06-15 10:20:31' '" + s + "/docs/tiny.txt'");
  }
  TempDir dir_;
};

struct Listed {
  std::string name;
  int64_t size, packed;
};

// Independent listing through Python's zipfile: name, size, packed size, date as YYYYMMDDhhmmss.
std::map<std::string, std::pair<Listed, std::string>> pythonListing(const std::string& archive,
                                                                    const TempDir& dir) {
  std::string listing = dir / "listing.txt";
  // Names without the UTF-8 flag may carry their UTF-8 form in the Info-ZIP Unicode path field,
  // and Unix tools write UTF-8 names without the flag.
  writeFile(dir / "list.py",
            "import zipfile,sys,struct\n"
            "z=zipfile.ZipFile(sys.argv[1])\n"
            "def name(i):\n"
            "  e=i.extra\n"
            "  while len(e)>=4:\n"
            "    t,n=struct.unpack('<HH',e[:4])\n"
            "    if t==0x7075 and not i.flag_bits&0x800: return e[9:4+n].decode('utf-8')\n"
            "    e=e[4+n:]\n"
            "  if not i.flag_bits&0x800 and i.create_system==3:\n"
            "    try: return i.filename.encode('cp437').decode('utf-8')\n"
            "    except UnicodeError: pass\n"
            "  return i.filename\n"
            "for i in z.infolist(): "
            "print(name(i)+'\\t'+str(i.file_size)+'\\t'+str(i.compress_size)+'\\t'+'%04d%02d%02d%02d%02d%02d'"
            " % i.date_time)\n");
  sh("python3 '" + dir / "list.py" + "' '" + archive + "' > '" + listing + "'");
  std::map<std::string, std::pair<Listed, std::string>> out;
  std::istringstream in(readFile(listing));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::string name, size, packed, date;
    std::getline(f, name, '\t');
    std::getline(f, size, '\t');
    std::getline(f, packed, '\t');
    std::getline(f, date, '\t');
    out[name] = {Listed{name, std::stoll(size), std::stoll(packed)}, date};
  }
  return out;
}

std::string dosText(uint32_t dos) {
  char buf[32];
  unsigned d = dos >> 16, t = dos & 0xFFFF;
  std::snprintf(buf, sizeof buf, "%04u%02u%02u%02u%02u%02u", 1980 + (d >> 9), (d >> 5) & 15, d & 31, t >> 11,
                (t >> 5) & 63, (t & 31) * 2);
  return buf;
}

int64_t secondsOf(const std::string& stamp) {
  std::tm tm{};
  tm.tm_year = std::stoi(stamp.substr(0, 4)) - 1900;
  tm.tm_mon = std::stoi(stamp.substr(4, 2)) - 1;
  tm.tm_mday = std::stoi(stamp.substr(6, 2));
  tm.tm_hour = std::stoi(stamp.substr(8, 2));
  tm.tm_min = std::stoi(stamp.substr(10, 2));
  tm.tm_sec = std::stoi(stamp.substr(12, 2));
  return timegm(&tm);
}

struct Maker {
  const char* name;
  const char* tool;
  const char* command;  // run in the source folder; ARCHIVE stands for the archive's path
  bool storesFolders;
};

class PeerArchives : public ::testing::TestWithParam<Maker> {};

std::string expand(std::string command, const std::string& archive) {
  for (size_t at; (at = command.find("ARCHIVE")) != std::string::npos;)
    command.replace(at, 7, "'" + archive + "'");
  return command;
}

}  // namespace

TEST_P(PeerArchives, ListsLikePythonAndExtractsTheSameTree) {
  const Maker& maker = GetParam();
  if (!haveTool(maker.tool)) GTEST_SKIP() << maker.tool << " not installed";
  PeerTree& tree = PeerTree::get();
  TempDir dir;
  std::string archive = dir / "peer.zip";
  ASSERT_EQ(sh("cd '" + tree.src() + "' && " + expand(maker.command, archive) + " >/dev/null 2>&1"), 0);

  Library lib;
  ASSERT_EQ(lib.run({"", "-v", archive}), 0);
  auto expected = pythonListing(archive, dir);
  auto listed = lib.of(zipabi::zcmListing);
  ASSERT_EQ(listed.size(), expected.size());
  for (const auto& m : listed) {
    SCOPED_TRACE(m.name);
    ASSERT_TRUE(expected.count(m.name));
    const auto& [want, date] = expected[m.name];
    EXPECT_EQ(m.size, want.size);
    EXPECT_EQ(m.packed, want.packed);
    long expectedRatio = want.size == 0 || want.packed >= want.size
                             ? 0
                             : std::lround(100.0 * static_cast<double>(want.size - want.packed) /
                                           static_cast<double>(want.size));
    EXPECT_EQ(m.ratio, expectedRatio);
    EXPECT_LE(std::llabs(secondsOf(dosText(m.dosDateTime)) - secondsOf(date)), 2);
    EXPECT_EQ((m.attributes & zipabi::kAttrDirectory) != 0, m.name.back() == '/');
  }
  // The date a file was given shows in the listing.
  for (const auto& m : listed) {
    if (m.name == "docs/tiny.txt") {
      EXPECT_EQ(dosText(m.dosDateTime).substr(0, 12), "202106151020");
    }
  }

  ASSERT_EQ(lib.run({"", "-t", archive}), 0);
  EXPECT_EQ(lib.of(zipabi::zcmTesting).size(), expected.size());

  std::string out = dir / "out";
  ASSERT_EQ(lib.run({"", archive, "-d", out}), 0);
  auto want = snapshotTree(tree.src());
  if (!maker.storesFolders) want.erase("empty_dir");
  EXPECT_EQ(snapshotTree(out), want);
  struct stat a, b;
  ASSERT_EQ(stat((tree.src() + "/docs/tiny.txt").c_str(), &a), 0);
  ASSERT_EQ(stat((out + "/docs/tiny.txt").c_str(), &b), 0);
  EXPECT_LE(std::llabs(static_cast<long long>(a.st_mtime - b.st_mtime)), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, PeerArchives,
    ::testing::Values(Maker{"zip", "zip", "zip -qr ARCHIVE .", true},
                      Maker{"zip_zip64", "zip", "zip -qr -fz ARCHIVE .", true},
                      Maker{"zip_stored", "zip", "zip -qr -0 ARCHIVE .", true},
                      Maker{"sevenzip", "7zz", "7zz a -tzip ARCHIVE .", true},
                      Maker{"bsdtar", "bsdtar", "bsdtar --format zip -cf ARCHIVE .", true},
                      Maker{"python", "python3",
                            "python3 -c \"import zipfile,os,sys\n"
                            "z=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED)\n"
                            "for r,ds,fs in os.walk('.'):\n"
                            "  for d in ds: z.write(os.path.join(r,d), os.path.relpath(os.path.join(r,d)))\n"
                            "  for f in fs: z.write(os.path.join(r,f), os.path.relpath(os.path.join(r,f)))\n"
                            "z.close()\" ARCHIVE",
                            true}),
    [](const ::testing::TestParamInfo<Maker>& info) { return std::string(info.param.name); });

TEST(PeerFeatures, CommentsDataDescriptorsAndEncryptionFromTheTools) {
  if (!haveTool("zip") || !haveTool("7zz")) GTEST_SKIP() << "zip or 7zz not installed";
  TempDir dir;
  Library lib;
  writeFile(dir / "a.txt", std::string(5000, 'a'));
  // Archive comment through zip -z, file comment through Python.
  ASSERT_EQ(sh("cd '" + dir.path() + "' && echo 'the archive comment' | zip -q -z c.zip a.txt"), 0);
  ASSERT_EQ(lib.run({"", "-z", dir / "c.zip"}), 0);
  ASSERT_EQ(lib.of(zipabi::zcmArchiveComment).size(), 1u);
  EXPECT_EQ(lib.of(zipabi::zcmArchiveComment)[0].text, "the archive comment");
  ASSERT_EQ(sh("cd '" + dir.path() +
               "' && python3 -c \"import zipfile\n"
               "z=zipfile.ZipFile('fc.zip','w')\n"
               "i=zipfile.ZipInfo('x.txt'); i.comment=b'file note'\n"
               "z.writestr(i,'x')\nz.close()\""),
            0);
  ASSERT_EQ(lib.run({"", "-v", dir / "fc.zip"}), 0);
  EXPECT_EQ(lib.of(zipabi::zcmListing).at(0).text, "file note");
  // Streamed from standard input: sizes follow the data in a descriptor.
  ASSERT_EQ(sh("cd '" + dir.path() + "' && cat a.txt | zip -q stream.zip -"), 0);
  ASSERT_EQ(lib.run({"", "-t", dir / "stream.zip"}), 0);
  ASSERT_EQ(lib.run({"", dir / "stream.zip", "-d", dir / "s"}), 0);
  EXPECT_EQ(readFile(dir / "s/-"), std::string(5000, 'a'));
  // Traditional encryption written by 7-Zip.
  ASSERT_EQ(sh("cd '" + dir.path() + "' && 7zz a -tzip -mem=ZipCrypto -psecret e7.zip a.txt >/dev/null"), 0);
  ASSERT_EQ(lib.run({"secret", dir / "e7.zip", "-d", dir / "e"}), 0);
  EXPECT_EQ(readFile(dir / "e/a.txt"), std::string(5000, 'a'));
  // One wrong password in 256 passes the header's check byte (the header is random each time);
  // what it decrypts to then does not decode, or fails its CRC.
  int32_t rc = lib.run({"nope", "-t", dir / "e7.zip"});
  int reason = lib.of(zipabi::zcmSkipping).at(0).reason;
  EXPECT_TRUE(
      (rc == zipabi::zrNothingTested && reason == zipabi::zsrBadPassword) ||
      (rc == zipabi::zrTestErrors && (reason == zipabi::zsrCorruptData || reason == zipabi::zsrBadCrc)))
      << rc << " " << reason;
}

TEST(PeerFeatures, PrefixedSelfExtractorStyleArchive) {
  if (!haveTool("zip")) GTEST_SKIP() << "zip not installed";
  TempDir dir;
  Library lib;
  writeFile(dir / "a.txt", "payload");
  ASSERT_EQ(sh("cd '" + dir.path() +
               "' && zip -q plain.zip a.txt && head -c 4096 /dev/urandom > sfx.zip && "
               "cat plain.zip >> sfx.zip && echo trailing junk >> sfx.zip"),
            0);
  ASSERT_EQ(lib.run({"", dir / "sfx.zip", "-d", dir / "out"}), 0);
  EXPECT_EQ(readFile(dir / "out/a.txt"), "payload");
}

// Archivers on other systems may give the exact time only in the old Info-ZIP Unix field
// (0x5855: access time, then modification time, unsigned). It counts where no extended timestamp
// or NTFS field gives one, for the listing and for the extracted file alike.
TEST(PeerFeatures, OldUnixTimeFieldGivesTheTimeWhereNothingBetterDoes) {
  using namespace zipeng;
  auto field = [](uint16_t tag, const std::string& body) {
    std::string f;
    append16(f, tag);
    append16(f, static_cast<uint16_t>(body.size()));
    return f + body;
  };
  auto unix1 = [&](uint32_t mtime, bool owner = false) {
    std::string body;
    append32(body, 1000000000);  // access time
    append32(body, mtime);
    if (owner) body += std::string("\xE8\x03\xE8\x03", 4);
    return field(0x5855, body);
  };
  auto extended = [&](uint32_t mtime) {
    std::string body = "\x01";
    append32(body, mtime);
    return field(kExtraExtendedTime, body);
  };
  auto ntfs = [&](int64_t unixTime) {
    std::string body(4, '\0');
    append16(body, 1);
    append16(body, 24);
    for (int i = 0; i < 3; ++i) append64(body, static_cast<uint64_t>(unixTime + 11644473600LL) * 10000000ULL);
    return field(kExtraNtfs, body);
  };
  const int64_t dos = 1735732800;  // the DOS time every entry carries: 2025-01-01 12:00:00
  struct Case {
    const char* label;
    std::string extra;
    int64_t expected;
  } cases[] = {
      {"alone", unix1(1600000000), 1600000000},
      {"with owner ids", unix1(1600000000, true), 1600000000},
      {"beyond 2038: unsigned", unix1(0x80000010u), 0x80000010LL},
      {"extended timestamp first", extended(1500000000) + unix1(1600000000), 1500000000},
      {"extended timestamp after", unix1(1600000000) + extended(1500000000), 1500000000},
      {"NTFS wins", unix1(1600000000) + ntfs(1400000000), 1400000000},
      {"too short", field(0x5855, std::string(6, '\x11')), dos},
  };
  TempDir dir;
  Library lib;
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    RawEntry e = rawFile("t.txt", "hello\n");
    e.centralExtra = c.extra;
    std::string archive = dir / "t.zip", out = dir / ("out" + std::to_string(n++));
    writeFile(archive, buildArchive({e}));
    ASSERT_EQ(lib.run({"", "-v", archive}), 0);
    ASSERT_EQ(lib.of(zipabi::zcmListing).size(), 1u);
    std::time_t t = static_cast<std::time_t>(c.expected);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M", &tm);
    EXPECT_EQ(dosText(lib.of(zipabi::zcmListing)[0].dosDateTime).substr(0, 12), stamp);
    ASSERT_EQ(lib.run({"", archive, "-d", out}), 0);
    struct stat st;
    ASSERT_EQ(stat((out + "/t.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, c.expected);
  }
}
