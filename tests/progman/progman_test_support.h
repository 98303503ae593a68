// A scratch home for the program group service (runtime, data, config and file folders under a
// fresh temporary folder, put into the environment), the service process, and a small client.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace progman_test {

struct ScratchHome {
  ScratchHome();  // sets HOME, XDG_RUNTIME_DIR, XDG_DATA_HOME and XDG_CONFIG_HOME
  ~ScratchHome();
  std::string MakeFile(const std::string& name, bool executable = false) const;  // a script in files/
  std::string MakeFileWith(const std::string& name, const std::string& content,
                           mode_t mode) const;  // in files/
  // Puts a stand-in for the desktop's opener first on PATH: "xdg-open" that adds each argument it
  // gets as a line to OpenedFile(). PATH is restored with the home.
  void InstallOpener();
  std::string OpenedFile() const { return root + "/opened"; }
  std::string SocketPath() const { return runtime + "/parcelix-dde/ProgMan"; }
  std::vector<std::string> WrittenFiles(const std::string& suffix = "") const;  // under data/ and config/

  std::string root, runtime, data, config, files;
  std::optional<std::string> savedPath;
};

struct Service {
  explicit Service(int idleMs = 20000) : idleMs(idleMs) {}
  ~Service();
  void Start();
  bool StartAndWait(const std::string& socketPath);  // until it greets
  std::optional<int> WaitExit(int timeoutMs);        // the exit status

  int idleMs;
  pid_t pid = -1;
};

struct Client {
  ~Client();
  bool Connect(const std::string& socketPath);                 // true when greeted with "OK\r\n"
  std::string Send(const std::vector<std::string>& commands);  // each with "\r\n"; the answers
  int fd = -1;
  bool connected = false;
};

std::string ReadText(const std::string& path);
std::string KeyValue(const std::string& entryText, const std::string& key);    // "" when absent
std::string RunShell(const std::string& shellCommand, int* status = nullptr);  // its output, both streams
bool HasProgram(const std::string& name);

}  // namespace progman_test
