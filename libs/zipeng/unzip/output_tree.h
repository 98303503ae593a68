// The target folder of an extraction. Every folder below it is opened component by component
// without following symbolic links, so nothing is ever written outside it or through a link.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/unique_fd.h"

namespace zipeng {

// An open folder that stays open for as long as someone holds it (the tree's cache may let go
// of it meanwhile).
using FolderHandle = std::shared_ptr<const UniqueFd>;

// A folder the tree created: its name in the folder that holds it.
struct MadeFolder {
  FolderHandle parent;
  std::string name;
};

class OutputTree {
 public:
  OutputTree() = default;
  OutputTree(const OutputTree&) = delete;
  OutputTree& operator=(const OutputTree&) = delete;

  // Creates the folder chain when missing and opens it. False with errno set on failure.
  bool open(const std::string& directory);
  const std::string& root() const { return root_; }
  int rootFd() const { return rootFd_ ? rootFd_->get() : -1; }

  // The folder that holds relative path `relative` (created as needed), and the last component
  // in `leaf`. Null with errno set when a component is not a real folder or cannot be created.
  // Folders created on the way are added to `made` when given.
  FolderHandle parentOf(const std::string& relative, std::string& leaf,
                        std::vector<MadeFolder>* made = nullptr);
  // Creates the folder `relative` and every folder above it. False with errno set on failure.
  bool makeFolder(const std::string& relative, std::vector<MadeFolder>* made = nullptr);
  // Lets go of the open folders, after some were removed: they are looked up afresh.
  void forget() { folders_.clear(); }
  // Takes from folder `relative` the permission bits that `allowed` lacks, when this tree made
  // it (a folder that was there before is the user's). Never gives a bit. False with errno set
  // when the folder is there but cannot be changed.
  bool restrictFolder(const std::string& relative, mode_t allowed);

 private:
  // Opens the folder at `relative`, creating what is missing when `create`.
  FolderHandle openChain(const std::string& relative, std::vector<MadeFolder>* made, bool create = true);

  std::string root_;
  FolderHandle rootFd_;
  std::unordered_map<std::string, FolderHandle> folders_;  // relative folder -> open descriptor
  std::unordered_map<std::string, mode_t> created_;        // folders made here -> their permissions then
};

}  // namespace zipeng
