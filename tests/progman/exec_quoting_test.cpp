// Exec values of the launchers, quoted and escaped as the desktop entry rules want them.
#include "platform/progman/exec_quoting.h"

#include <gtest/gtest.h>

namespace {

TEST(ExecQuoting, QuotesEscapesAndDoublesPercent) {
  const struct {
    const char *path, *exec;  // as a program; a document gets "xdg-open " in front
  } cases[] = {
      {"/a/plain.txt", "/a/plain.txt"},
      {"/a/with space", R"("/a/with space")"},
      {R"(/a/q"uote)", R"("/a/q\\"uote")"},
      {"/a/d$HOME", R"("/a/d\\$HOME")"},
      {"/a/`id`", R"("/a/\\`id\\`")"},
      {R"(/a/back\slash)", R"("/a/back\\\\slash")"},
      {"/a/%f.txt", "/a/%%f.txt"},
      {"/a/50% $off", R"("/a/50%% \\$off")"},
      {"/a/it's;x|y&z", R"("/a/it's;x|y&z")"},
      {"/a/$(rm -rf ~)", R"x("/a/\\$(rm -rf ~)")x"},
      {"/a/key=value,Grüße", "/a/key=value,Grüße"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(progman::ExecValue({c.path}), c.exec) << c.path;
    EXPECT_EQ(progman::ExecValue({"xdg-open", c.path}), std::string("xdg-open ") + c.exec) << c.path;
  }
  EXPECT_EQ(progman::EscapeStringValue(" Name\twith\\ "), R"(\sName\twith\\\s)");
}

}  // namespace
