// "-F" and "-FF" save at least every entry that zip -F and zip -FF save from the same damage:
// a truncated archive, bytes overwritten in the middle, a destroyed central directory.
#include <algorithm>
#include <set>

#include "zip_test_support.h"

namespace ztest {
namespace {

class Repair : public ZipTest {
 protected:
  // Names of the entries of `archive` that unzip -t finds good.
  std::set<std::string> goodEntries(const std::string& archive) {
    std::string out;
    sh("unzip -t '" + archive + "'", &out);
    std::set<std::string> names;
    size_t pos = 0;
    while (pos < out.size()) {
      size_t nl = out.find('\n', pos);
      if (nl == std::string::npos) nl = out.size();
      std::string line = out.substr(pos, nl - pos);
      pos = nl + 1;
      size_t t = line.find("testing: ");
      if (t == std::string::npos || line.size() < 2 || line.compare(line.size() - 2, 2, "OK") != 0) continue;
      std::string name = line.substr(t + 9, line.size() - 2 - (t + 9));
      while (!name.empty() && name.back() == ' ') name.pop_back();
      names.insert(name);
    }
    return names;
  }

  // Names that are not plain ASCII may be shown in another code page when zip's repair dropped
  // their UTF-8 flag; those are compared by count.
  static void ExpectSuperset(const std::set<std::string>& ours, const std::set<std::string>& theirs,
                             const std::string& mode) {
    auto ascii = [](const std::string& n) {
      return std::all_of(n.begin(), n.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    size_t ourOthers = 0, theirOthers = 0;
    for (auto& n : ours) ourOthers += !ascii(n);
    for (auto& n : theirs) {
      if (ascii(n))
        EXPECT_TRUE(ours.count(n)) << mode << " lost " << n;
      else
        ++theirOthers;
    }
    EXPECT_GE(ourOthers, theirOthers) << mode;
  }

  void damage(const std::string& archive, const std::string& how) {
    std::string bytes = readFile(archive);
    std::string out;
    sh("python3 -c \"import zipfile;print(zipfile.ZipFile('" + archive + "').start_dir)\"", &out);
    size_t cd = std::stoul(out);
    if (how == "truncated") bytes.resize(bytes.size() * 6 / 10);
    if (how == "middle") bytes.replace(bytes.size() / 2, 300, std::string(300, '\x55'));
    if (how == "directory")
      bytes.replace(cd, bytes.size() - cd - 10, std::string(bytes.size() - cd - 10, '\0'));
    writeFile(archive, bytes);
  }

  void build(const std::string& kind) {
    makeMixedTree("src");
    for (int i = 0; i < 12; ++i)
      writeFile(scratch("src/more/f" + std::to_string(i) + ".txt"), textBytes(30000 + i * 977, 40 + i));
    if (kind == "ours") {
      ASSERT_EQ(zip({"-r", scratch("base.zip"), "src"}), 0);
    } else {
      // Streamed by zip: sizes in data descriptors after each entry's data.
      ASSERT_EQ(sh("cd '" + dir_ + "' && zip -q -r - src > base.zip"), 0);
    }
  }
};

TEST_F(Repair, RecoversAtLeastWhatZipRecovers) {
  for (std::string kind : {"ours", "streamed"}) {
    build(kind);
    for (std::string how : {"truncated", "middle", "directory"}) {
      SCOPED_TRACE(kind + " " + how);
      sh("cd '" + dir_ + "' && rm -f d.zip zf.zip zff.zip f.zip ff.zip && cp base.zip d.zip");
      damage(scratch("d.zip"), how);
      sh("cd '" + dir_ + "' && cp d.zip f.zip && cp d.zip ff.zip");
      sh("cd '" + dir_ + "' && timeout 60 zip -F d.zip --out zf.zip < /dev/null > /dev/null");
      sh("cd '" + dir_ +
         "' && printf 'y\\ne\\ne\\ne\\n' | timeout 60 zip -FF d.zip --out zff.zip > /dev/null");
      Recorder normal, aggressive;
      int rcF = zip({"-F", scratch("f.zip")}, &normal);
      int rcFF = zip({"-FF", scratch("ff.zip")}, &aggressive);
      auto zipF = goodEntries(scratch("zf.zip")), zipFF = goodEntries(scratch("zff.zip"));
      auto ourF = goodEntries(scratch("f.zip")), ourFF = goodEntries(scratch("ff.zip"));
      ExpectSuperset(ourF, zipF, "-F");
      ExpectSuperset(ourFF, zipFF, "-FF");
      for (auto& n : ourF) EXPECT_TRUE(ourFF.count(n)) << "-FF saves less than -F: " << n;
      // The comparison means something only when zip saved entries too.
      if (how != "truncated" || kind != "ours") {
        EXPECT_GT(zipF.size() + zipFF.size(), 0u);
      }
      // Entries that the damage reached are reported as skipped.
      if (rcF == 0 || rcF == zipabi::zrSomeSkipped) {
        EXPECT_EQ(normal.count(zipabi::zcmFixing), static_cast<int>(ourF.size()));
        EXPECT_EQ(rcF == zipabi::zrSomeSkipped, normal.count(zipabi::zcmSkipping) > 0);
        expectAllToolsAccept(scratch("f.zip"));
      }
      ASSERT_TRUE(rcFF == 0 || rcFF == zipabi::zrSomeSkipped) << rcFF;
      EXPECT_EQ(rcFF == zipabi::zrSomeSkipped, aggressive.count(zipabi::zcmSkipping) > 0);
      EXPECT_GT(ourFF.size(), 0u);
      expectAllToolsAccept(scratch("ff.zip"));
    }
  }
}

TEST_F(Repair, RepairedEntriesKeepTheirContents) {
  build("ours");
  sh("cd '" + dir_ + "' && cp base.zip d.zip");
  damage(scratch("d.zip"), "directory");
  ASSERT_EQ(zip({"-FF", scratch("d.zip")}), 0);
  std::string out = unzipTo(scratch("d.zip"));
  for (int i = 0; i < 12; ++i) {
    std::string rel = "src/more/f" + std::to_string(i) + ".txt";
    EXPECT_EQ(readFile(out + "/" + rel), readFile(scratch(rel))) << rel;
  }
}

TEST_F(Repair, NothingRecoverableGives110AndLeavesFileAlone) {
  writeFile(scratch("junk.zip"), randomBytes(20000, 3));
  std::string before = readFile(scratch("junk.zip"));
  EXPECT_EQ(zip({"-F", scratch("junk.zip")}), zipabi::zrArchiveTooCorrupted);
  EXPECT_EQ(zip({"-FF", scratch("junk.zip")}), zipabi::zrArchiveTooCorrupted);
  EXPECT_TRUE(readFile(scratch("junk.zip")) == before);
  EXPECT_EQ(zip({"-F", scratch("absent.zip")}), zipabi::zrArchiveNotFound);
}

TEST_F(Repair, EncryptedEntriesAreCheckedWithThePassword) {
  writeFile(scratch("s/a.txt"), textBytes(5000, 1));
  writeFile(scratch("s/b.txt"), textBytes(5000, 2));
  ASSERT_EQ(zip({"-e", "-r", scratch("e.zip"), "s"}, nullptr, "pw"), 0);
  std::string bytes = readFile(scratch("e.zip"));
  bytes.resize(bytes.size() - 30);  // the end record is gone
  writeFile(scratch("e.zip"), bytes);
  ASSERT_EQ(zip({"-FF", scratch("e.zip")}, nullptr, "pw"), 0);
  expectAllToolsAccept(scratch("e.zip"), "pw");
}

}  // namespace
}  // namespace ztest

namespace ztest {
namespace {

// Intact archives whose entries end right on the scanner's buffer sizes: nothing is lost.
TEST_F(Repair, IntactArchivesAroundBufferSizesKeepEveryEntry) {
  writeFile(scratch("z65537"), std::string(65537, '\0'));
  writeFile(scratch("z1048577"), std::string(1048577, '\0'));
  writeFile(scratch("t.txt"), textBytes(3000, 7));
  const std::vector<std::string> makers = {"zip -q -6 a.zip z65537 t.txt", "zip -q -6 a.zip z1048577 t.txt",
                                           "7zz a -tzip a.zip z65537 z1048577 t.txt >/dev/null"};
  for (const auto& make : makers) {
    for (const char* mode : {"-F", "-FF"}) {
      SCOPED_TRACE(make + " " + mode);
      sh("cd '" + dir_ + "' && rm -f a.zip && " + make);
      auto before = goodEntries(scratch("a.zip"));
      ASSERT_EQ(zip({mode, scratch("a.zip")}), 0);
      EXPECT_EQ(goodEntries(scratch("a.zip")), before);
    }
  }
  ASSERT_EQ(zip({scratch("ours.zip"), "z65537", "z1048577", "t.txt"}), 0);
  ASSERT_EQ(zip({"-F", scratch("ours.zip")}), 0);
  EXPECT_EQ(goodEntries(scratch("ours.zip")).size(), 3u);
}

// What repair keeps passes the common tools' test: a damaged local header is written anew from
// the directory, and data that fails its CRC is left out.
TEST_F(Repair, RepairedArchivePassesTheCommonToolsTest) {
  writeFile(scratch("a.txt"), textBytes(20000, 1));
  writeFile(scratch("b.txt"), textBytes(20000, 2));
  ASSERT_EQ(sh("cd '" + dir_ + "' && zip -q base.zip a.txt b.txt"), 0);
  struct Case {
    const char* name;
    size_t at;
    std::string bytes;
    std::set<std::string> kept;
    int result;  // an entry left out is reported as skipped
  };
  const Case cases[] = {
      {"local time and CRC", 10, std::string(8, '\xff'), {"a.txt", "b.txt"}, 0},
      {"data of the first entry", 100, "XXXX", {"b.txt"}, zipabi::zrSomeSkipped},
  };
  for (const auto& c : cases) {
    for (const char* mode : {"-F", "-FF"}) {
      SCOPED_TRACE(std::string(c.name) + " " + mode);
      std::string bytes = readFile(scratch("base.zip"));
      bytes.replace(c.at, c.bytes.size(), c.bytes);
      writeFile(scratch("d.zip"), bytes);
      ASSERT_EQ(zip({mode, scratch("d.zip")}), c.result);
      EXPECT_EQ(sh("unzip -tq '" + scratch("d.zip") + "'"), 0);
      EXPECT_EQ(goodEntries(scratch("d.zip")), c.kept);
    }
  }
}

// A stored entry with its sizes in a ZIP64 descriptor that ends just past the scanner's read
// window: the descriptor is read whole or not at all.
TEST_F(Repair, DescriptorAtTheEndOfTheReadWindowIsReadWhole) {
  ASSERT_EQ(sh("cd '" + dir_ +
               "' && python3 -c \"\n"
               "import struct, zlib\n"
               "data = b'x' * 65548\n"
               "extra = struct.pack('<HHQQ', 1, 16, 0, 0)\n"
               "head = struct.pack('<IHHHHHIIIHH', 0x04034b50, 45, 8, 0, 0, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, 1, "
               "len(extra))\n"
               "desc = struct.pack('<IIQQ', 0x08074b50, zlib.crc32(data), len(data), len(data))\n"
               "body = head + b'a' + extra + data + desc\n"
               "open('w.zip', 'wb').write(body + bytes(65732 - len(body)))\"\n"),
            0);
  EXPECT_EQ(zip({"-FF", scratch("w.zip")}), 0);
  EXPECT_EQ(goodEntries(scratch("w.zip")), std::set<std::string>{"a"});
}

// A megabyte of nothing but stored headers with the descriptor flag: the scan ends in bounded
// time, reports its progress and stops when asked.
TEST_F(Repair, HeadersWithoutEndAreScannedInBoundedTimeAndCanBeStopped) {
  // Each names one byte, which is the next header's first.
  std::string header = std::string("PK\x03\x04", 4) + std::string("\x14\0\x08\0\0\0", 6) +
                       std::string(16, '\0') + std::string("\x01\0\0\0", 4);
  std::string bytes;
  while (bytes.size() < (1u << 20)) bytes += header;
  writeFile(scratch("h.zip"), bytes);
  Recorder progress;
  EXPECT_EQ(zip({"-FF", scratch("h.zip")}, &progress), zipabi::zrArchiveTooCorrupted);
  EXPECT_GT(progress.count(zipabi::zcmStatus), 0);
  Recorder stop;
  stop.abortAt = 0;
  EXPECT_EQ(zip({"-FF", scratch("h.zip")}, &stop), zipabi::zrAborted);
  EXPECT_EQ(stop.messages.size(), 1u);
  EXPECT_TRUE(readFile(scratch("h.zip")) == bytes);
}

}  // namespace
}  // namespace ztest

namespace ztest {
namespace {

// Damage to one entry, done by Python: `data` changes an encrypted data byte past the AES salt,
// `code` the last byte (the authentication code of an AES entry), `undecodable` makes the first
// deflate block one of the reserved type, `header` breaks the local header's signature, `cut`
// ends the file inside the entry's data, `ae1` and `ae1-badcrc` turn an AES entry into the
// scheme's first version with its CRC (the right one, or one that is off by a bit).
constexpr const char* kPatchScript = R"(import struct, sys, zipfile, zlib
path, name, what = sys.argv[1:4]
b = bytearray(open(path, 'rb').read())
z = zipfile.ZipFile(path)
info = z.getinfo(name)
local = info.header_offset
p = z.start_dir
while b[p:p + 4] == b'PK\x01\x02':
    n, x, c = struct.unpack('<HHH', b[p + 28:p + 34])
    if b[p + 46:p + 46 + n] == name.encode(): central = p
    p += 46 + n + x + c
n, x = struct.unpack('<HH', b[local + 26:local + 30])
start = local + 30 + n + x
if what == 'data': b[start + 20] ^= 1
if what == 'code': b[start + info.compress_size - 1] ^= 1
if what == 'undecodable': b[start] = 0x07
if what == 'header': b[local] = 0
if what == 'cut': del b[start + info.compress_size // 2:]
if what.startswith('ae1'):
    crc = zlib.crc32(open(sys.argv[4], 'rb').read()) ^ (what == 'ae1-badcrc')
    for head, crcAt, lengths in ((local, 14, 26), (central, 16, 28)):
        n, x = struct.unpack('<HH', b[head + lengths:head + lengths + 4])
        at = head + lengths + (4 if head == local else 18) + n
        end = at + x
        while at + 4 <= end:
            tag, size = struct.unpack('<HH', b[at:at + 4])
            if tag == 0x9901: b[at + 4:at + 6] = struct.pack('<H', 1)
            at += 4 + size
        b[head + crcAt:head + crcAt + 4] = struct.pack('<I', crc)
open(path, 'wb').write(b)
)";

class RepairReports : public ZipTest {
 protected:
  void patch(const std::string& archive, const std::string& name, const std::string& what,
             const std::string& plain = "") {
    writeFile(scratch("patch.py"), kPatchScript);
    std::string out;
    ASSERT_EQ(sh("python3 '" + scratch("patch.py") + "' '" + archive + "' '" + name + "' " + what + " '" +
                     plain + "'",
                 &out),
              0)
        << out;
  }
  // The names the common tools list (a Unicode name field honoured).
  std::set<std::string> namesIn(const std::string& archive) {
    std::string out;
    sh("unzip -Z1 '" + archive + "'", &out);
    std::set<std::string> names;
    for (size_t pos = 0, nl; pos < out.size(); pos = nl + 1) {
      nl = out.find('\n', pos);
      if (nl == std::string::npos) nl = out.size();
      names.insert(out.substr(pos, nl - pos));
    }
    return names;
  }
  static std::set<std::pair<std::string, int>> Skipped(const Recorder& r) {
    std::set<std::pair<std::string, int>> out;
    for (const auto& m : r.messages)
      if (m.code == zipabi::zcmSkipping) out.insert({m.name, m.reason});
    return out;
  }
};

// Every entry repair leaves out is reported as a skipped file, with the reason that fits, in its
// place among the entries kept; the result then says that files were skipped.
TEST_F(RepairReports, EntriesLeftOutAreReportedAsSkipped) {
  writeFile(scratch("s/a.txt"), textBytes(5000, 1));
  writeFile(scratch("s/b.txt"), textBytes(6000, 2));
  writeFile(scratch("s/c.txt"), textBytes(7000, 3));
  ASSERT_EQ(sh("cd '" + scratch("s") +
               "' && zip -q -0 ../stored.zip a.txt b.txt c.txt && zip -q ../deflated.zip a.txt b.txt c.txt"),
            0);
  struct Case {
    const char* archive;
    const char* entry;
    const char* damage;
    int reason;
  };
  const Case cases[] = {
      {"stored.zip", "b.txt", "data", zipabi::zsrBadCrc},
      {"deflated.zip", "b.txt", "undecodable", zipabi::zsrCorruptData},
      {"deflated.zip", "b.txt", "header", zipabi::zsrCorruptData},  // named by the directory alone
      {"deflated.zip", "c.txt", "cut", zipabi::zsrCorruptData},     // and the directory is gone
  };
  for (const auto& c : cases) {
    for (const char* mode : {"-F", "-FF"}) {
      SCOPED_TRACE(std::string(c.archive) + " " + c.damage + " " + mode);
      sh("cp '" + scratch(c.archive) + "' '" + scratch("d.zip") + "'");
      patch(scratch("d.zip"), c.entry, c.damage);
      Recorder r;
      EXPECT_EQ(zip({mode, scratch("d.zip")}, &r), zipabi::zrSomeSkipped);
      std::vector<std::pair<int32_t, std::string>> said, expected;
      for (const auto& m : r.messages)
        if (m.code == zipabi::zcmFixing || m.code == zipabi::zcmSkipping) said.push_back({m.code, m.name});
      for (std::string name : {"a.txt", "b.txt", "c.txt"})
        expected.push_back({name == c.entry ? zipabi::zcmSkipping : zipabi::zcmFixing, name});
      EXPECT_EQ(said, expected);
      EXPECT_EQ(Skipped(r), (std::set<std::pair<std::string, int>>{{c.entry, c.reason}}));
      std::set<std::string> kept = {"a.txt", "b.txt", "c.txt"};
      kept.erase(c.entry);
      EXPECT_EQ(namesIn(scratch("d.zip")), kept);
      EXPECT_EQ(sh("unzip -tq '" + scratch("d.zip") + "'"), 0);
    }
  }
  // Nothing saved: the archive is too damaged, and that is all that is said.
  ASSERT_EQ(sh("cd '" + scratch("s") + "' && zip -q -0 ../one.zip a.txt"), 0);
  patch(scratch("one.zip"), "a.txt", "data");
  Recorder r;
  EXPECT_EQ(zip({"-F", scratch("one.zip")}, &r), zipabi::zrArchiveTooCorrupted);
  EXPECT_EQ(r.count(zipabi::zcmSkipping), 0);
}

// With the password, AES entries are checked through their authentication code (and, in the
// scheme's first version, their CRC) and left out when it fails, as entries of the traditional
// cipher are; without it their structure has to do.
TEST_F(RepairReports, AesEntriesAreCheckedWithThePassword) {
  writeFile(scratch("s/a.txt"), textBytes(5000, 1));
  writeFile(scratch("s/b.txt"), textBytes(7000, 2));
  writeFile(scratch("s/plain.txt"), textBytes(3000, 3));
  ASSERT_EQ(sh("cd '" + scratch("s") +
               "' && 7zz a -tzip -ppw -mem=AES256 ../aes.zip a.txt b.txt >/dev/null && "
               "zip -q ../aes.zip plain.txt"),
            0);
  const std::set<std::string> all = {"a.txt", "b.txt", "plain.txt"};
  struct Case {
    const char* damage;
    std::string password;
    std::set<std::pair<std::string, int>> skipped;
  };
  const Case cases[] = {
      {"none", "pw", {}},
      {"data", "pw", {{"b.txt", zipabi::zsrBadCrc}}},
      {"code", "pw", {{"b.txt", zipabi::zsrBadCrc}}},
      {"ae1", "pw", {}},
      {"ae1-badcrc", "pw", {{"b.txt", zipabi::zsrBadCrc}}},
      {"none", "wrong", {{"a.txt", zipabi::zsrBadPassword}, {"b.txt", zipabi::zsrBadPassword}}},
      {"data", "", {}},  // nothing to check the data with: kept as it is
  };
  for (const auto& c : cases) {
    for (const char* mode : {"-F", "-FF"}) {
      SCOPED_TRACE(std::string(c.damage) + " '" + c.password + "' " + mode);
      sh("cp '" + scratch("aes.zip") + "' '" + scratch("d.zip") + "'");
      if (std::string(c.damage) != "none") patch(scratch("d.zip"), "b.txt", c.damage, scratch("s/b.txt"));
      Recorder r;
      EXPECT_EQ(zip({mode, scratch("d.zip")}, &r, c.password), c.skipped.empty() ? 0 : zipabi::zrSomeSkipped);
      EXPECT_EQ(Skipped(r), c.skipped);
      std::set<std::string> kept = all;
      for (const auto& s : c.skipped) kept.erase(s.first);
      EXPECT_EQ(namesIn(scratch("d.zip")), kept);
      if (!c.password.empty()) {
        std::string out;
        EXPECT_EQ(sh("7zz t -p'" + c.password + "' '" + scratch("d.zip") + "' " +
                     (c.password == "pw" ? std::string() : std::string("plain.txt"))),
                  0)
            << out;
      }
    }
  }
}

// Where the directory's record of an entry survives, its name is the entry's name, whatever the
// local header says. A name that a local header alone gives (its own or its Unicode name field)
// and that is absolute or climbs out with ".." is made relative as extraction makes it; the
// fixing message names both. A name of which nothing is left cannot be placed: the entry is
// skipped, as extraction skips it.
TEST_F(RepairReports, NamesThatWouldLeaveTheFolderAreMadeRelative) {
  // Stored entries: [local name, directory name, Unicode name field or "", data].
  writeFile(scratch("build.py"), R"(import json, struct, sys, zlib
out, central = sys.argv[1], sys.argv[3] == 'central'
body = cd = b''
entries = json.load(open(sys.argv[2]))
for local, name, unicode, data in entries:
    local, name, data = local.encode(), name.encode(), data.encode()
    extra = b''
    if unicode:
        extra = struct.pack('<HHBI', 0x7075, 5 + len(unicode.encode()), 1, zlib.crc32(local)) + unicode.encode()
    crc = zlib.crc32(data)
    mode = 0o40755 if name.endswith(b'/') else 0o100644
    cd += struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 0x314, 20, 0, 0, 0, 0x21, crc, len(data), len(data),
                      len(name), 0, 0, 0, 0, mode << 16, len(body)) + name
    body += struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, 0, 0, 0, 0x21, crc, len(data), len(data), len(local),
                        len(extra)) + local + extra + data
end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, len(entries), len(entries), len(cd), len(body), 0)
open(out, 'wb').write(body + (cd + end if central else b''))
)");
  struct Case {
    const char* local;
    const char* unicode;
    const char* listed;  // empty: left out
    const char* fixing;
  };
  const Case cases[] = {
      {"../../escaped.txt", "", "escaped.txt", "../../escaped.txt -> escaped.txt"},
      {"/etc/abs.txt", "", "etc/abs.txt", "/etc/abs.txt -> etc/abs.txt"},
      {"..\\win.txt", "", "win.txt", "..\\win.txt -> win.txt"},
      {"C:/drive.txt", "", "drive.txt", "C:/drive.txt -> drive.txt"},
      {"/C:/deep.txt", "", "deep.txt",
       "/C:/deep.txt -> deep.txt"},  // relative only once the sanitiser is applied again
      {"sub/../../up/", "", "sub/up/", "sub/../../up/ -> sub/up/"},
      {"safe/name.txt", "", "safe/name.txt", "safe/name.txt"},
      {"plain.txt", "../../uni.txt", "plain.txt", "../../uni.txt -> plain.txt"},
      {"nice.txt",
       "n\xc3\xaf"
       "ce.txt",
       "n\xc3\xaf"
       "ce.txt",
       "nice.txt"},
      {"..", "", "", ""},
  };
  auto json = [](const std::string& text) {
    std::string out = "\"";
    for (char ch : text) out += ch == '\\' || ch == '"' ? std::string("\\") + ch : std::string(1, ch);
    return out + "\"";
  };
  std::string entries = "[";
  for (const auto& c : cases) {
    std::string data = std::string(c.local).back() == '/' ? "" : std::string("data of ") + c.local;
    entries += (entries.size() > 1 ? ", [" : "[") + json(c.local) + ", " + json(c.local) + ", " +
               json(c.unicode) + ", " + json(data) + "]";
  }
  writeFile(scratch("local.json"), entries + "]");
  writeFile(
      scratch("central.json"),
      "[[\"../../escaped.txt\", \"innocent.txt\", \"\", \"data\"], [\"ok.txt\", \"ok.txt\", \"\", \"ok\"]]");
  for (const char* mode : {"-F", "-FF"}) {
    SCOPED_TRACE(mode);
    // The directory survives: its names win.
    ASSERT_EQ(sh("python3 '" + scratch("build.py") + "' '" + scratch("c.zip") + "' '" +
                 scratch("central.json") + "' central"),
              0);
    Recorder r;
    EXPECT_EQ(zip({mode, scratch("c.zip")}, &r), 0);
    EXPECT_EQ(namesIn(scratch("c.zip")), (std::set<std::string>{"innocent.txt", "ok.txt"}));
    EXPECT_EQ(r.namesOf(zipabi::zcmFixing), (std::vector<std::string>{"innocent.txt", "ok.txt"}));
    EXPECT_EQ(sh("unzip -tq '" + scratch("c.zip") + "'"), 0);

    // Only the local headers are left.
    ASSERT_EQ(sh("python3 '" + scratch("build.py") + "' '" + scratch("l.zip") + "' '" +
                 scratch("local.json") + "' local"),
              0);
    Recorder l;
    EXPECT_EQ(zip({mode, scratch("l.zip")}, &l), zipabi::zrSomeSkipped);
    std::set<std::string> listed;
    std::vector<std::string> fixing;
    for (const auto& c : cases) {
      if (*c.listed) listed.insert(c.listed);
      if (*c.fixing) fixing.push_back(c.fixing);
    }
    EXPECT_EQ(namesIn(scratch("l.zip")), listed);
    EXPECT_EQ(l.namesOf(zipabi::zcmFixing), fixing);
    EXPECT_EQ(Skipped(l), (std::set<std::pair<std::string, int>>{{"..", zipabi::zsrCannotOpen}}));
    EXPECT_EQ(sh("unzip -tq '" + scratch("l.zip") + "'"), 0);
  }
}

}  // namespace
}  // namespace ztest
