#include "platform/dde_endpoint.h"

#include <pwd.h>
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

// The user's cache folder: XDG_CACHE_HOME when it is absolute, else ~/.cache; empty when the home
// folder is unknown.
std::string CacheFolder() {
  const std::string cache = Environment("XDG_CACHE_HOME");
  if (cache.starts_with('/')) return cache;
  std::string home = Environment("HOME");
  if (!home.starts_with('/')) {
    const passwd* entry = getpwuid(geteuid());
    home = entry && entry->pw_dir && entry->pw_dir[0] == '/' ? entry->pw_dir : "";
  }
  return home.empty() ? std::string() : home + "/.cache";
}

// Makes the folders of `path` that are missing, each owner-only.
bool MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    if (mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

}  // namespace

std::string DdeSocketFolder(bool create) {
  // Without a runtime folder, a folder of the user's own: one with a known name in a shared
  // temporary folder can be made first by another user, which would shut the service out.
  const std::string runtime = Environment("XDG_RUNTIME_DIR");
  const std::string parent = runtime.empty() ? CacheFolder() : runtime;
  if (parent.empty()) return std::string();
  const std::string folder = parent + "/parcelix-dde";
  if (create && !MakeFolders(folder)) return std::string();
  return Private(folder) ? folder : std::string();
}

std::string DdeSocketPath(const std::string& service, bool create) {
  if (service.empty() || service.find('/') != std::string::npos || service == "." || service == "..")
    return std::string();
  const std::string folder = DdeSocketFolder(create);
  return folder.empty() ? std::string() : folder + "/" + service;
}

}  // namespace platform
