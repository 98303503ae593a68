#include "session.h"

#include <string_view>
#include <unordered_map>

#include "core/archive_guard.h"
#include "core/patterns.h"

namespace zipeng {

int32_t Session::prepare() {
  // What a killed operation left is dealt with before anything is read: an interrupted change
  // in place is undone, stale temporary copies are cleared.
  int32_t rc = prepareToRead(command.archive);
  if (rc == zipabi::zrOk) clearStaleTemporaries(folderOf(command.archive));
  return rc;
}

int32_t Session::open() {
  int32_t rc = prepare();
  if (rc != zipabi::zrOk) return rc;
  if (command.spanned) {
    rc = source.openSpanned(command.archive, [this](int32_t disk) { return !callback.sendInt(zipabi::zcmNewDisk, disk); });
  } else {
    rc = source.openFile(command.archive);
  }
  if (rc != zipabi::zrOk) return rc;
  rc = zipeng::readArchiveIndex(source, index, command.spanned);
  if (rc == zipabi::zrOk && callback.aborted()) rc = zipabi::zrAborted;
  return rc;
}

std::vector<size_t> Session::selectEntries(size_t& unmatched) {
  // Plain names are looked up, patterns tried one by one: a caller may pass thousands of
  // selected names for an archive of a hundred thousand entries.
  std::unordered_map<std::string_view, size_t> exact;
  std::vector<size_t> patterns;
  for (size_t k = 0; k < command.names.size(); ++k) {
    if (zipeng::hasWildcards(command.names[k])) patterns.push_back(k);
    exact.emplace(command.names[k], k);  // a pattern also selects the entry of exactly its name
  }
  std::vector<bool> used(command.names.size(), false);
  std::vector<size_t> selected;
  selected.reserve(index.entries.size());
  for (size_t i = 0; i < index.entries.size(); ++i) {
    const std::string& name = index.entries[i].name;
    bool take = command.names.empty();
    if (auto it = exact.find(name); it != exact.end()) {
      used[it->second] = true;
      take = true;
    }
    for (size_t k : patterns)
      if (zipeng::matchPattern(command.names[k], name)) {
        used[k] = true;
        take = true;
      }
    if (!take) continue;
    bool excluded = false;
    for (const auto& x : command.excludes)
      if (zipeng::NameFilter::matches(x, name)) {
        excluded = true;
        break;
      }
    if (!excluded) selected.push_back(i);
  }
  // A name given twice counts as matched when either copy matched.
  for (size_t k = 0; k < command.names.size(); ++k)
    if (auto it = exact.find(command.names[k]); it != exact.end() && used[it->second]) used[k] = true;
  unmatched = 0;
  for (size_t k = 0; k < used.size(); ++k)
    if (!used[k]) {
      ++unmatched;
      if (callback.sendSkipping(command.names[k], zipabi::zsrFileNotFound)) break;
    }
  return selected;
}

}  // namespace zipeng
