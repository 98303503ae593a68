#include "core/name_selection.h"

#include <unordered_map>
#include <unordered_set>

#include "core/patterns.h"

namespace zipeng {

namespace {

// A list of names resolved against the archive: the exact ones looked up, the rest matched.
struct Resolved {
  std::unordered_map<std::string_view, std::vector<size_t>> exact;  // entry name -> given names
  std::vector<size_t> patterns;
};

Resolved resolve(const std::vector<std::string>& given, const std::unordered_set<std::string_view>& present,
                 bool folderWithoutSlash, std::vector<std::string>& withSlash) {
  Resolved r;
  withSlash.reserve(given.size());
  for (size_t k = 0; k < given.size(); ++k) {
    const std::string& name = given[k];
    bool names = present.count(name) > 0;
    if (folderWithoutSlash && !names && !name.empty() && name.back() != '/') {
      withSlash.push_back(name + "/");
      if (present.count(withSlash.back())) {
        r.exact[withSlash.back()].push_back(k);
        continue;
      }
    }
    if (!names && hasWildcards(name))
      r.patterns.push_back(k);
    else
      r.exact[name].push_back(k);
  }
  return r;
}

}  // namespace

std::vector<size_t> NameSelection::select(size_t count, const std::function<std::string_view(size_t)>& nameOf,
                                          std::vector<bool>* used) const {
  if (names_.empty() && excludes_.empty()) {
    // Everything, in order: no need to look at a single name.
    if (used) used->clear();
    std::vector<size_t> all(count);
    for (size_t i = 0; i < count; ++i) all[i] = i;
    return all;
  }
  std::unordered_set<std::string_view> present;
  present.reserve(count);
  for (size_t i = 0; i < count; ++i) present.insert(nameOf(i));
  std::vector<std::string> slashNames, slashExcludes;
  slashNames.reserve(names_.size());
  slashExcludes.reserve(excludes_.size());
  Resolved in = resolve(names_, present, folderWithoutSlash_, slashNames);
  Resolved out = resolve(excludes_, present, folderWithoutSlash_, slashExcludes);
  if (used) used->assign(names_.size(), false);

  std::vector<size_t> selected;
  for (size_t i = 0; i < count; ++i) {
    std::string_view name = nameOf(i);
    bool take = names_.empty();
    if (auto it = in.exact.find(name); it != in.exact.end()) {
      take = true;
      if (used)
        for (size_t k : it->second) (*used)[k] = true;
    }
    for (size_t k : in.patterns)
      if ((used || !take) && matchPattern(names_[k], name)) {
        take = true;
        if (used) (*used)[k] = true;
      }
    if (!take) continue;
    bool excluded = out.exact.count(name) > 0;
    for (size_t k = 0; !excluded && k < out.patterns.size(); ++k)
      excluded = matchPattern(excludes_[out.patterns[k]], name);
    if (!excluded) selected.push_back(i);
  }
  return selected;
}

}  // namespace zipeng
