// The client end of the conversation, against services that misbehave and against ProgMan itself.
#include "platform/dde_client.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "platform/dde_endpoint.h"
#include "progman_test_support.h"

namespace {

using namespace progman_test;

// How a stand-in service at the ProgMan socket fails its clients.
enum class Failing {
  NeverAccepts,     // its backlog is full: a connection is never taken
  AcceptsSilently,  // takes connections and never says a word
  NeverAnswers,     // greets, takes the commands and never answers one
};

class FailingService {
 public:
  explicit FailingService(Failing how) {
    const std::string path = platform::DdeSocketPath("ProgMan", true);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    EXPECT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    EXPECT_EQ(listen(listener_, 0), 0);
    if (how == Failing::NeverAccepts) {
      // A backlog of 0 takes one waiting connection; this one fills it.
      filler_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
      EXPECT_EQ(connect(filler_, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    } else {
      acceptor_ = std::thread([this, how] {
        for (int peer; (peer = accept(listener_, nullptr, nullptr)) >= 0;) {
          if (how == Failing::NeverAnswers) send(peer, platform::kDdeGreeting, 4, MSG_NOSIGNAL);
          held_.push_back(peer);
        }
      });
    }
  }
  ~FailingService() {
    shutdown(listener_, SHUT_RDWR);
    if (acceptor_.joinable()) acceptor_.join();
    for (const int fd : held_) close(fd);
    if (filler_ >= 0) close(filler_);
    close(listener_);
  }

 private:
  int listener_ = -1, filler_ = -1;
  std::thread acceptor_;
  std::vector<int> held_;
};

// Runs `work` in a child process; true when it ends (with status 0) within `limitMs`.
bool EndsWithin(int limitMs, const std::function<void()>& work) {
  const pid_t child = fork();
  if (child == 0) {
    work();
    _exit(0);
  }
  for (int waited = 0; waited < limitMs; waited += 20) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  return false;
}

// Create Group's whole conversation: a group and 51 items, none carried out, all of it within a
// bounded time (a few seconds for the first command or for the answers, none for the rest).
TEST(DdeClient, GivesUpOnAServiceThatDoesNotTalk) {
  for (const Failing how : {Failing::NeverAccepts, Failing::AcceptsSilently, Failing::NeverAnswers}) {
    ScratchHome home;
    FailingService service(how);
    const bool ended = EndsWithin(20000, [&] {
      // No program to start in this folder: the client can only wait for the stand-in.
      platform::TDdeClientConv client(QStringLiteral("ProgMan"), QString(),
                                      QString::fromStdString(home.files));
      bool anySent = client.ExecuteMacro(QStringLiteral("[CreateGroup(Silent)]"));
      for (int item = 0; item < 51; ++item)
        anySent = client.ExecuteMacro(QStringLiteral("[AddItem(/x,x)]")) || anySent;
      const QList<bool> results = client.Results();
      client.CloseLink();
      if (anySent != (how == Failing::NeverAnswers) || results != QList<bool>(52, false)) _exit(1);
    });
    EXPECT_TRUE(ended) << static_cast<int>(how);
  }
}

// What the service did with each command reaches the client in order, and one command never takes
// another with it: a command cut at the limit ends where it was cut, and a line end inside a text
// (a name from an archive may hold one) does not start a command of its own.
TEST(DdeClient, ResultsSayWhatTheServiceCarriedOut) {
  ScratchHome home;
  Service service;
  ASSERT_TRUE(service.StartAndWait(home.SocketPath()));
  const std::string deep = home.files + "/" + std::string(200, 'd');
  ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  const auto item = [](const std::string& file, const std::string& title) {
    return QString::fromStdString("[AddItem(\"" + file + "\"," + title + ")]");
  };
  const struct {
    QString command;
    bool carriedOut;
  } cases[] = {
      {QStringLiteral("[CreateGroup(Results)]"), true},
      {item(home.MakeFile("one.txt"), "one"), true},
      {item(home.MakeFileWith(std::string(200, 'd') + "/cut.txt", "x", 0644), "cut"),
       false},  // over 255 bytes
      {item(home.MakeFile("two.txt"), "two"), true},
      {item(home.files + "/missing.txt", "missing"), false},
      {item(home.MakeFile("three.txt"), "three\r\n[CreateGroup(Injected)]"), false},
      {item(home.MakeFile("four.txt"), "four"), true},
  };
  platform::TDdeClientConv client(QStringLiteral("ProgMan"), QString(), QString());
  std::vector<bool> expected;
  for (const auto& c : cases) {
    client.ExecuteMacro(c.command);
    expected.push_back(c.carriedOut);
  }
  const QList<bool> results = client.Results();
  EXPECT_EQ(std::vector<bool>(results.begin(), results.end()), expected);
  EXPECT_TRUE(client.Results().isEmpty());  // each command is told once
  client.CloseLink();
  std::vector<std::string> titles;
  for (const auto& entry : home.WrittenFiles(".desktop")) titles.push_back(KeyValue(ReadText(entry), "Name"));
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles, (std::vector<std::string>{"four", "one", "two"}));
  EXPECT_EQ(home.WrittenFiles(".directory").size(), 1u);
}

}  // namespace
