// The small pieces every read goes through: patterns, entry-name sanitising, text decoding,
// DOS times, the traditional cipher and the archive source's read-ahead.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/archive_source.h"
#include "core/cp437.h"
#include "core/dos_time.h"
#include "core/name_selection.h"
#include "core/patterns.h"
#include "core/pbkdf2_sha1.h"
#include "core/safe_path.h"
#include "core/zip_crypto.h"

using namespace zipeng;

TEST(Patterns, WholeNameMatching) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*.txt", "a.txt", true},
      {"*.txt", "dir/a.txt", true},
      {"*.txt", "a.txt.bak", false},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"[ab]x", "bx", true},
      {"[!ab]x", "bx", false},
      {"[a-c]*", "cat", true},
      {"[^a-c]*", "cat", false},
      {"dir/*", "dir/sub/file", true},
      {"*", "", true},
      {"", "a", false},
      {"a[", "a[", true},
      {"**a", "bba", true},
      {"*a*b*c", "xaxbxcx", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(matchPattern(c.pattern, c.name), c.match) << c.pattern << " vs " << c.name;
  // A pathological pattern must not take exponential time.
  EXPECT_FALSE(matchPattern("*a*a*a*a*a*a*a*a*a*a*b", std::string(4000, 'a')));
}

TEST(NameSelection, ExactNameWinsOverPatternReading) {
  const std::vector<std::string> entries = {"Report [final].pdf", "Report f.pdf", "Report a.pdf", "docs/",
                                            "docs/a.txt",         "secret.txt",   "b.txt"};
  auto nameOf = [&](size_t i) { return std::string_view(entries[i]); };
  struct Case {
    std::vector<std::string> names, excludes;
    bool folderWithoutSlash;
    std::vector<size_t> expected;
  };
  const Case cases[] = {
      {{"Report [final].pdf"}, {}, false, {0}},  // names an entry: that entry alone
      {{"Report [af].pdf"}, {}, false, {1, 2}},  // names none: a pattern
      {{"*.txt"}, {"secret*"}, false, {4, 6}},
      {{}, {"Report [final].pdf"}, false, {1, 2, 3, 4, 5, 6}},  // excludes follow the same rule
      {{"docs"}, {}, true, {3}},                                // a folder named without its "/"
      {{"docs"}, {}, false, {}},
      {{}, {}, false, {0, 1, 2, 3, 4, 5, 6}},
  };
  for (const auto& c : cases) {
    std::vector<bool> used;
    auto got = NameSelection(c.names, c.excludes, c.folderWithoutSlash).select(entries.size(), nameOf, &used);
    EXPECT_EQ(got, c.expected) << (c.names.empty() ? "(all)" : c.names[0]);
  }
}

TEST(SafePath, NamesAreConfinedToTheFolder) {
  struct Case {
    const char* name;
    const char* expected;  // nullptr: cannot be placed
  } cases[] = {
      {"a/b.txt", "a/b.txt"},
      {"../../etc/passwd", "etc/passwd"},
      {"/etc/passwd", "etc/passwd"},
      {"C:\\Windows\\x.dll", "Windows/x.dll"},
      {"a\\..\\..\\b", "a/b"},
      {"./a//b/./c", "a/b/c"},
      {"..", nullptr},
      {"/", nullptr},
      {"dir/", "dir"},
  };
  for (const auto& c : cases) {
    auto got = safeRelativePath(c.name, false);
    if (c.expected == nullptr)
      EXPECT_FALSE(got.has_value()) << c.name;
    else
      EXPECT_EQ(got.value_or("<none>"), c.expected) << c.name;
  }
  EXPECT_EQ(safeRelativePath("deep/path/file.txt", true).value(), "file.txt");
  EXPECT_FALSE(safeRelativePath(std::string("a\0b", 3), false).has_value());
}

TEST(SafePath, LinkTargetsJudgedFromTheLinkFolder) {
  EXPECT_TRUE(linkTargetStaysInside("a/link", "../b"));
  EXPECT_TRUE(linkTargetStaysInside("link", "sub/file"));
  EXPECT_FALSE(linkTargetStaysInside("link", "../outside"));
  EXPECT_FALSE(linkTargetStaysInside("a/link", "../../outside"));
  EXPECT_FALSE(linkTargetStaysInside("link", "/etc/passwd"));
  EXPECT_FALSE(linkTargetStaysInside("link", ""));
  EXPECT_FALSE(linkTargetStaysInside("a/link", "x/../../.."));
}

TEST(TextDecoding, CodePage437AndUtf8) {
  EXPECT_EQ(cp437ToUtf8("\x81"
                        "ber"),
            "\xC3\xBC"
            "ber");                            // ü
  EXPECT_EQ(cp437ToUtf8("\xE1"), "\xC3\x9F");  // ß
  EXPECT_TRUE(isValidUtf8("gr\xC3\xBC\xC3\x9F"));
  EXPECT_FALSE(isValidUtf8("\xC0\xAF"));  // overlong "/"
  EXPECT_FALSE(isValidUtf8("\xE2\x82"));  // cut short
  EXPECT_EQ(cutUtf8("a\xC3\xBC", 2), "a");
  EXPECT_EQ(cutUtf8("abc", 5), "abc");
  // Looked at eight bytes at a time, the last eight overlapping: a high byte anywhere counts.
  const std::string plain(21, 'a');
  EXPECT_TRUE(isAscii(plain));
  EXPECT_TRUE(isAscii(""));
  for (size_t at : {0, 3, 7, 8, 15, 16, 19, 20}) {
    std::string text = plain;
    text[at] = '\x81';
    EXPECT_FALSE(isAscii(text)) << at;
  }
  EXPECT_FALSE(isAscii("ab\x81"));  // shorter than eight
}

TEST(DosTime, RoundTripsInLocalTime) {
  setenv("TZ", "UTC", 1);
  refreshLocalTime();
  // 2025-01-01 12:00:00 UTC.
  EXPECT_EQ(dosToUnix(0x5A21, 0x6000), 1735732800);
  EXPECT_EQ(unixToDos(1735732800), (0x5A21u << 16) | 0x6000u);
  EXPECT_EQ(unixToDos(1735732801), (0x5A21u << 16) | 0x6000u);  // two-second steps
  EXPECT_EQ(unixToDos(0) >> 16, (0u << 9) | (1u << 5) | 1u);    // before 1980: the earliest date
}

// The remembered zone offsets give what the C library gives, across every kind of change:
// summer time both ways, half-hour zones, half-hour summer time, a zone without any.
TEST(DosTime, RememberedOffsetsAgreeWithTheCLibrary) {
  for (const char* zone :
       {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "Asia/Kolkata", "UTC"}) {
    setenv("TZ", zone, 1);
    refreshLocalTime();
    // Every 1,777 seconds for six years around 2024: each transition is met at several minutes.
    for (int64_t t = 1640995200; t < 1640995200 + 6 * 366 * 86400LL; t += 1777) {
      std::time_t raw = static_cast<std::time_t>(t);
      std::tm tm{};
      localtime_r(&raw, &tm);
      const uint32_t expected =
          (static_cast<uint32_t>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday) << 16) |
          static_cast<uint32_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
      ASSERT_EQ(unixToDos(t), expected) << zone << " at " << t;
      std::tm back = tm;
      back.tm_isdst = -1;
      back.tm_sec -= back.tm_sec % 2;
      ASSERT_EQ(dosToUnix(static_cast<uint16_t>(expected >> 16), static_cast<uint16_t>(expected)),
                mktime(&back))
          << zone << " at " << t;
    }
    // Every local half hour of 2024, the skipped and the repeated hours among them.
    for (int day = 0; day < 366; ++day)
      for (int half = 0; half < 48; ++half) {
        std::tm local{};
        local.tm_year = 124;
        local.tm_mday = 1 + day;  // carried into the right month by both sides
        local.tm_hour = half / 2;
        local.tm_min = half % 2 * 30;
        local.tm_isdst = -1;
        std::tm normal = local;
        const std::time_t expected = mktime(&normal);
        const uint16_t date =
            static_cast<uint16_t>(((normal.tm_year - 80) << 9) | ((normal.tm_mon + 1) << 5) | normal.tm_mday);
        // The local time as written, not as mktime() moved it out of a skipped hour.
        const uint16_t time = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5));
        if (normal.tm_hour != local.tm_hour || normal.tm_min != local.tm_min) continue;
        ASSERT_EQ(dosToUnix(date, time), expected) << zone << " day " << day << " half hour " << half;
      }
  }
  setenv("TZ", "UTC", 1);
  refreshLocalTime();
}

TEST(ZipCrypto, EncryptThenDecryptWithHeaderCheck) {
  std::string plain = "attack at dawn";
  std::string data = plain;
  uint8_t header[12];
  ZipCrypto writer("pw");
  writer.makeHeader(header, 0xAB);
  writer.encrypt(reinterpret_cast<uint8_t*>(data.data()), data.size());
  EXPECT_NE(data, plain);
  ZipCrypto reader("pw");
  EXPECT_EQ(reader.decryptHeader(header), 0xAB);
  reader.decrypt(reinterpret_cast<uint8_t*>(data.data()), data.size());
  EXPECT_EQ(data, plain);
  EXPECT_EQ(ZipCrypto::checkByte(0x12345678, 0xBEEF, false), 0x12);
  EXPECT_EQ(ZipCrypto::checkByte(0x12345678, 0xBEEF, true), 0xBE);
}

// The key derivation of AES entries gives what the crypto library's own PBKDF2 gives, for
// passwords shorter and longer than a hash block, and every length the AES strengths need.
// Both ways of compressing (the processor's SHA instructions where it has them, and libcrypto's).
TEST(Pbkdf2, AgreesWithTheCryptoLibrary) {
  const uint8_t salt[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  for (bool processorSha : {true, false})
    for (const std::string& password :
         {std::string(), std::string("pw"), std::string(64, 'x'), std::string(200, 'y')})
      for (size_t saltLength : {8, 12, 16})
        for (unsigned iterations : {1u, 2u, 1000u}) {
          const size_t length = 4 * saltLength + 2;
          uint8_t ours[66], theirs[66];
          zipeng::setPbkdf2ProcessorSha(processorSha);
          zipeng::pbkdf2HmacSha1(password, salt, saltLength, iterations, ours, length);
          ASSERT_EQ(PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), salt,
                                           static_cast<int>(saltLength), static_cast<int>(iterations),
                                           static_cast<int>(length), theirs),
                    1);
          EXPECT_EQ(std::string(ours, ours + length), std::string(theirs, theirs + length))
              << processorSha << " " << password.size() << " " << saltLength << " " << iterations;
        }
  zipeng::setPbkdf2ProcessorSha(true);
}

// A worker's copy of the source reads small pieces through a window: every piece, wherever it
// falls (inside, across the window's end, backwards, at the file's end, larger than the window
// serves), gives the file's bytes, and a piece past the end fails.
TEST(ArchiveSource, CopyReadsAheadAndGivesTheFilesBytes) {
  char path[] = "/tmp/source-window-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  std::vector<uint8_t> bytes(700 * 1024);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 131 + (i >> 9));
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  ArchiveSource source, copy;
  ASSERT_EQ(source.openFile(path), 0);
  ASSERT_TRUE(copy.openCopyOf(source));
  const struct {
    uint64_t at;
    size_t length;
  } reads[] = {{0, 30},      {30, 1000},       {262100, 200},   {262000, 60000}, {100, 10},  {690000, 10240},
               {716790, 10}, {300000, 200000}, {300000, 65536}, {5, 0},          {716799, 1}};
  for (const auto& r : reads) {
    std::vector<uint8_t> got(r.length);
    ASSERT_TRUE(copy.read(r.at, got.data(), r.length)) << r.at;
    EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin() + static_cast<std::ptrdiff_t>(r.at)))
        << r.at;
  }
  uint8_t byte;
  EXPECT_FALSE(copy.read(bytes.size(), &byte, 1));
  EXPECT_FALSE(copy.read(bytes.size() - 5, &byte, 10));
  unlink(path);
}
