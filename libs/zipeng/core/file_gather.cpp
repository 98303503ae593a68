#include "core/file_gather.h"

#include <dirent.h>
#include <glob.h>

#include <algorithm>
#include <map>
#include <set>

#include "core/patterns.h"

namespace zipeng {

namespace {

bool hasWildcard(const std::string& s) {
  return s.find_first_of("*?[") != std::string::npos;
}

bool isHiddenName(const std::string& leaf) {
  return !leaf.empty() && leaf[0] == '.';
}

std::string leafOf(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

class Gatherer {
 public:
  Gatherer(const GatherOptions& o, GatherResult& r) : opt_(o), res_(r) {}

  void addNamed(const std::string& name, bool fromWildcard) {
    struct stat st {};
    if (stat(name.c_str(), &st) != 0) {
      res_.problems.push_back({name, static_cast<uint8_t>(errno == ENOENT || errno == ENOTDIR ? 0 : 4)});
      return;
    }
    if (fromWildcard && !opt_.includeHidden && isHiddenName(leafOf(name))) return;
    if (S_ISDIR(st.st_mode)) {
      addFolder(name, st);
      if (opt_.recurse) {
        std::set<std::pair<dev_t, ino_t>> onPath;
        walk(name, st, onPath);
      }
    } else {
      addFile(name, st);
    }
  }

 private:
  bool excluded(const std::string& stored) const {
    if (!opt_.includePatterns.empty()) {
      bool any = false;
      for (auto& p : opt_.includePatterns)
        if (matchesPattern(p, stored)) {
          any = true;
          break;
        }
      if (!any) return true;
    }
    for (auto& p : opt_.excludePatterns)
      if (matchesPattern(p, stored)) return true;
    return false;
  }

  void addFolder(const std::string& path, const struct stat& st) {
    if (!opt_.folderEntries || opt_.junkPaths) return;
    std::string stored = storedNameForPath(path, false);
    if (stored.empty()) return;  // the root itself has no name to store
    stored += '/';
    if (excluded(stored)) return;
    push(path, stored, st, true);
  }

  void addFile(const std::string& path, const struct stat& st) {
    if (!S_ISREG(st.st_mode)) return;  // devices, sockets and pipes have no content to store
    for (auto& ex : opt_.excludeFiles)
      if (ex.first == st.st_dev && ex.second == st.st_ino) return;
    if (opt_.notBefore && static_cast<int64_t>(st.st_mtime) < *opt_.notBefore) return;
    std::string stored = storedNameForPath(path, opt_.junkPaths);
    if (stored.empty() || excluded(stored)) return;
    push(path, stored, st, false);
  }

  void push(const std::string& path, const std::string& stored, const struct stat& st, bool folder) {
    auto it = byName_.find(stored);
    if (it != byName_.end()) {
      const GatheredFile& prev = res_.files[it->second];
      bool same = prev.st.st_dev == st.st_dev && prev.st.st_ino == st.st_ino;
      if (!same && !folder && opt_.junkPaths && res_.repeatedName.empty()) res_.repeatedName = stored;
      return;  // the same file named twice is stored once
    }
    byName_[stored] = res_.files.size();
    GatheredFile g;
    g.path = path;
    g.storedName = stored;
    g.st = st;
    g.isFolder = folder;
    res_.files.push_back(std::move(g));
  }

  void walk(const std::string& dir, const struct stat& dirSt, std::set<std::pair<dev_t, ino_t>>& onPath) {
    auto key = std::make_pair(dirSt.st_dev, dirSt.st_ino);
    if (!onPath.insert(key).second) return;  // a link back up the tree: stop, do not loop
    DIR* d = opendir(dir.c_str());
    if (!d) {
      res_.problems.push_back({dir, 4});
      onPath.erase(key);
      return;
    }
    std::vector<std::string> names;
    while (dirent* de = readdir(d)) {
      std::string n = de->d_name;
      if (n == "." || n == "..") continue;
      if (!opt_.includeHidden && isHiddenName(n)) continue;
      names.push_back(std::move(n));
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    std::string prefix = dir;
    if (prefix.empty() || prefix.back() != '/') prefix += '/';
    for (auto& n : names) {
      std::string path = prefix + n;
      struct stat st {};
      if (stat(path.c_str(), &st) != 0) {
        // A dangling link or a file that vanished while we looked.
        res_.problems.push_back({path, static_cast<uint8_t>(errno == ENOENT ? 0 : 4)});
        continue;
      }
      if (S_ISDIR(st.st_mode)) {
        addFolder(path, st);
        walk(path, st, onPath);
      } else {
        addFile(path, st);
      }
    }
    onPath.erase(key);
  }

  const GatherOptions& opt_;
  GatherResult& res_;
  std::map<std::string, size_t> byName_;
};

}  // namespace

std::string storedNameForPath(const std::string& path, bool junkPaths) {
  std::vector<std::string> parts;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    std::string part = path.substr(pos, slash - pos);
    if (!part.empty() && part != "." && part != "..") parts.push_back(part);
    pos = slash + 1;
  }
  if (parts.empty()) return {};
  if (junkPaths) return parts.back();
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += '/';
    out += parts[i];
  }
  return out;
}

bool matchesPattern(const std::string& pattern, const std::string& name) {
  return matchPattern(pattern, name);
}

GatherResult gatherFiles(const std::vector<std::string>& names, const GatherOptions& options) {
  GatherResult result;
  Gatherer g(options, result);
  for (const auto& name : names) {
    if (name.empty()) continue;
    struct stat st {};
    if (hasWildcard(name) && stat(name.c_str(), &st) != 0) {
      glob_t gl{};
      int rc = glob(name.c_str(), 0, nullptr, &gl);
      if (rc != 0 || gl.gl_pathc == 0) {
        result.problems.push_back({name, 0});
      } else {
        for (size_t i = 0; i < gl.gl_pathc; ++i) g.addNamed(gl.gl_pathv[i], true);
      }
      globfree(&gl);
      continue;
    }
    g.addNamed(name, false);
  }
  return result;
}

}  // namespace zipeng
