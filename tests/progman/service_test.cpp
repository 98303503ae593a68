// The ProgMan program itself, driven over its socket as Parcelix drives it.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "platform/dde_endpoint.h"
#include "progman_test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace progman_test;

// desktop-file-validate's errors and warnings about `files` (hints are fine).
std::string ValidationProblems(const std::vector<std::string>& files) {
  std::string problems;
  for (const auto& file : files) {
    int status = 0;
    const std::string output = RunShell("desktop-file-validate '" + file + "'", &status);
    if (status != 0 || output.find("error:") != std::string::npos ||
        output.find("warning:") != std::string::npos)
      problems += output;
  }
  return problems;
}

// Launches `entry` as a desktop starts it, through GLib's loader and launcher; its complaint, if any.
std::string Launch(const std::string& entry) {
  int status = 0;
  const std::string output = RunShell("gio launch '" + entry + "'", &status);
  return status == 0 ? std::string() : output.empty() ? "failed" : output;
}

// Waits until `done` holds, for as long as a loaded machine may need to start a program.
bool WaitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (;; std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
  }
}

// The launcher written for the item titled `title`, or "".
std::string LauncherTitled(const ScratchHome& home, const std::string& title) {
  for (const auto& entry : home.WrittenFiles(".desktop"))
    if (KeyValue(ReadText(entry), "Name") == title) return entry;
  return {};
}

class ProgManService : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(service_.StartAndWait(home_.SocketPath())); }

  ScratchHome home_;
  Service service_;
  Client client_;
};

TEST_F(ProgManService, CreatesGroupWithItemsThatValidate) {
  const std::string document = home_.MakeFile("read me.txt"), program = home_.MakeFile("tool.sh", true),
                    comma = home_.MakeFile("notes, v2.txt");
  ASSERT_TRUE(client_.Connect(home_.SocketPath()));
  EXPECT_EQ(client_.Send({"[CreateGroup(Tools & Docs)]", "[AddItem(\"" + document + "\",read me.txt)]",
                          "[AddItem(" + program + ",tool.sh)]", "[AddItem(" + comma + ",notes, v2.txt)]"}),
            "+\r\n+\r\n+\r\n+\r\n");

  const auto directories = home_.WrittenFiles(".directory"), menus = home_.WrittenFiles(".menu");
  auto entries = home_.WrittenFiles(".desktop");
  ASSERT_EQ(home_.WrittenFiles().size(), 5u);
  ASSERT_EQ(directories.size(), 1u);
  ASSERT_EQ(menus.size(), 1u);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(KeyValue(ReadText(directories[0]), "Name"), "Tools & Docs");
  const std::string menu = ReadText(menus[0]);
  EXPECT_NE(menu.find("<Directory>" + fs::path(directories[0]).filename().string() + "</Directory>"),
            std::string::npos)
      << menu;

  const std::map<std::string, std::string> expectedExec = {{"read me.txt", "xdg-open \"" + document + "\""},
                                                           {"tool.sh", program},
                                                           {"notes, v2.txt", "xdg-open \"" + comma + "\""}};
  for (const auto& launcher : entries) {
    const std::string entry = ReadText(launcher);
    ASSERT_TRUE(expectedExec.contains(KeyValue(entry, "Name"))) << entry;
    EXPECT_EQ(KeyValue(entry, "Exec"), expectedExec.at(KeyValue(entry, "Name")));
    EXPECT_EQ(KeyValue(entry, "Path"), home_.files);
    const std::string categories = KeyValue(entry, "Categories");  // the group's own, then ";"
    EXPECT_NE(menu.find("<Category>" + categories.substr(0, categories.size() - 1) + "</Category>"),
              std::string::npos)
        << entry << menu;
  }
  if (HasProgram("xmllint")) {
    EXPECT_EQ(RunShell("xmllint --noout '" + menus[0] + "'"), "");
  }
  if (!HasProgram("desktop-file-validate")) GTEST_SKIP() << "desktop-file-validate is not installed";
  entries.push_back(directories[0]);
  EXPECT_EQ(ValidationProblems(entries), "");
}

TEST_F(ProgManService, RefusesHostileCommandsWithoutWritingAnything) {
  const std::string document = home_.MakeFile("read me.txt");
  const std::vector<std::string> commands = {
      "[AddItem(\"" + document + "\",No group yet)]",
      "[CreateGroup(../../escape)]",
      "[CreateGroup(Games)",
      "[CreateGroup(Games)] trailing",
      "[CreateGroup(new\nline)]",
      "[CreateGroup(" + std::string(290, 'x') + ")]",  // 297 bytes with the line end
      "[AddItem(" + home_.files + "/x$(touch " + home_.files + "/pwned),Title)]",
  };
  ASSERT_TRUE(client_.Connect(home_.SocketPath()));
  std::string refusedEach;
  for (std::size_t i = 0; i < commands.size(); ++i) refusedEach += "-\r\n";
  EXPECT_EQ(client_.Send(commands), refusedEach);
  EXPECT_EQ(home_.WrittenFiles(), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(home_.files + "/pwned"));
}

TEST_F(ProgManService, LauncherRunsExactlyTheNamedFile) {
  const std::string program = home_.MakeFile("x$(touch PWNED);y`touch PWNED2` 'z'\\w", true);
  ASSERT_TRUE(client_.Connect(home_.SocketPath()));
  ASSERT_EQ(client_.Send({"[CreateGroup(Risky)]", "[AddItem(\"" + program + "\",Risky)]"}), "+\r\n+\r\n");
  const auto entries = home_.WrittenFiles(".desktop");
  ASSERT_EQ(entries.size(), 1u);
  if (HasProgram("desktop-file-validate")) {
    EXPECT_EQ(ValidationProblems(entries), "");
  }
  if (!HasProgram("gio")) GTEST_SKIP() << "gio is not installed to launch the entry";

  int status = 0;
  const std::string output = RunShell("gio launch '" + entries[0] + "'", &status);
  ASSERT_EQ(status, 0) << output;
  const std::string marker = home_.root + "/marker";
  WaitUntil([&] { return ReadText(marker) == program + "|0"; });
  EXPECT_EQ(ReadText(marker), program + "|0");  // that file, without arguments
  for (const auto& folder : {home_.files, home_.root})
    for (const char* planted : {"/PWNED", "/PWNED2"}) EXPECT_FALSE(fs::exists(folder + planted));
}

// A launcher starts its file only when that is a real program with its bit (an ELF image, or a
// script naming its interpreter) and its name does not say it is a document; everything else, bit
// or not, goes to the desktop's opener. A desktop hands an Exec program the kernel refuses to
// /bin/sh, which is how a text file with the bit used to run.
TEST_F(ProgManService, LaunchersRunOnlyRealPrograms) {
  if (!HasProgram("gio")) GTEST_SKIP() << "gio is not installed to launch the entries";
  home_.InstallOpener();
  std::string elf = ReadText("/bin/true");
  ASSERT_EQ(elf.substr(0, 4),
            "\x7f"
            "ELF");
  const struct {
    std::string name, body;  // the body's "@" stands for a command that leaves the file's marker
    mode_t mode;
    bool runs;
  } cases[] = {
      {"readme.txt", "@\n", 0755, false},  // commands without "#!": /bin/sh would take them
      {"notes", "echo hi\n@\n", 0755, false},
      {"letter.txt", "#!/bin/sh\n@\n", 0755, false},  // a script by content, a document by name
      {"invoice.pdf", "#!/bin/sh\n@\n", 0755, false},
      {"plain.sh", "#!/bin/sh\n@\n", 0644, false},  // no bit
      {"tool.sh", "#!/bin/sh\n@\n", 0755, true},
      {"tool", "#! /bin/sh\n@\n", 0755, true},
      {"setup.py", "#!/bin/sh\n@\n", 0700, true},
      {"true", elf, 0755, true},
      {"true.txt", elf, 0755, false},
  };
  std::vector<std::string> commands = {"[CreateGroup(Mixed)]"};
  std::string carriedOut = "+\r\n";
  for (const auto& c : cases) {
    std::string body = c.body;
    if (const auto at = body.find('@'); at != std::string::npos)
      body.replace(at, 1, "touch '" + home_.root + "/ran-" + c.name + "'");
    commands.push_back("[AddItem(\"" + home_.MakeFileWith(c.name, body, c.mode) + "\"," + c.name + ")]");
    carriedOut += "+\r\n";
  }
  ASSERT_TRUE(client_.Connect(home_.SocketPath()));
  ASSERT_EQ(client_.Send(commands), carriedOut);

  for (const auto& c : cases) {
    const std::string entry = LauncherTitled(home_, c.name), file = home_.files + "/" + c.name;
    ASSERT_FALSE(entry.empty()) << c.name;
    EXPECT_EQ(KeyValue(ReadText(entry), "Exec"), (c.runs ? "" : "xdg-open ") + file) << c.name;
    EXPECT_EQ(Launch(entry), "") << c.name;
  }
  const auto opened = [&](const std::string& name) {
    return ReadText(home_.OpenedFile()).find(home_.files + "/" + name + "\n") != std::string::npos;
  };
  const auto ran = [&](const std::string& name) { return fs::exists(home_.root + "/ran-" + name); };
  EXPECT_TRUE(WaitUntil([&] {
    for (const auto& c : cases)
      if (c.runs ? c.body != elf && !ran(c.name) : !opened(c.name)) return false;
    return true;
  }));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // time for a wrong start to show
  for (const auto& c : cases) {
    EXPECT_EQ(ran(c.name), c.runs && c.body != elf) << c.name;
    EXPECT_EQ(opened(c.name), !c.runs) << c.name;
  }
}

// A "%" (or "=") in a path gives a launcher that both the validator and GLib's loader take and that opens
// exactly that file, or the item is refused. A program's path cannot hold one: GLib looks the
// program up before it reads "%%" as "%".
TEST_F(ProgManService, PercentSignsGiveWorkingLaunchersOrAreRefused) {
  if (!HasProgram("gio") || !HasProgram("desktop-file-validate"))
    GTEST_SKIP() << "needs gio and desktop-file-validate";
  home_.InstallOpener();
  fs::create_directory(home_.files + "/50% off");
  const struct {
    std::string name;
    bool program, accepted;
  } cases[] = {
      {"100%.txt", false, true},        {"%f.txt", false, true},    {"%%u %k.txt", false, true},
      {"50% off/a b.txt", false, true}, {"tool%d.sh", true, false}, {"50% off/tool.sh", true, false},
      {"a=b.txt", false, true},         {"a=b.sh", true, false},  // nor may it hold "="
  };
  std::vector<std::string> commands = {"[CreateGroup(Percent)]"};
  std::string answers = "+\r\n";
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    const std::string body = "#!/bin/sh\ntouch '" + home_.root + "/ran-" + std::to_string(i) + "'\n";
    commands.push_back("[AddItem(\"" + home_.MakeFileWith(c.name, body, c.program ? 0755 : 0644) +
                       "\",item " + std::to_string(i) + ")]");
    answers += c.accepted ? "+\r\n" : "-\r\n";
  }
  ASSERT_TRUE(client_.Connect(home_.SocketPath()));
  ASSERT_EQ(client_.Send(commands), answers);

  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    const std::string entry = LauncherTitled(home_, "item " + std::to_string(i));
    EXPECT_EQ(entry.empty(), !c.accepted) << c.name;
    if (entry.empty()) continue;
    EXPECT_EQ(ValidationProblems({entry}), "") << c.name;
    EXPECT_EQ(Launch(entry), "") << c.name;
  }
  std::multiset<std::string> expected, opened;
  std::size_t expectedSize = 0;
  for (const auto& c : cases)
    if (c.accepted)
      expected.insert(home_.files + "/" + c.name), expectedSize += home_.files.size() + c.name.size() + 2;
  EXPECT_TRUE(WaitUntil([&] { return ReadText(home_.OpenedFile()).size() >= expectedSize; }));
  std::istringstream lines(ReadText(home_.OpenedFile()));
  for (std::string line; std::getline(lines, line);) opened.insert(line);
  EXPECT_EQ(opened, expected);
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_FALSE(fs::exists(home_.root + "/ran-" + std::to_string(i)));
}

// What "nobody" gets from the socket: 10 no connection, 11 the greeting, 12 closed without a word.
int ConnectAsNobody(const std::string& socketPath) {
  const pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(1);
    Client client;
    const bool greeted = client.Connect(socketPath);
    _exit(greeted ? 11 : client.connected ? 12 : 10);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ProgManService, RefusesOtherUsers) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to connect as another user";
  EXPECT_EQ(ConnectAsNobody(home_.SocketPath()), 10) << "the private folder let another user in";
  // Open the way to the socket, so that only the peer check stands between.
  const std::string folder = home_.runtime + "/parcelix-dde";
  for (const auto& path : {home_.root, home_.runtime, folder}) chmod(path.c_str(), 0755);
  chmod(home_.SocketPath().c_str(), 0666);
  EXPECT_EQ(ConnectAsNobody(home_.SocketPath()), 12) << "another user was not turned away silently";
  EXPECT_TRUE(client_.Connect(home_.SocketPath()));
}

TEST(ProgManLifetime, StopsOnlyWhenIdleAndNeverWaitsOnASilentClient) {
  ScratchHome home;
  Service service(300);
  ASSERT_TRUE(service.StartAndWait(home.SocketPath()));
  {
    Client silent, busy;
    ASSERT_TRUE(silent.Connect(home.SocketPath()));
    std::this_thread::sleep_for(std::chrono::milliseconds(900));  // three idle times in a conversation
    ASSERT_TRUE(busy.Connect(home.SocketPath()));
    EXPECT_EQ(busy.Send({"[CreateGroup(Still here)]"}), "+\r\n");
  }
  EXPECT_EQ(service.WaitExit(20000), 0);
  EXPECT_FALSE(fs::exists(home.SocketPath()));
}

// Sets an environment variable (or takes it away) for the life of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnvironment() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Without XDG_RUNTIME_DIR the socket lives in a private folder of the user's own cache, which no
// other user can take first, as one with a fixed name in the shared temporary folder could be.
TEST(ProgManLifetime, ServesWithoutARuntimeFolderWhenTheSharedTemporaryOneIsTaken) {
  ScratchHome home;
  const std::string temp = home.root + "/tmp", taken = temp + "/parcelix-dde-" + std::to_string(geteuid());
  ASSERT_EQ(mkdir(temp.c_str(), 01777), 0);
  ASSERT_EQ(mkdir(taken.c_str(), 0700), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(taken.c_str(), 65534, 65534), 0);  // made first by "nobody"
  } else {
    ASSERT_EQ(chmod(taken.c_str(), 0755), 0);  // one that is not private counts the same
  }
  const ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", nullptr), shared("TMPDIR", temp.c_str()),
      noCache("XDG_CACHE_HOME", nullptr);
  Service service;
  const std::string socket = home.root + "/.cache/parcelix-dde/ProgMan";
  ASSERT_TRUE(service.StartAndWait(socket));
  EXPECT_EQ(platform::DdeSocketPath("ProgMan", false), socket);
  struct stat info {};
  ASSERT_EQ(lstat((home.root + "/.cache/parcelix-dde").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);
  Client client;
  ASSERT_TRUE(client.Connect(socket));
  EXPECT_EQ(client.Send({"[CreateGroup(Served)]"}), "+\r\n");

  // The cache folder is used under the same checks as any other: a real folder of this user alone.
  const ScopedEnvironment cache("XDG_CACHE_HOME", (home.root + "/cache").c_str());
  const std::string folder = home.root + "/cache/parcelix-dde", elsewhere = home.root + "/elsewhere";
  EXPECT_EQ(platform::DdeSocketFolder(false), "");
  EXPECT_EQ(platform::DdeSocketFolder(true), folder);  // made, with its parent
  ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
  EXPECT_EQ(platform::DdeSocketFolder(true), "");
  ASSERT_EQ(rmdir(folder.c_str()), 0);
  ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
  ASSERT_EQ(symlink(elsewhere.c_str(), folder.c_str()), 0);
  EXPECT_EQ(platform::DdeSocketFolder(true), "");
}

TEST(ProgManLifetime, OneServiceAtATimeReplacingAStaleSocket) {
  ScratchHome home;
  ASSERT_EQ(mkdir((home.runtime + "/parcelix-dde").c_str(), 0700), 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, home.SocketPath().c_str(), sizeof(address.sun_path) - 1);
  const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  close(stale);  // the socket file stays, nobody listens

  Service services[5];
  for (auto& service : services) service.Start();
  int quiet = 0;
  for (int round = 0; round < 500 && quiet < 4; ++round)
    for (auto& service : services)
      if (service.pid > 0 && service.WaitExit(0) == 0) ++quiet;
  EXPECT_EQ(quiet, 4);  // left without a word; the last one serves
  EXPECT_TRUE(Client().Connect(home.SocketPath()));
}

}  // namespace
