#include "output_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zipeng {

namespace {
constexpr size_t kMaxCachedFolders = 256;

int openFolderAt(int parent, const char* name) {
  return openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}
}  // namespace

void OutputTree::dropCache() { folders_.clear(); }

bool OutputTree::open(const std::string& directory) {
  root_ = directory.empty() ? std::string(".") : directory;
  while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
  // The target folder itself is the user's choice: links in its own path are followed.
  std::string prefix;
  size_t pos = 0;
  while (pos <= root_.size()) {
    size_t slash = root_.find('/', pos);
    if (slash == std::string::npos) slash = root_.size();
    prefix = root_.substr(0, slash);
    if (!prefix.empty() && mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
    pos = slash + 1;
  }
  rootFd_.reset(::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return static_cast<bool>(rootFd_);
}

int OutputTree::openChain(const std::string& relative) {
  if (relative.empty()) return rootFd_.get();
  if (auto it = folders_.find(relative); it != folders_.end()) return it->second.get();
  // Start from the deepest folder already open.
  int parent = rootFd_.get();
  size_t start = 0;
  for (size_t cut = relative.rfind('/'); cut != std::string::npos && cut > 0; cut = relative.rfind('/', cut - 1)) {
    if (auto it = folders_.find(relative.substr(0, cut)); it != folders_.end()) {
      parent = it->second.get();
      start = cut + 1;
      break;
    }
    if (cut == 0) break;
  }
  if (folders_.size() >= kMaxCachedFolders) {
    dropCache();
    parent = rootFd_.get();
    start = 0;
  }
  while (start <= relative.size()) {
    size_t slash = relative.find('/', start);
    if (slash == std::string::npos) slash = relative.size();
    std::string name = relative.substr(start, slash - start);
    int fd = openFolderAt(parent, name.c_str());
    if (fd < 0 && errno == ENOENT) {
      if (mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST) return -1;
      fd = openFolderAt(parent, name.c_str());
    }
    if (fd < 0) return -1;  // ELOOP or ENOTDIR: a link or a file stands in the way
    // The cache owns every descriptor it hands out; one already there is kept.
    parent = folders_.try_emplace(relative.substr(0, slash), UniqueFd(fd)).first->second.get();
    start = slash + 1;
  }
  return parent;
}

int OutputTree::parentOf(const std::string& relative, std::string& leaf) {
  size_t slash = relative.rfind('/');
  if (slash == std::string::npos) {
    leaf = relative;
    return rootFd_.get();
  }
  leaf = relative.substr(slash + 1);
  return openChain(relative.substr(0, slash));
}

bool OutputTree::makeFolder(const std::string& relative) { return openChain(relative) >= 0; }

}  // namespace zipeng
