#include "session.h"

#include "core/patterns.h"

namespace unzlib {

int32_t Session::open() {
  int32_t rc;
  if (command.spanned) {
    rc = source.openSpanned(command.archive, [this](int32_t disk) { return !callback.sendInt(zipabi::zcmNewDisk, disk); });
  } else {
    rc = source.openFile(command.archive);
  }
  if (rc != zipabi::zrOk) return rc;
  rc = zipcore::readArchiveIndex(source, index, command.spanned);
  if (rc == zipabi::zrOk && callback.aborted()) rc = zipabi::zrAborted;
  return rc;
}

std::vector<size_t> Session::selectEntries(size_t& unmatched) {
  zipcore::NameFilter filter{command.names, command.excludes};
  std::vector<size_t> selected;
  std::vector<bool> used(command.names.size(), false);
  selected.reserve(index.entries.size());
  for (size_t i = 0; i < index.entries.size(); ++i) {
    const std::string& name = index.entries[i].name;
    bool take = command.names.empty();
    for (size_t k = 0; k < command.names.size(); ++k)
      if (zipcore::NameFilter::matches(command.names[k], name)) {
        used[k] = true;
        take = true;
      }
    if (!take) continue;
    bool excluded = false;
    for (const auto& x : command.excludes)
      if (zipcore::NameFilter::matches(x, name)) {
        excluded = true;
        break;
      }
    if (!excluded) selected.push_back(i);
  }
  unmatched = 0;
  for (size_t k = 0; k < used.size(); ++k)
    if (!used[k]) {
      ++unmatched;
      if (callback.sendSkipping(command.names[k], zipabi::zsrFileNotFound)) break;
    }
  return selected;
}

}  // namespace unzlib
