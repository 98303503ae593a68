// Which entries a list of names selects, one rule for both libraries: a name that is exactly an
// entry's name selects that entry alone, so "Report [final].pdf" never means "Report f.pdf";
// only a name that names no entry is read as a pattern ("*", "?", "[...]").
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zipeng {

class NameSelection {
 public:
  // `folderWithoutSlash`: a plain name also selects the folder entry "name/".
  NameSelection(std::vector<std::string> names, std::vector<std::string> excludes,
                bool folderWithoutSlash = false)
      : names_(std::move(names)), excludes_(std::move(excludes)), folderWithoutSlash_(folderWithoutSlash) {}

  // Indexes of the selected entries among `count` entries, in order; with no names, all of them
  // (less the excluded). `used`, when given, tells for each name whether it selected anything.
  std::vector<size_t> select(size_t count, const std::function<std::string_view(size_t)>& nameOf,
                             std::vector<bool>* used = nullptr) const;

 private:
  std::vector<std::string> names_;
  std::vector<std::string> excludes_;
  bool folderWithoutSlash_;
};

}  // namespace zipeng
