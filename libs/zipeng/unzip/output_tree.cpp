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
  int fd = ::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  rootFd_ = std::make_shared<const UniqueFd>(fd);
  return true;
}

FolderHandle OutputTree::openChain(const std::string& relative, std::vector<MadeFolder>* made, bool create) {
  if (relative.empty()) return rootFd_;
  if (auto it = folders_.find(relative); it != folders_.end()) return it->second;
  // Start from the deepest folder already open.
  FolderHandle parent = rootFd_;
  size_t start = 0;
  for (size_t cut = relative.rfind('/'); cut != std::string::npos && cut > 0;
       cut = relative.rfind('/', cut - 1)) {
    if (auto it = folders_.find(relative.substr(0, cut)); it != folders_.end()) {
      parent = it->second;
      start = cut + 1;
      break;
    }
    if (cut == 0) break;
  }
  if (folders_.size() >= kMaxCachedFolders) {
    folders_.clear();
    parent = rootFd_;
    start = 0;
  }
  while (start <= relative.size()) {
    size_t slash = relative.find('/', start);
    if (slash == std::string::npos) slash = relative.size();
    std::string name = relative.substr(start, slash - start);
    int fd = openFolderAt(parent->get(), name.c_str());
    bool madeNow = false;
    if (fd < 0 && errno == ENOENT && create) {
      if (mkdirat(parent->get(), name.c_str(), 0777) == 0) {
        madeNow = true;
        if (made) made->push_back({parent, name});
      } else if (errno != EEXIST) {
        return nullptr;
      }
      fd = openFolderAt(parent->get(), name.c_str());
    }
    if (fd < 0) return nullptr;  // ELOOP or ENOTDIR: a link or a file stands in the way
    struct stat st;
    if (madeNow && fstat(fd, &st) == 0) created_[relative.substr(0, slash)] = st.st_mode & 0777;
    // One already in the cache is kept.
    auto [it, added] = folders_.try_emplace(relative.substr(0, slash));
    if (added)
      it->second = std::make_shared<const UniqueFd>(fd);
    else
      ::close(fd);
    parent = it->second;
    start = slash + 1;
  }
  return parent;
}

FolderHandle OutputTree::parentOf(const std::string& relative, std::string& leaf,
                                  std::vector<MadeFolder>* made) {
  size_t slash = relative.rfind('/');
  if (slash == std::string::npos) {
    leaf = relative;
    return rootFd_;
  }
  leaf = relative.substr(slash + 1);
  return openChain(relative.substr(0, slash), made);
}

bool OutputTree::makeFolder(const std::string& relative, std::vector<MadeFolder>* made) {
  return openChain(relative, made) != nullptr;
}

bool OutputTree::restrictFolder(const std::string& relative, mode_t allowed) {
  auto it = created_.find(relative);
  if (it == created_.end() || (it->second & ~allowed) == 0) return true;
  FolderHandle folder = openChain(relative, nullptr, false);
  struct stat st;
  if (!folder || fstat(folder->get(), &st) != 0) return errno == ENOENT;
  // Bits the system set (a setgid bit inherited from the parent) stay.
  const mode_t mode = (st.st_mode & 07000) | (st.st_mode & allowed & 0777);
  return mode == (st.st_mode & 07777) || fchmod(folder->get(), mode) == 0;
}

}  // namespace zipeng
