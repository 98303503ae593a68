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
  std::set<std::string> GoodEntries(const std::string& archive) {
    std::string out;
    Sh("unzip -t '" + archive + "'", &out);
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
      if (ascii(n)) EXPECT_TRUE(ours.count(n)) << mode << " lost " << n;
      else ++theirOthers;
    }
    EXPECT_GE(ourOthers, theirOthers) << mode;
  }

  void Damage(const std::string& archive, const std::string& how) {
    std::string bytes = ReadFile(archive);
    std::string out;
    Sh("python3 -c \"import zipfile;print(zipfile.ZipFile('" + archive + "').start_dir)\"", &out);
    size_t cd = std::stoul(out);
    if (how == "truncated") bytes.resize(bytes.size() * 6 / 10);
    if (how == "middle") bytes.replace(bytes.size() / 2, 300, std::string(300, '\x55'));
    if (how == "directory") bytes.replace(cd, bytes.size() - cd - 10, std::string(bytes.size() - cd - 10, '\0'));
    WriteFile(archive, bytes);
  }

  void Build(const std::string& kind) {
    MakeMixedTree("src");
    for (int i = 0; i < 12; ++i) WriteFile(P("src/more/f" + std::to_string(i) + ".txt"), TextBytes(30000 + i * 977, 40 + i));
    if (kind == "ours") {
      ASSERT_EQ(Zip({"-r", P("base.zip"), "src"}), 0);
    } else {
      // Streamed by zip: sizes in data descriptors after each entry's data.
      ASSERT_EQ(Sh("cd '" + dir_ + "' && zip -q -r - src > base.zip"), 0);
    }
  }
};

TEST_F(Repair, RecoversAtLeastWhatZipRecovers) {
  for (std::string kind : {"ours", "streamed"}) {
    Build(kind);
    for (std::string how : {"truncated", "middle", "directory"}) {
      SCOPED_TRACE(kind + " " + how);
      Sh("cd '" + dir_ + "' && rm -f d.zip zf.zip zff.zip f.zip ff.zip && cp base.zip d.zip");
      Damage(P("d.zip"), how);
      Sh("cd '" + dir_ + "' && cp d.zip f.zip && cp d.zip ff.zip");
      Sh("cd '" + dir_ + "' && timeout 60 zip -F d.zip --out zf.zip < /dev/null > /dev/null");
      Sh("cd '" + dir_ + "' && printf 'y\\ne\\ne\\ne\\n' | timeout 60 zip -FF d.zip --out zff.zip > /dev/null");
      Recorder normal, aggressive;
      int rcF = Zip({"-F", P("f.zip")}, &normal);
      int rcFF = Zip({"-FF", P("ff.zip")}, &aggressive);
      auto zipF = GoodEntries(P("zf.zip")), zipFF = GoodEntries(P("zff.zip"));
      auto ourF = GoodEntries(P("f.zip")), ourFF = GoodEntries(P("ff.zip"));
      ExpectSuperset(ourF, zipF, "-F");
      ExpectSuperset(ourFF, zipFF, "-FF");
      for (auto& n : ourF) EXPECT_TRUE(ourFF.count(n)) << "-FF saves less than -F: " << n;
      // The comparison means something only when zip saved entries too.
      if (how != "truncated" || kind != "ours") {
        EXPECT_GT(zipF.size() + zipFF.size(), 0u);
      }
      if (rcF == 0) {
        EXPECT_EQ(normal.Count(zipabi::zcmFixing), static_cast<int>(ourF.size()));
        ExpectAllToolsAccept(P("f.zip"));
      }
      ASSERT_EQ(rcFF, 0);
      EXPECT_GT(ourFF.size(), 0u);
      ExpectAllToolsAccept(P("ff.zip"));
    }
  }
}

TEST_F(Repair, RepairedEntriesKeepTheirContents) {
  Build("ours");
  Sh("cd '" + dir_ + "' && cp base.zip d.zip");
  Damage(P("d.zip"), "directory");
  ASSERT_EQ(Zip({"-FF", P("d.zip")}), 0);
  std::string out = UnzipTo(P("d.zip"));
  for (int i = 0; i < 12; ++i) {
    std::string rel = "src/more/f" + std::to_string(i) + ".txt";
    EXPECT_EQ(ReadFile(out + "/" + rel), ReadFile(P(rel))) << rel;
  }
}

TEST_F(Repair, NothingRecoverableGives110AndLeavesFileAlone) {
  WriteFile(P("junk.zip"), RandomBytes(20000, 3));
  std::string before = ReadFile(P("junk.zip"));
  EXPECT_EQ(Zip({"-F", P("junk.zip")}), zipabi::zrArchiveTooCorrupted);
  EXPECT_EQ(Zip({"-FF", P("junk.zip")}), zipabi::zrArchiveTooCorrupted);
  EXPECT_TRUE(ReadFile(P("junk.zip")) == before);
  EXPECT_EQ(Zip({"-F", P("absent.zip")}), zipabi::zrArchiveNotFound);
}

TEST_F(Repair, EncryptedEntriesAreCheckedWithThePassword) {
  WriteFile(P("s/a.txt"), TextBytes(5000, 1));
  WriteFile(P("s/b.txt"), TextBytes(5000, 2));
  ASSERT_EQ(Zip({"-e", "-r", P("e.zip"), "s"}, nullptr, "pw"), 0);
  std::string bytes = ReadFile(P("e.zip"));
  bytes.resize(bytes.size() - 30);  // the end record is gone
  WriteFile(P("e.zip"), bytes);
  ASSERT_EQ(Zip({"-FF", P("e.zip")}, nullptr, "pw"), 0);
  ExpectAllToolsAccept(P("e.zip"), "pw");
}

}  // namespace
}  // namespace ztest

namespace ztest {
namespace {

// Intact archives whose entries end right on the scanner's buffer sizes: nothing is lost.
TEST_F(Repair, IntactArchivesAroundBufferSizesKeepEveryEntry) {
  WriteFile(P("z65537"), std::string(65537, '\0'));
  WriteFile(P("z1048577"), std::string(1048577, '\0'));
  WriteFile(P("t.txt"), TextBytes(3000, 7));
  const std::vector<std::string> makers = {"zip -q -6 a.zip z65537 t.txt", "zip -q -6 a.zip z1048577 t.txt",
                                           "7zz a -tzip a.zip z65537 z1048577 t.txt >/dev/null"};
  for (const auto& make : makers) {
    for (const char* mode : {"-F", "-FF"}) {
      SCOPED_TRACE(make + " " + mode);
      Sh("cd '" + dir_ + "' && rm -f a.zip && " + make);
      auto before = GoodEntries(P("a.zip"));
      ASSERT_EQ(Zip({mode, P("a.zip")}), 0);
      EXPECT_EQ(GoodEntries(P("a.zip")), before);
    }
  }
  ASSERT_EQ(Zip({P("ours.zip"), "z65537", "z1048577", "t.txt"}), 0);
  ASSERT_EQ(Zip({"-F", P("ours.zip")}), 0);
  EXPECT_EQ(GoodEntries(P("ours.zip")).size(), 3u);
}

// What repair keeps passes the common tools' test: a damaged local header is written anew from
// the directory, and data that fails its CRC is left out.
TEST_F(Repair, RepairedArchivePassesTheCommonToolsTest) {
  WriteFile(P("a.txt"), TextBytes(20000, 1));
  WriteFile(P("b.txt"), TextBytes(20000, 2));
  ASSERT_EQ(Sh("cd '" + dir_ + "' && zip -q base.zip a.txt b.txt"), 0);
  struct Case {
    const char* name;
    size_t at;
    std::string bytes;
    std::set<std::string> kept;
  };
  const Case cases[] = {
      {"local time and CRC", 10, std::string(8, '\xff'), {"a.txt", "b.txt"}},
      {"data of the first entry", 100, "XXXX", {"b.txt"}},
  };
  for (const auto& c : cases) {
    for (const char* mode : {"-F", "-FF"}) {
      SCOPED_TRACE(std::string(c.name) + " " + mode);
      std::string bytes = ReadFile(P("base.zip"));
      bytes.replace(c.at, c.bytes.size(), c.bytes);
      WriteFile(P("d.zip"), bytes);
      ASSERT_EQ(Zip({mode, P("d.zip")}), 0);
      EXPECT_EQ(Sh("unzip -tq '" + P("d.zip") + "'"), 0);
      EXPECT_EQ(GoodEntries(P("d.zip")), c.kept);
    }
  }
}

// A stored entry with its sizes in a ZIP64 descriptor that ends just past the scanner's read
// window: the descriptor is read whole or not at all.
TEST_F(Repair, DescriptorAtTheEndOfTheReadWindowIsReadWhole) {
  ASSERT_EQ(Sh("cd '" + dir_ + "' && python3 -c \"\n"
               "import struct, zlib\n"
               "data = b'x' * 65548\n"
               "extra = struct.pack('<HHQQ', 1, 16, 0, 0)\n"
               "head = struct.pack('<IHHHHHIIIHH', 0x04034b50, 45, 8, 0, 0, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, 1, len(extra))\n"
               "desc = struct.pack('<IIQQ', 0x08074b50, zlib.crc32(data), len(data), len(data))\n"
               "body = head + b'a' + extra + data + desc\n"
               "open('w.zip', 'wb').write(body + bytes(65732 - len(body)))\"\n"),
            0);
  EXPECT_EQ(Zip({"-FF", P("w.zip")}), 0);
  EXPECT_EQ(GoodEntries(P("w.zip")), std::set<std::string>{"a"});
}

// A megabyte of nothing but stored headers with the descriptor flag: the scan ends in bounded
// time, reports its progress and stops when asked.
TEST_F(Repair, HeadersWithoutEndAreScannedInBoundedTimeAndCanBeStopped) {
  // Each names one byte, which is the next header's first.
  std::string header = std::string("PK\x03\x04", 4) + std::string("\x14\0\x08\0\0\0", 6) + std::string(16, '\0') +
                       std::string("\x01\0\0\0", 4);
  std::string bytes;
  while (bytes.size() < (1u << 20)) bytes += header;
  WriteFile(P("h.zip"), bytes);
  Recorder progress;
  EXPECT_EQ(Zip({"-FF", P("h.zip")}, &progress), zipabi::zrArchiveTooCorrupted);
  EXPECT_GT(progress.Count(zipabi::zcmStatus), 0);
  Recorder stop;
  stop.abortAt = 0;
  EXPECT_EQ(Zip({"-FF", P("h.zip")}, &stop), zipabi::zrAborted);
  EXPECT_EQ(stop.messages.size(), 1u);
  EXPECT_TRUE(ReadFile(P("h.zip")) == bytes);
}

}  // namespace
}  // namespace ztest
