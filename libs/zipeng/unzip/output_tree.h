// The target folder of an extraction. Every folder below it is opened component by component
// without following symbolic links, so nothing is ever written outside it or through a link.
#pragma once

#include <string>
#include <unordered_map>

#include "core/unique_fd.h"

namespace zipeng {

class OutputTree {
 public:
  OutputTree() = default;
  OutputTree(const OutputTree&) = delete;
  OutputTree& operator=(const OutputTree&) = delete;

  // Creates the folder chain when missing and opens it. False with errno set on failure.
  bool open(const std::string& directory);
  const std::string& root() const { return root_; }
  int rootFd() const { return rootFd_.get(); }

  // The folder that holds relative path `relative` (created as needed), and the last component
  // in `leaf`. -1 with errno set when a component is not a real folder or cannot be created.
  int parentOf(const std::string& relative, std::string& leaf);
  // Creates the folder `relative` and every folder above it. False with errno set on failure.
  bool makeFolder(const std::string& relative);

 private:
  int openChain(const std::string& relative);  // opens (creating) the folder at `relative`
  void dropCache();

  std::string root_;
  UniqueFd rootFd_;
  std::unordered_map<std::string, UniqueFd> folders_;  // relative folder -> open descriptor
};

}  // namespace zipeng
