#include "progman_test_support.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace progman_test {

namespace fs = std::filesystem;

ScratchHome::ScratchHome() {
  std::string pattern = (fs::temp_directory_path() / "progman-test-XXXXXX").string();
  root = mkdtemp(pattern.data());
  runtime = root + "/run", data = root + "/data", config = root + "/config", files = root + "/files";
  fs::create_directory(files);
  mkdir(runtime.c_str(), 0700);
  for (const auto& [name, value] : {std::pair{"HOME", root},
                                    {"XDG_RUNTIME_DIR", runtime},
                                    {"XDG_DATA_HOME", data},
                                    {"XDG_CONFIG_HOME", config}})
    setenv(name, value.c_str(), 1);
}

ScratchHome::~ScratchHome() {
  if (savedPath) setenv("PATH", savedPath->c_str(), 1);
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

std::string ScratchHome::MakeFile(const std::string& name, bool executable) const {
  const std::string path = files + "/" + name;
  std::ofstream(path) << "#!/bin/sh\nprintf '%s|%s' \"$0\" \"$#\" > '" << root << "/marker'\n";
  chmod(path.c_str(), executable ? 0755 : 0644);
  return path;
}

std::string ScratchHome::MakeFileWith(const std::string& name, const std::string& content,
                                      mode_t mode) const {
  const std::string path = files + "/" + name;
  std::ofstream(path, std::ios::binary) << content;
  chmod(path.c_str(), mode);
  return path;
}

void ScratchHome::InstallOpener() {
  const std::string bin = root + "/bin";
  fs::create_directory(bin);
  std::ofstream(bin + "/xdg-open") << "#!/bin/sh\nfor a; do printf '%s\\n' \"$a\" >> '" << OpenedFile()
                                   << "'; done\n";
  chmod((bin + "/xdg-open").c_str(), 0755);
  const char* path = std::getenv("PATH");
  savedPath = path ? path : "/usr/bin:/bin";
  setenv("PATH", (bin + ":" + *savedPath).c_str(), 1);
}

std::vector<std::string> ScratchHome::WrittenFiles(const std::string& suffix) const {
  std::vector<std::string> found;
  for (const auto& top : {data, config})
    if (fs::exists(top))
      for (const auto& entry : fs::recursive_directory_iterator(top))
        if (!entry.is_directory() && entry.path().string().ends_with(suffix)) found.push_back(entry.path());
  return found;
}

Service::~Service() {
  if (pid > 0 && kill(pid, SIGTERM) == 0) WaitExit(5000);
}

void Service::Start() {
  const std::string idle = std::to_string(idleMs);
  if ((pid = fork()) == 0) {
    // As Parcelix starts it: the service name, then an empty topic.
    execl(PROGMAN_BINARY, "ProgMan", "", "--idle-ms", idle.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
}

bool Service::StartAndWait(const std::string& socketPath) {
  Start();
  for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10)))
    if (Client().Connect(socketPath)) return true;
  return false;
}

std::optional<int> Service::WaitExit(int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += 10) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      pid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::nullopt;
}

Client::~Client() {
  if (fd >= 0) close(fd);
}

bool Client::Connect(const std::string& socketPath) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof(address.sun_path) - 1);
  fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  if (!connected) return false;
  timeval wait{5, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof(wait));
  char greeting[5] = {};
  return recv(fd, greeting, 4, MSG_WAITALL) == 4 && std::string(greeting) == "OK\r\n";
}

std::string Client::Send(const std::vector<std::string>& commands) {
  std::string lines, answers(3 * commands.size(), '\0');
  for (const auto& command : commands) lines += command + "\r\n";
  send(fd, lines.data(), lines.size(), MSG_NOSIGNAL);
  const ssize_t got = recv(fd, answers.data(), answers.size(), MSG_WAITALL);
  answers.resize(got > 0 ? got : 0);
  return answers;
}

std::string ReadText(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

std::string KeyValue(const std::string& entryText, const std::string& key) {
  std::istringstream lines(entryText);
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with(key + "=")) return line.substr(key.size() + 1);
  return {};
}

std::string RunShell(const std::string& shellCommand, int* status) {
  FILE* pipe = popen((shellCommand + " 2>&1").c_str(), "r");
  std::string output;
  char buffer[512];
  while (std::size_t got = fread(buffer, 1, sizeof(buffer), pipe)) output.append(buffer, got);
  const int result = pclose(pipe);
  if (status) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
  return output;
}

bool HasProgram(const std::string& name) {
  int status = 0;
  RunShell("command -v " + name, &status);
  return status == 0;
}

}  // namespace progman_test
