// zipeng and unzeng run as a script runs them, each case in a fresh copy of the same folder: the
// exit status, the last line of output, the words on stderr, and which files the run added,
// changed or removed. A refused command line leaves the folder exactly as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "parcelix_version.h"
#include "platform/module.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs `argv` in `folder` with `input` on standard input (none when null). The first word that
// names a tool is replaced by the built tool's path, so a wrapper such as flock may come first.
Outcome run(std::vector<std::string> argv, const fs::path& folder, const fs::path& scratch,
            const char* input = nullptr) {
  for (std::string& word : argv) {
    if (word == "unzeng" || word == "zipeng") {
      word = platform::ProgramFolder() + "/" + word;
      break;
    }
  }
  const fs::path in = scratch / "in", out = scratch / "out", err = scratch / "err";
  writeFile(in, input ? input : "");
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.c_str()) != 0) _exit(127);
    const int fds[] = {open(input ? in.c_str() : "/dev/null", O_RDONLY),
                       open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
                       open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)};
    for (int i = 0; i < 3; ++i)
      if (fds[i] < 0 || dup2(fds[i], i) < 0) _exit(127);
    std::vector<char*> args;
    for (std::string& word : argv) args.push_back(word.data());
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  Outcome outcome;
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
    outcome.status = WEXITSTATUS(status);
  outcome.out = readFile(out);
  outcome.err = readFile(err);
  return outcome;
}

// Every file and folder under `root` by relative path: its content, or "folder".
std::map<std::string, std::string> snapshot(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(entry.path(), root).generic_string();
    tree[entry.is_directory() ? name + "/" : name] = entry.is_directory() ? "folder" : readFile(entry.path());
  }
  return tree;
}

// The paths that differ between two snapshots, in order.
std::vector<std::string> changes(const std::map<std::string, std::string>& before,
                                 const std::map<std::string, std::string>& after) {
  std::map<std::string, bool> changed;
  for (const auto& [name, content] : before) {
    auto now = after.find(name);
    if (now == after.end() || now->second != content) changed[name] = true;
  }
  for (const auto& [name, content] : after)
    if (!before.count(name)) changed[name] = true;
  std::vector<std::string> names;
  for (const auto& entry : changed) names.push_back(entry.first);
  return names;
}

std::string lastLine(const std::string& text) {
  if (text.empty()) return "";
  const size_t end = text.back() == '\n' ? text.size() - 1 : text.size();
  const size_t start = text.rfind('\n', end - 1);
  return text.substr(start == std::string::npos ? 0 : start + 1,
                     end - (start == std::string::npos ? 0 : start + 1));
}

struct Case {
  std::vector<std::string> argv;
  const char* input;  // standard input, or null for none
  int status;
  const char* last;   // the last line of standard output; "" for no output
  const char* error;  // what stderr holds; "" for nothing
  std::vector<std::string> changed;
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
  for (const std::string& word : c.argv) out << word << ' ';
  return out;
}

const std::string kUnzengUsage = "usage: unzeng [-P PASSWORD|-]";
const std::string kZipengUsage = "usage: zipeng [-P PASSWORD|-]";

// clang-format off
const Case kCases[] = {
    // Help and version, whatever follows them.
    {{"unzeng", "--help", "plain.zip"}, nullptr, 0, "See unzeng(1).", "", {}},
    {{"zipeng", "--help"}, nullptr, 0, "See zipeng(1).", "", {}},
    {{"unzeng", "--version"}, nullptr, 0, "unzeng (Parcelix) " PARCELIX_VERSION, "", {}},
    {{"zipeng", "--version", "new.zip", "a.txt"}, nullptr, 0, "zipeng (Parcelix) " PARCELIX_VERSION, "", {}},
    // Refused before anything is read or written: no extraction, no test, no new archive.
    {{"unzeng", "-l", "plain.zip", "-d", "out"}, nullptr, 2, "", "unzeng: unknown option -l\n", {}},
    {{"unzeng", "-h"}, nullptr, 2, "", "unzeng: unknown option -h\n", {}},
    {{"unzeng", "--list", "plain.zip"}, nullptr, 2, "", "unzeng: unknown option --list\n", {}},
    {{"unzeng", "--help-me", "plain.zip", "-d", "out"},
     nullptr, 2, "", "unzeng: unknown option --help-me\n", {}},
    {{"unzeng", "-jx", "plain.zip"}, nullptr, 2, "", "unzeng: unknown switch -x in -jx\n", {}},
    {{"unzeng", "-o", "plain.zip", "-l"}, nullptr, 2, "", "unzeng: unknown option -l ", {}},
    {{"unzeng", "-P", "-", "--bogus", "enc.zip"}, "pw\n", 2, "", "unzeng: unknown option --bogus\n", {}},
    {{"unzeng", "-P"}, nullptr, 2, "", "unzeng: option -P needs a value\n", {}},
    {{"unzeng", "-o", "plain.zip", "-d"}, nullptr, 2, "", "unzeng: option -d needs a value\n", {}},
    {{"unzeng", "-o"}, nullptr, 2, "", "unzeng: no archive named\n", {}},
    {{"zipeng", "--bogus", "new.zip", "a.txt"}, nullptr, 2, "", "zipeng: unknown option --bogus\n", {}},
    {{"zipeng", "-q", "new.zip", "a.txt"}, nullptr, 2, "", "zipeng: unknown option -q\n", {}},
    {{"zipeng", "-rq", "plain.zip", "s.txt"}, nullptr, 2, "", "zipeng: unknown switch -q in -rq\n", {}},
    {{"zipeng", "plain.zip", "s.txt", "-v"}, nullptr, 2, "", "zipeng: unknown option -v ", {}},
    {{"zipeng", "-b"}, nullptr, 2, "", "zipeng: option -b needs a value\n", {}},
    {{"zipeng", "-c"}, nullptr, 2, "", "zipeng: option -c needs a value\n", {}},
    // What the tools accepted before still works, switches run together included.
    {{"unzeng", "-v", "plain.zip"}, nullptr, 0, "result 0", "", {}},
    {{"unzeng", "-jo", "plain.zip", "-d", "out"}, nullptr, 0, "result 0", "", {"out/", "out/a.txt"}},
    {{"unzeng", "-d", "out", "plain.zip", "-x", "*.md"}, nullptr, 0, "result 0", "", {"out/", "out/a.txt"}},
    {{"unzeng", "-v", "--", "-dash.zip"}, nullptr, 0, "result 0", "", {}},
    {{"unzeng", "-o", "plain.zip", "-d", "out", "--", "-i"},
     nullptr, 1, "result 10", "unzeng: plain.zip: there was nothing to do\n", {}},
    {{"zipeng", "-9", "-n", "jpg;png", "-t", "010180", "new.zip", "a.txt"},
     nullptr, 0, "result 0", "", {"new.zip"}},
    {{"zipeng", "-c", "words", "-z", "plain.zip"}, nullptr, 0, "result 0", "", {"plain.zip"}},
    {{"zipeng", "-FF", "plain.zip"}, nullptr, 0, "result 0", "", {}},
    {{"zipeng", "-P", "pw", "-e", "--aes=256", "new.zip", "a.txt"}, nullptr, 0, "result 0", "", {"new.zip"}},
    {{"zipeng", "-e", "--aes=512", "new.zip", "a.txt"}, nullptr, 2, "", "zipeng: unknown option --aes=512\n", {}},
    // A failure's status is its result divided by ten, and its words follow "result N".
    {{"unzeng", "-v", "none.zip"},
     nullptr, 10, "result 100", "unzeng: none.zip: the archive was not found\n", {}},
    {{"unzeng", "-t", "junk.zip"},
     nullptr, 11, "result 110", "unzeng: junk.zip: the archive is too damaged to read\n", {}},
    {{"zipeng", "-d", "none.zip", "a.txt"},
     nullptr, 10, "result 100", "zipeng: none.zip: the archive was not found\n", {}},
    {{"zipeng", "plain.zip", "missing.txt"},
     nullptr, 4, "result 40", "zipeng: plain.zip: some files were skipped\n", {}},
    {{"flock", "plain.zip", "zipeng", "plain.zip", "s.txt"},
     nullptr, 18, "result 180", "zipeng: plain.zip: another program is changing the archive\n", {}},
    {{"zipeng", "-t", "130180", "new.zip", "a.txt"},
     nullptr, 40, "result 400", "zipeng: new.zip: the archive", {}},
    // "-P -": the password is the first line of standard input.
    {{"unzeng", "-P", "-", "-t", "enc.zip"}, "pw\n", 0, "result 0", "", {}},
    {{"unzeng", "-P", "-", "-o", "enc.zip", "-d", "out"},
     "pw\r\nnot this\n", 0, "result 0", "", {"out/", "out/s.txt"}},
};
// clang-format on

// A folder with a text file, an archive of it, an encrypted archive (password "pw"), a file that
// is no archive, and an archive whose name begins with "-"; each case works on a copy.
class ToolFolder : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    base_ = fs::temp_directory_path() / ("tools-test-" + std::to_string(getpid()));
    fs::remove_all(base_);
    fs::create_directories(base_ / "scratch");
    const fs::path fixture = base_ / "fixture";
    fs::create_directories(fixture);
    writeFile(fixture / "a.txt", "hello\n");
    writeFile(fixture / "s.txt", "secret\n");
    std::string junk;
    for (int i = 0; i < 100; ++i) junk += "this is not an archive\n";
    writeFile(fixture / "junk.zip", junk);
    ASSERT_EQ(run({"zipeng", "plain.zip", "a.txt"}, fixture, base_ / "scratch").status, 0);
    ASSERT_EQ(run({"zipeng", "-e", "-P", "pw", "enc.zip", "s.txt"}, fixture, base_ / "scratch").status, 0);
    fs::copy_file(fixture / "plain.zip", fixture / "-dash.zip");
  }
  static void TearDownTestSuite() { fs::remove_all(base_); }

  static fs::path base_;
};

fs::path ToolFolder::base_;

class CommandLine : public ToolFolder, public ::testing::WithParamInterface<Case> {};

TEST_P(CommandLine, StatusOutputWordsAndWhatIsLeft) {
  const Case& c = GetParam();
  const fs::path folder = base_ / "run";
  fs::remove_all(folder);
  fs::copy(base_ / "fixture", folder, fs::copy_options::recursive);
  const auto before = snapshot(folder);
  const Outcome outcome = run(c.argv, folder, base_ / "scratch", c.input);
  EXPECT_EQ(outcome.status, c.status) << outcome.err;
  EXPECT_EQ(lastLine(outcome.out), c.last);
  const std::string error = c.error;
  if (c.status == 2) {
    // A usage line always follows the reason.
    EXPECT_EQ(outcome.err.rfind(error, 0), 0u) << outcome.err;
    EXPECT_NE(outcome.err.find(c.argv[0] == "zipeng" ? kZipengUsage : kUnzengUsage), std::string::npos)
        << outcome.err;
  } else if (error.empty()) {
    EXPECT_EQ(outcome.err, "");
  } else {
    EXPECT_EQ(outcome.err.rfind(error, 0), 0u) << outcome.err;
  }
  EXPECT_EQ(changes(before, snapshot(folder)), c.changed);
}

INSTANTIATE_TEST_SUITE_P(Table, CommandLine, ::testing::ValuesIn(kCases));

TEST_F(ToolFolder, PasswordFromStandardInputOpensTheEntry) {
  const fs::path folder = base_ / "password";
  fs::remove_all(folder);
  fs::copy(base_ / "fixture", folder, fs::copy_options::recursive);
  const Outcome right =
      run({"unzeng", "-P", "-", "-o", "enc.zip", "-d", "out"}, folder, base_ / "scratch", "pw\n");
  EXPECT_EQ(right.status, 0) << right.err;
  EXPECT_EQ(readFile(folder / "out" / "s.txt"), "secret\n");
  // No line at all: nothing is run.
  const Outcome none = run({"unzeng", "-P", "-", "-t", "enc.zip"}, folder, base_ / "scratch", "");
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err, "unzeng: no password was read\n");
  // Help goes to standard output in full.
  const Outcome help = run({"unzeng", "--help"}, folder, base_ / "scratch");
  EXPECT_EQ(help.out.rfind(kUnzengUsage, 0), 0u);
  EXPECT_NE(help.out.find("-P -"), std::string::npos);
}

}  // namespace
