// Turns the names of an add command into the list of files and folders to store, with the
// stored name of each: recursion, hidden files, include/exclude patterns, the date bound and
// the bare-name clash check all happen here, before any byte is written.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zipeng {

struct GatherOptions {
  bool recurse = false;                      // -r
  bool includeHidden = false;                // -S
  bool folderEntries = false;                // -D
  bool junkPaths = false;                    // -j
  std::optional<int64_t> notBefore;          // -t: files modified before this are left out
  std::vector<std::string> includePatterns;  // -i
  std::vector<std::string> excludePatterns;  // -x
  // The archive being written (and its temporary copies) are never added to themselves.
  std::vector<std::pair<dev_t, ino_t>> excludeFiles;
};

struct GatheredFile {
  std::string path;        // as found on disk
  std::string storedName;  // entry name ("/" separators, folders end with "/")
  struct stat st {};
  bool isFolder = false;
};

struct GatherProblem {
  std::string name;
  uint8_t reason;  // 0 not found, 4 cannot be opened
};

struct GatherResult {
  std::vector<GatheredFile> files;
  std::vector<GatherProblem> problems;
  // Set when "-j" leaves two different files with one name; nothing may be written then.
  std::string repeatedName;
};

GatherResult gatherFiles(const std::vector<std::string>& names, const GatherOptions& options);

// The stored form of a path: no leading "/", no "." or ".." parts, "/" separators.
std::string storedNameForPath(const std::string& path, bool junkPaths);

// Whole-name match with '*', '?' and '[...]'; '*' also crosses "/".
bool matchesPattern(const std::string& pattern, const std::string& name);

}  // namespace zipeng
