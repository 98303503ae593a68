// The unzeng front end: one MESSAGE<TAB>fields line per message, the closing "result N" line, the
// result's words on stderr and the exit status (the result divided by ten), run as a user or a
// script would run it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "core/zip_crypto.h"
#include "platform/module.h"
#include "test_support.h"

using namespace testkit;

namespace {

struct ToolRun {
  int status = -1;
  std::vector<std::string> lines;   // standard output
  std::vector<std::string> errors;  // standard error
};

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(text.substr(start, nl - start));
  return lines;
}

ToolRun runTool(const std::string& arguments, const std::string& tool = "unzeng") {
  ToolRun run;
  char errorPath[] = "/tmp/unzeng-stderr-XXXXXX";
  const int errorFd = mkstemp(errorPath);
  if (errorFd < 0) return run;
  close(errorFd);
  std::string command = platform::ProgramFolder() + "/" + tool + " " + arguments + " 2>" + errorPath;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe) {
    std::string text;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.lines = linesOf(text);
    run.errors = linesOf(readFile(errorPath));
  }
  unlink(errorPath);
  return run;
}

// True when `password` passes the one-byte check of the traditional encryption header of the
// archive's first entry. About one wrong password in 256 does, and then the entry reads as
// damaged data rather than as a wrong password.
bool PassesHeaderCheck(const std::string& archive, const std::string& password) {
  const std::string bytes = readFile(archive);
  if (bytes.size() < 30) return false;
  const auto byteAt = [&bytes](size_t at) { return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])); };
  const auto u16 = [&byteAt](size_t at) { return static_cast<uint16_t>(byteAt(at) | byteAt(at + 1) << 8); };
  const uint32_t crc = u16(14) | static_cast<uint32_t>(u16(16)) << 16;
  const size_t start = 30 + u16(26) + u16(28);
  if (bytes.size() < start + 12) return false;
  uint8_t header[12];
  std::memcpy(header, bytes.data() + start, sizeof header);
  zipeng::ZipCrypto crypto(password);
  return crypto.decryptHeader(header) == zipeng::ZipCrypto::checkByte(crc, u16(10), (u16(6) & 0x0008) != 0);
}

}  // namespace

TEST(CommandLineTool, ListingLinesResultLineAndExitStatus) {
  TempDir dir;
  RawEntry a;
  a.name = "dir/a.txt";
  a.data = std::string(1000, 'a');
  a.deflate = true;
  RawEntry line;
  line.name = "odd\tname";
  line.data = "x";
  writeFile(dir / "t.zip", buildArchive({a, line}, "two\nlines"));
  ToolRun list = runTool("-v '" + (dir / "t.zip") + "'");
  ASSERT_EQ(list.status, 0);
  ASSERT_EQ(list.lines.size(), 3u);
  EXPECT_EQ(list.lines[0], "80\tdir/a.txt\t1000\t" + std::to_string(deflateRaw(a.data).size()) +
                               "\t99\t2025-01-01 12:00:00\t00");
  EXPECT_EQ(list.lines[1], "80\todd\\tname\t1\t1\t0\t2025-01-01 12:00:00\t00");
  EXPECT_EQ(list.lines[2], "result 0");

  ToolRun comment = runTool("-z '" + (dir / "t.zip") + "'");
  EXPECT_EQ(comment.lines.at(0), "130\ttwo\\nlines");

  ToolRun missing = runTool("-t '" + (dir / "none.zip") + "'");
  EXPECT_EQ(missing.status, 10);
  EXPECT_EQ(missing.lines, std::vector<std::string>{"result 100"});
  EXPECT_EQ(missing.errors,
            std::vector<std::string>{"unzeng: " + (dir / "none.zip") + ": the archive was not found"});
}

TEST(CommandLineTool, ReplaceQuestionIsAnsweredNoUnlessOverwriting) {
  TempDir dir;
  RawEntry a;
  a.name = "a.txt";
  a.data = "archived";
  writeFile(dir / "t.zip", buildArchive({a}));
  writeFile(dir / "a.txt", "mine");
  ToolRun ask = runTool("'" + (dir / "t.zip") + "' -d '" + dir.path() + "'");
  EXPECT_EQ(ask.status, 0);
  ASSERT_GE(ask.lines.size(), 3u);
  EXPECT_EQ(ask.lines[0].substr(0, 3), "60\t");
  EXPECT_EQ(ask.lines[1], "10\t" + (dir / "a.txt"));
  EXPECT_EQ(readFile(dir / "a.txt"), "mine");
  ToolRun overwrite = runTool("-o '" + (dir / "t.zip") + "' -d '" + dir.path() + "'");
  EXPECT_EQ(overwrite.status, 0);
  EXPECT_EQ(readFile(dir / "a.txt"), "archived");
}

TEST(CommandLineTool, PasswordOption) {
  if (!haveTool("zip")) GTEST_SKIP() << "zip not installed";
  TempDir dir;
  writeFile(dir / "s.txt", "secret");
  // Made again (new random header bytes) until the wrong password fails the header check.
  bool wrongPasses = true;
  for (int attempt = 0; attempt < 64 && wrongPasses; ++attempt) {
    ASSERT_EQ(sh("cd '" + dir.path() + "' && rm -f e.zip && zip -q -P pw e.zip s.txt"), 0);
    wrongPasses = PassesHeaderCheck(dir / "e.zip", "bad");
  }
  ASSERT_FALSE(wrongPasses);
  ASSERT_TRUE(PassesHeaderCheck(dir / "e.zip", "pw"));
  EXPECT_EQ(runTool("-P pw -t '" + (dir / "e.zip") + "'").status, 0);
  ToolRun wrong = runTool("-P bad -t '" + (dir / "e.zip") + "'");
  EXPECT_EQ(wrong.status, 21);
  EXPECT_EQ(wrong.lines.back(), "result 210");
  EXPECT_EQ(wrong.lines[wrong.lines.size() - 2], "1060\ts.txt\t5");
}

TEST(CommandLineTool, NamesAreEscapedWhereverTheSpecialCharacterStands) {
  // Names are checked eight bytes at a time: a special character in each place of a word, in
  // the overlapping last word, and in names shorter than a word.
  const std::string plain = "abcdefghijklmnopqrstuv";  // 22 bytes
  std::vector<RawEntry> entries;
  std::vector<std::string> expected;
  for (size_t at : {0, 5, 7, 8, 15, 16, 20, 21}) {
    for (char special : {'\t', '\\', '\x1f'}) {
      RawEntry e;
      e.name = plain;
      e.name[at] = special;
      e.data = "x";
      std::string escaped = special == '\t' ? "\\t" : special == '\\' ? "\\\\" : "\\x1f";
      expected.push_back(plain.substr(0, at) + escaped + plain.substr(at + 1));
      entries.push_back(e);
    }
  }
  for (const std::string& name :
       {std::string("a\\b"), std::string("\xc3\xa9t\xc3\xa9"), std::string("short")}) {
    RawEntry e;
    e.name = name;
    e.data = "x";
    entries.push_back(e);
  }
  expected.insert(expected.end(), {"a\\\\b", "\xc3\xa9t\xc3\xa9", "short"});
  TempDir dir;
  writeFile(dir / "names.zip", buildArchive(entries));
  ToolRun list = runTool("-v '" + (dir / "names.zip") + "'");
  ASSERT_EQ(list.lines.size(), expected.size() + 1);
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(list.lines[i].substr(3, list.lines[i].find("\t1\t") - 3), expected[i]);
}

// zipeng's -c gives the new archive comment: a text longer than the comment field's 255 bytes
// is cut before the character that would not fit whole, so the comment stays UTF-8.
TEST(CommandLineTool, CommentOptionIsCutOnACharacterBoundary) {
  TempDir dir;
  const std::string archive = dir / "c.zip";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {std::string(254, 'c') + "\xc3\xa9 and more", std::string(254, 'c')},
      {std::string(253, 'c') + "\xe2\x82\xac", std::string(253, 'c')},
      {std::string(252, 'c') + "\xf0\x9f\x98\x80", std::string(252, 'c')},
      {std::string(253, 'c') + "\xc3\xa9", std::string(253, 'c') + "\xc3\xa9"},  // fits exactly
  };
  for (const auto& [text, kept] : cases) {
    writeFile(archive, buildArchive({rawFile("a.txt", "a")}));
    EXPECT_EQ(runTool("-c '" + text + "' -z '" + archive + "'", "zipeng").status, 0);
    ToolRun comment = runTool("-z '" + archive + "'");
    EXPECT_EQ(comment.lines.at(0), "130\t" + kept) << text;
  }
}
