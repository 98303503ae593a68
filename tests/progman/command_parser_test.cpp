// The command language: line framing, then good and hostile commands against real files.
#include "platform/progman/command_parser.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/progman/command_lines.h"
#include "progman_test_support.h"

namespace {

TEST(CommandFraming, SplitsAtLineEndsAndRefusesLongLinesOnce) {
  const std::string fits(253, 'a');  // 255 bytes with "\r\n"
  const struct {
    std::vector<std::string> chunks, lines;  // "!" for a line refused as too long
  } cases[] = {
      {{"[A]\r", "\n[B", "]\r\n"}, {"[A]", "[B]"}},
      {{"a\rb\nc\r\n"}, {"a\rb\nc"}},  // a lone CR or LF is no line end
      {{fits + "\r\n"}, {fits}},
      {{fits + "b\r\n[C]\r\n"}, {"!", "[C]"}},
      {{std::string(150, 'x'), std::string(150, 'x') + "\r\n[C]\r\n"}, {"!", "[C]"}},
      {{std::string(254, 'x') + "\r", "\n[C]\r\n"}, {"!", "[C]"}},
  };
  for (const auto& c : cases) {
    progman::CommandLineSplitter splitter;
    std::vector<std::string> lines;
    for (const auto& chunk : c.chunks)
      for (const auto& line : splitter.Feed(chunk)) lines.push_back(line.tooLong ? "!" : line.text);
    EXPECT_EQ(lines, c.lines) << c.chunks[0];
  }
}

class CommandParser : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"read me.txt", "a,b.txt", "doc", "doc,v2"}) home_.MakeFile(name);
    mkdir((home_.files + "/sub").c_str(), 0755);
    ASSERT_EQ(chdir(home_.files.c_str()), 0);  // so a relative name would find its file
  }
  void TearDown() override { ASSERT_EQ(chdir("/"), 0); }

  std::string Expand(std::string text) const {  // "@" stands for the files folder
    for (auto at = text.find('@'); at != std::string::npos; at = text.find('@', at + home_.files.size()))
      text.replace(at, 1, home_.files);
    return text;
  }

  progman_test::ScratchHome home_;
};

TEST_F(CommandParser, ReadsWellFormedCommands) {
  const struct {
    std::string text, name, file;  // name: the group's, or the item's title; no file for a group
  } cases[] = {
      {"[CreateGroup(Games)]", "Games", ""},
      {"[CreateGroup(My (old) [best] games, 2)]", "My (old) [best] games, 2", ""},
      {R"([AddItem("@/read me.txt",read me.txt)])", "read me.txt", "@/read me.txt"},
      {R"([AddItem("@/read me.txt",Title\n)])", R"(Title\n)", "@/read me.txt"},  // a backslash, no line end
      {R"([AddItem("@/a,b.txt",a,b (1).txt)])", "a,b (1).txt", "@/a,b.txt"},
      {"[AddItem(@/a,b.txt,a,b.txt)]", "a,b.txt", "@/a,b.txt"},
      {"[AddItem(@/doc,v2,Doc)]", "v2,Doc", "@/doc"},  // the shortest part naming a file wins
      {"[CreateGroup(Grüße 日本語 العربية)]", "Grüße 日本語 العربية", ""},
      {"[AddItem(@/doc,\u00a0non-breaking)]", "\u00a0non-breaking", "@/doc"},  // visible spacing stays
  };
  for (const auto& c : cases) {
    const auto command = progman::ParseCommand(Expand(c.text));
    ASSERT_TRUE(command) << c.text;
    const bool item = !c.file.empty();
    EXPECT_EQ(command->kind, item ? progman::CommandKind::AddItem : progman::CommandKind::CreateGroup)
        << c.text;
    EXPECT_EQ(item ? command->title : command->groupName, c.name) << c.text;
    EXPECT_EQ(command->file, Expand(c.file)) << c.text;
  }
}

TEST_F(CommandParser, RefusesEverythingElse) {
  const char* refused[] = {
      // Structure.
      "CreateGroup(Games)]",
      "[CreateGroup(Games)",
      "[CreateGroup(Games]",
      "[CreateGroup((Games)]",
      "[CreateGroup(Games))]",
      "[CreateGroup(Ga]mes)]",
      "[CreateGroup(Games)] ",
      "[CreateGroup(A)][CreateGroup(B)]",
      "[creategroup(Games)]",
      "[Unknown(Games)]",
      // Group names.
      "[CreateGroup()]",
      "[CreateGroup(a/b)]",
      "[CreateGroup(..)]",
      "[CreateGroup(a..b)]",
      "[CreateGroup(tab\there)]",
      "[CreateGroup(new\nline)]",
      "[CreateGroup(bad \xff utf-8)]",
      "[CreateGroup(C1 \xc2\x85 control)]",
      // Bidirectional controls and invisible characters, which make a menu entry read as another.
      "[CreateGroup(Tools\u202egpj.exe)]",
      "[CreateGroup(\u2066Tools\u2069)]",
      "[CreateGroup(Tools\u200e)]",
      "[CreateGroup(\u061cTools)]",
      "[CreateGroup(To\u200bols)]",
      "[CreateGroup(\ufeffTools)]",
      "[CreateGroup(To\u00adols)]",
      "[CreateGroup(To\u2060ols)]",
      "[CreateGroup(Tools\U000e0041)]",
      "[CreateGroup(\u3164)]",
      "[CreateGroup(line\u2028break)]",
      "[CreateGroup(para\u2029break)]",
      "[AddItem(\"@/read me.txt\",read me\u202etxt.exe)]",
      "[AddItem(@/doc,Doc\u200d)]",
      // Items.
      "[AddItem(@/read me.txt)]",
      R"([AddItem("@/read me.txt")])",
      R"([AddItem("@/read me.txt",)])",
      "[AddItem(,Title)]",
      R"([AddItem("@/read me.txt,Title)])",
      R"([AddItem("@/read me.txt"x,Title)])",
      "[AddItem(read me.txt,Title)]",
      "[AddItem(@/missing.txt,Title)]",
      "[AddItem(@/sub,Folder)]",
      "[AddItem(@/x$(touch @/pwned),Title)]",
      "[AddItem(@/doc;touch @/pwned,Title)]",
      "[AddItem(@/`id`,Title)]",
      "[AddItem(\"@/read me.txt\",Title\nnext)]",
      R"([AddItem("@/read me.txt",open (paren)])",
  };
  for (const std::string text : refused) EXPECT_FALSE(progman::ParseCommand(Expand(text))) << text;
}

}  // namespace
