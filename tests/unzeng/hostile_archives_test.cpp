// Damaged and hostile archives: nothing is written outside the target folder, nothing through a
// link, every bad entry is reported with its reason, and the library never crashes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/zip_format.h"
#include "platform/module.h"
#include "test_support.h"

using namespace testkit;

namespace {

struct Fixture : ::testing::Test {
  TempDir dir;
  Library lib;
  std::string out() const { return dir / "out"; }
  std::string save(const std::string& bytes, const std::string& name = "a.zip") {
    writeFile(dir / name, bytes);
    return dir / name;
  }
  int32_t extract(const std::string& archive) { return lib.run({"", "-o", archive, "-d", out()}); }
  // Reasons of the 1060 messages, by name.
  std::map<std::string, int> reasons() const {
    std::map<std::string, int> r;
    for (const auto& m : lib.of(zipabi::zcmSkipping)) r[m.name] = m.reason;
    return r;
  }
};

RawEntry file(const std::string& name, const std::string& data, bool deflate = false) {
  return rawFile(name, data, deflate);
}

}  // namespace

using HostileArchives = Fixture;

TEST_F(HostileArchives, TraversalAbsoluteAndBackslashNamesStayInside) {
  ASSERT_TRUE(lib.loaded());
  std::string archive = save(
      buildArchive({file("../escaped.txt", "1"), file("/abs/rooted.txt", "2"), file("..\\..\\win.txt", "3"),
                    file("C:/drive.txt", "4"), file("ok/../../../deep.txt", "5")}));
  EXPECT_EQ(extract(archive), 0);
  auto tree = snapshotTree(out());
  EXPECT_TRUE(tree.count("escaped.txt"));
  EXPECT_TRUE(tree.count("abs/rooted.txt"));
  EXPECT_TRUE(tree.count("win.txt"));
  EXPECT_TRUE(tree.count("drive.txt"));
  EXPECT_TRUE(tree.count("ok/deep.txt"));
  EXPECT_FALSE(exists(dir / "escaped.txt"));
  EXPECT_FALSE(exists(dir.path() + "/../escaped.txt"));
  EXPECT_FALSE(exists(dir / "win.txt"));
}

TEST_F(HostileArchives, LinkLeadingOutIsRefusedAndNothingIsWrittenThroughIt) {
  std::string archive =
      save(buildArchive({rawLink("evil", "../outside"), file("evil/payload", "x"), rawLink("abs", "/etc"),
                         file("abs/passwd", "x"), rawLink("good", "sub/target"), file("sub/target", "t")}));
  mkdir((dir / "outside").c_str(), 0755);
  extract(archive);
  auto r = reasons();
  EXPECT_EQ(r["evil"], zipabi::zsrCannotOpen);
  EXPECT_EQ(r["abs"], zipabi::zsrCannotOpen);
  EXPECT_FALSE(exists(dir / "outside/payload"));
  EXPECT_FALSE(isSymlink(out() + "/evil"));
  EXPECT_TRUE(isSymlink(out() + "/good"));
  EXPECT_EQ(readFile(out() + "/good"), "t");
}

TEST_F(HostileArchives, ChainOfLinksCannotOpenAWayOut) {
  // "a" -> "." is harmless alone; "b" -> "a/.." would then lead out of the folder.
  std::string archive = save(
      buildArchive({rawLink("a", "."), rawLink("b", "a/.."), rawLink("c", "a/../.."), file("b/x", "x")}));
  extract(archive);
  auto r = reasons();
  EXPECT_EQ(r.count("b"), 1u);
  EXPECT_EQ(r.count("c"), 1u);
  EXPECT_FALSE(isSymlink(out() + "/b"));
  EXPECT_FALSE(exists(dir / "x"));
}

TEST_F(HostileArchives, ExistingLinkInTheTargetIsNotWrittenThrough) {
  mkdir(out().c_str(), 0755);
  mkdir((dir / "victim").c_str(), 0755);
  ASSERT_EQ(symlink((dir / "victim").c_str(), (out() + "/sub").c_str()), 0);
  ASSERT_EQ(symlink((dir / "victim/file").c_str(), (out() + "/direct").c_str()), 0);
  std::string archive = save(buildArchive({file("sub/file", "owned"), file("direct", "owned")}));
  extract(archive);
  EXPECT_FALSE(exists(dir / "victim/file"));
  EXPECT_EQ(reasons()["sub/file"], zipabi::zsrCannotOpen);
  // The entry replaces the link itself, never its target.
  EXPECT_FALSE(isSymlink(out() + "/direct"));
  EXPECT_EQ(readFile(out() + "/direct"), "owned");
}

TEST_F(HostileArchives, OverlappingEntriesAreRefusedAsCorrupt) {
  // Ten directory records share one local entry: the classic overlapping bomb.
  std::vector<RawEntry> entries;
  entries.push_back(file("kernel", std::string(100000, 'z'), true));
  for (int i = 0; i < 9; ++i) {
    RawEntry e = file("copy" + std::to_string(i), std::string(100000, 'z'), true);
    e.centralOffset = 0;
    entries.push_back(e);
  }
  std::string archive = save(buildArchive(entries));
  EXPECT_EQ(lib.run({"", "-t", archive}), zipabi::zrTestErrors);
  size_t corrupt = 0;
  for (const auto& m : lib.of(zipabi::zcmSkipping)) corrupt += m.reason == zipabi::zsrCorruptData;
  EXPECT_GE(corrupt, 9u);
  extract(archive);
  EXPECT_LE(snapshotTree(out()).size(), 2u);
}

// Two directory records claim one local header: the one whose name and sizes match the header
// is the entry, wherever it stands in the directory; the other is refused.
TEST_F(HostileArchives, SecondRecordForALocalHeaderDoesNotDisplaceTheHonestEntry) {
  const std::string honest = "good data\n";
  struct Case {
    const char* label;
    const char* impostorName;
    std::string impostorData;  // its record claims this data's sizes
    bool impostorFirst;        // its record comes before the honest one in the directory
  } cases[] = {
      {"other name, after", "evil.txt", honest, false},
      {"other name, before", "evil.txt", honest, true},
      {"same name, other sizes, before", "good.txt", std::string(4000, 'e'), true},
      {"same name, other sizes, after", "good.txt", std::string(4000, 'e'), false},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    RawEntry good = file("good.txt", honest), impostor = file(c.impostorName, c.impostorData);
    // The impostor's own local bytes stay in the file, unreferenced.
    impostor.centralOffset = c.impostorFirst ? 30 + impostor.name.size() + impostor.data.size() : 0;
    std::vector<RawEntry> entries =
        c.impostorFirst ? std::vector<RawEntry>{impostor, good} : std::vector<RawEntry>{good, impostor};
    entries.push_back(file("other.txt", "other"));
    std::string archive = save(buildArchive(entries));
    EXPECT_EQ(lib.run({"", "-t", archive}), zipabi::zrTestErrors);
    auto skipped = lib.of(zipabi::zcmSkipping);
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0].name, c.impostorName);
    EXPECT_EQ(skipped[0].reason, zipabi::zsrCorruptData);
    std::string target = dir / ("out" + std::to_string(n++));
    EXPECT_EQ(lib.run({"", "-o", archive, "-d", target}), zipabi::zrSomeSkipped);
    EXPECT_EQ(readFile(target + "/good.txt"), honest);
    EXPECT_EQ(readFile(target + "/other.txt"), "other");
    EXPECT_FALSE(exists(target + "/evil.txt"));
    // Repair takes the same record for the header: the honest entry is checked against its own
    // sizes and kept (nothing left out), and what it writes tests clean.
    for (const char* mode : {"-F", "-FF"}) {
      const std::string fixed = dir / ("fixed" + std::to_string(n) + mode + ".zip");
      writeFile(fixed, readFile(archive));
      EXPECT_EQ(sh("'" + platform::ProgramFolder() + "/zipeng' " + mode + " '" + fixed + "' > /dev/null"), 0)
          << mode;
      EXPECT_EQ(lib.run({"", "-t", fixed}), 0) << mode;
      EXPECT_EQ(lib.of(zipabi::zcmTesting).size(), 3u) << mode;
    }
  }
}

// A record whose ZIP64 field is too short for the values it marks is one damaged entry: it is
// listed, reported when tested or extracted, and the entries around it are read.
TEST_F(HostileArchives, MalformedZip64FieldSpoilsOnlyItsEntry) {
  auto zip64 = [](std::initializer_list<uint64_t> values, size_t cut = 0) {
    std::string body;
    for (uint64_t v : values) zipeng::append64(body, v);
    body.resize(body.size() - cut);
    std::string field;
    zipeng::append16(field, zipeng::kExtraZip64);
    zipeng::append16(field, static_cast<uint16_t>(body.size()));
    return field + body;
  };
  const std::string data = "bravo data\n";
  struct Case {
    const char* label;
    bool sizes, offset;  // which values the record marks as held in the ZIP64 field
    std::string field;
  } cases[] = {
      {"both sizes marked, one given", true, false, zip64({data.size()})},
      {"both sizes marked, field empty", true, false, zip64({})},
      {"sizes marked, value cut short", true, false, zip64({data.size(), data.size()}, 3)},
      {"offset marked, not given", true, true, zip64({data.size(), data.size()})},
      {"offset marked alone, field empty", false, true, zip64({})},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    RawEntry damaged = file("b.txt", data);
    if (c.sizes) damaged.centralCompressedSize = damaged.centralUncompressedSize = zipeng::k32Max;
    if (c.offset) damaged.centralOffset = zipeng::k32Max;
    damaged.centralExtra = c.field;
    std::string archive = save(buildArchive({file("a.txt", "alpha"), damaged, file("c.txt", "charlie")}));
    EXPECT_EQ(lib.run({"", "-v", archive}), 0);
    EXPECT_EQ(lib.names(zipabi::zcmListing), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(lib.run({"", "-t", archive}), zipabi::zrTestErrors);
    EXPECT_EQ(reasons(), (std::map<std::string, int>{{"b.txt", zipabi::zsrCorruptData}}));
    std::string target = dir / ("out" + std::to_string(n++));
    EXPECT_EQ(lib.run({"", "-o", archive, "-d", target}), zipabi::zrSomeSkipped);
    EXPECT_EQ(reasons(), (std::map<std::string, int>{{"b.txt", zipabi::zsrCorruptData}}));
    EXPECT_EQ(snapshotTree(target).size(), 2u);
    EXPECT_EQ(readFile(target + "/c.txt"), "charlie");
  }
}

TEST_F(HostileArchives, TruncatedArchiveIsTooCorruptedAndNothingIsWritten) {
  std::string whole = buildArchive({file("a.txt", std::string(5000, 'a'), true), file("b.txt", "b")});
  std::string archive = save(whole.substr(0, whole.size() / 2));
  EXPECT_EQ(lib.run({"", "-v", archive}), zipabi::zrArchiveTooCorrupted);
  EXPECT_EQ(extract(archive), zipabi::zrArchiveTooCorrupted);
  EXPECT_TRUE(snapshotTree(out()).empty());
  // Every cut of a small archive: never a crash, always a result.
  for (size_t cut = 0; cut < whole.size(); cut += 7) {
    std::string piece = save(whole.substr(0, cut), "cut.zip");
    int32_t rc = lib.run({"", "-t", piece});
    EXPECT_TRUE(rc == zipabi::zrArchiveTooCorrupted || rc == zipabi::zrTestErrors) << cut << ": " << rc;
  }
}

TEST_F(HostileArchives, DirectoryThatLiesAboutSizesAndOffsets) {
  RawEntry bigger = file("bigger", std::string(1000, 'q'), true);
  bigger.centralUncompressedSize = 4000000000LL;  // a bomb by claim: no buffer of that size
  RawEntry smaller = file("smaller", std::string(1000, 'q'), true);
  smaller.centralUncompressedSize = 10;
  RawEntry packed = file("packed", "stored data here");
  packed.centralCompressedSize = 100000;  // runs past the directory
  RawEntry offset = file("offset", "x");
  offset.centralOffset = 0x7FFFFFF0;  // far beyond the file
  RawEntry wrongHeader = file("wronghdr", "y");
  wrongHeader.centralOffset = 5;  // into another entry's bytes
  RawEntry fine = file("fine", "fine");
  std::string archive = save(buildArchive({bigger, smaller, packed, offset, wrongHeader, fine}));
  EXPECT_EQ(lib.run({"", "-t", archive}), zipabi::zrTestErrors);
  auto r = reasons();
  for (const char* name : {"bigger", "smaller", "packed", "offset", "wronghdr"})
    EXPECT_EQ(r[name], zipabi::zsrCorruptData) << name;
  EXPECT_EQ(r.count("fine"), 0u);
  extract(archive);
  auto tree = snapshotTree(out());
  EXPECT_EQ(tree.size(), 1u);
  EXPECT_TRUE(tree.count("fine"));
}

TEST_F(HostileArchives, CorruptedByteFailsTheCrcWithReasonTwo) {
  std::string bytes =
      buildArchive({file("data.txt", "The quick brown fox jumps over the lazy dog"), file("ok", "ok")});
  bytes[30 + 8 + 5] ^= 0x20;  // inside data.txt's stored data
  std::string archive = save(bytes);
  EXPECT_EQ(lib.run({"", "-t", archive}), zipabi::zrTestErrors);
  EXPECT_EQ(reasons()["data.txt"], zipabi::zsrBadCrc);
  EXPECT_EQ(lib.of(zipabi::zcmTesting).size(), 2u);
  // Extraction leaves nothing under the bad entry's name.
  EXPECT_EQ(extract(archive), zipabi::zrSomeSkipped);
  EXPECT_FALSE(exists(out() + "/data.txt"));
  EXPECT_TRUE(exists(out() + "/ok"));
}

TEST_F(HostileArchives, EndRecordInsideTheCommentIsNotBelieved) {
  // A fake end record planted in the comment claims an empty archive.
  std::string fake;
  zipeng::append32(fake, zipeng::kEndOfCentralSig);
  fake += std::string(18, '\0');
  std::string archive = save(buildArchive({file("real.txt", "real")}, "note " + fake));
  EXPECT_EQ(lib.run({"", "-v", archive}), 0);
  EXPECT_EQ(lib.names(zipabi::zcmListing), std::vector<std::string>{"real.txt"});
}

// A listing hands entries on as it reads them, but only once the whole directory has held
// together: a record spoilt near the end lists nothing rather than the entries before it.
TEST_F(HostileArchives, ListingOfABrokenDirectoryListsNothing) {
  std::string bytes = buildArchive({file("one.txt", "1"), file("two.txt", "2"), file("three.txt", "3")});
  bytes[bytes.rfind("PK\x01\x02") + 28] = '\x7f';  // the last record's name runs past the directory
  EXPECT_EQ(lib.run({"", "-v", save(bytes)}), zipabi::zrArchiveTooCorrupted);
  EXPECT_TRUE(lib.names(zipabi::zcmListing).empty());
}

TEST_F(HostileArchives, UnknownMethodIsReasonOne) {
  std::string bytes = buildArchive({file("odd.bin", "abc")});
  bytes[8] = 98;  // local method: PPMd, which the reader does not take
  size_t central = bytes.find("PK\x01\x02");
  bytes[central + 10] = 98;
  std::string archive = save(bytes);
  EXPECT_EQ(lib.run({"", "-t", archive}), zipabi::zrNothingTested);
  EXPECT_EQ(reasons()["odd.bin"], zipabi::zsrUnknownCompression);
  EXPECT_EQ(extract(archive), zipabi::zrSomeSkipped);
  EXPECT_FALSE(exists(out() + "/odd.bin"));
}

TEST_F(HostileArchives, EncryptedEntryOfAnUnknownMethodAsksNoPassword) {
  RawEntry aes = file("aes.bin", "0123456789abcdefghij");
  aes.flags = 1;
  std::string bytes = buildArchive({aes});
  bytes[8] = 99;  // the method number of AES-encrypted entries
  bytes[bytes.find("PK\x01\x02") + 10] = 99;
  std::string archive = save(bytes);
  lib.passwordAnswers = {"x"};
  EXPECT_EQ(lib.run({"", "-t", archive}), zipabi::zrNothingTested);
  EXPECT_TRUE(lib.of(zipabi::zcmPassword).empty());
  EXPECT_EQ(reasons()["aes.bin"], zipabi::zsrUnknownCompression);
}

TEST_F(HostileArchives, NotAnArchiveAndMissingArchive) {
  EXPECT_EQ(lib.run({"", "-v", save(std::string(1000, 'x'))}), zipabi::zrArchiveTooCorrupted);
  EXPECT_EQ(lib.run({"", "-v", dir / "missing.zip"}), zipabi::zrArchiveNotFound);
  EXPECT_EQ(lib.run({"", "-t", dir.path()}), zipabi::zrCannotAccess);
}

TEST_F(HostileArchives, LinkThroughAFileThatLaterBecomesALinkIsRefused) {
  // "s" -> "f/.." looks harmless while "f" is a file; "f" replaced by a link to "." would make
  // "s" lead to the target's parent.
  std::string archive = save(
      buildArchive({file("f", "data"), rawLink("s", "f/.."), rawLink("f", "."), file("s/out.txt", "x")}));
  extract(archive);
  EXPECT_EQ(reasons()["s"], zipabi::zsrCannotOpen);
  EXPECT_FALSE(isSymlink(out() + "/s"));
  EXPECT_FALSE(exists(dir / "out.txt"));
  for (const auto& [path, kind] : snapshotTree(out())) {
    if (kind.rfind("L:", 0) == 0) {
      EXPECT_EQ(kind.find(".."), std::string::npos) << path;
    }
  }
}
