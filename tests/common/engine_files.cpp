#include "common/engine_files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

namespace testkit {

int sh(const std::string& command, std::string* output) {
  int status;
  if (!output) {
    status = std::system(command.c_str());
  } else {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    output->clear();
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output->append(buffer, n);
    status = pclose(pipe);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool haveTool(const std::string& name) {
  return sh("command -v " + name + " >/dev/null 2>&1") == 0;
}

void writeFile(const std::string& path, const std::string& content, int64_t mtime, mode_t mode) {
  const size_t slash = path.rfind('/');
  std::error_code ignored;
  if (slash != std::string::npos && slash > 0)
    std::filesystem::create_directories(path.substr(0, slash), ignored);
  chmod(path.c_str(), 0644);  // a file made read-only by an earlier write is written again
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
  }
  chmod(path.c_str(), mode);
  if (mtime >= 0) {
    struct timeval times[2] = {{static_cast<time_t>(mtime), 0}, {static_cast<time_t>(mtime), 0}};
    utimes(path.c_str(), times);
  }
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

bool isSymlink(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string randomBytes(size_t n, uint32_t seed) {
  std::mt19937 g(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(g());
  return s;
}

std::string textBytes(size_t n, uint32_t seed) {
  static const char* words[] = {"archive ", "entry ", "deflate ", "folder ", "the ", "of ", "zip ", "\n"};
  std::mt19937 g(seed);
  std::string s;
  while (s.size() < n) s += words[g() % 8];
  s.resize(n);
  return s;
}

namespace {

// Calls `each` with the relative path and lstat of everything under root/relative, parents first.
void walk(const std::string& root, const std::string& relative,
          const std::function<void(const std::string&, const struct stat&)>& each) {
  DIR* d = opendir((relative.empty() ? root : root + "/" + relative).c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string rel = relative.empty() ? name : relative + "/" + name;
    struct stat st;
    if (lstat((root + "/" + rel).c_str(), &st) != 0) continue;
    each(rel, st);
    if (S_ISDIR(st.st_mode)) walk(root, rel, each);
  }
  closedir(d);
}

}  // namespace

std::map<std::string, std::string> snapshotTree(const std::string& root) {
  std::map<std::string, std::string> out;
  walk(root, "", [&](const std::string& rel, const struct stat& st) {
    const std::string full = root + "/" + rel;
    if (S_ISLNK(st.st_mode)) {
      char target[4096];
      const ssize_t n = readlink(full.c_str(), target, sizeof target);
      out[rel] = "L:" + std::string(target, n > 0 ? static_cast<size_t>(n) : 0);
    } else if (S_ISDIR(st.st_mode)) {
      out[rel] = "D";
    } else {
      const std::string content = readFile(full);
      const uInt crc =
          crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size()));
      out[rel] = "F:" + std::to_string(content.size()) + ":" + std::to_string(crc);
    }
  });
  return out;
}

std::map<std::string, std::string> treeListing(const std::string& root) {
  std::map<std::string, std::string> out;
  walk(root, "", [&](const std::string& rel, const struct stat& st) {
    char line[128];
    if (S_ISDIR(st.st_mode)) {
      snprintf(line, sizeof line, "dir %o", st.st_mode & 07777);
      out[rel + "/"] = line;
    } else {
      snprintf(line, sizeof line, "file %o %lld %lld %zu ", st.st_mode & 07777,
               static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtime),
               std::hash<std::string>()(readFile(root + "/" + rel)));
      out[rel] = line;
    }
  });
  return out;
}

}  // namespace testkit
