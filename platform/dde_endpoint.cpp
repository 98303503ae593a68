#include "platform/dde_endpoint.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// A folder only this user can enter: a real folder (not a link), owned by them, mode 0700.
bool Private(const std::string& folder) {
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 0777) == 0700;
}

}  // namespace

std::string DdeSocketFolder(bool create) {
  std::string folder;
  const std::string runtime = Environment("XDG_RUNTIME_DIR");
  if (!runtime.empty()) {
    folder = runtime + "/parcelix-dde";
  } else {
    // Shared temporary folders hold one such folder per user.
    std::string temp = Environment("TMPDIR");
    if (temp.empty()) temp = "/tmp";
    while (temp.size() > 1 && temp.back() == '/') temp.pop_back();
    folder = temp + "/parcelix-dde-" + std::to_string(geteuid());
  }
  if (create && mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::string();
  return Private(folder) ? folder : std::string();
}

std::string DdeSocketPath(const std::string& service, bool create) {
  if (service.empty() || service.find('/') != std::string::npos || service == "." || service == "..")
    return std::string();
  const std::string folder = DdeSocketFolder(create);
  return folder.empty() ? std::string() : folder + "/" + service;
}

}  // namespace platform
