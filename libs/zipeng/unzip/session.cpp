#include "session.h"

#include <string_view>

#include "core/archive_guard.h"
#include "core/name_selection.h"

namespace zipeng {

Session::Session(const Command& c, zipabi::EngineCallbackFn fn, void* userData)
    : command(c), callback(fn, userData) {
  command.archive = resolveArchivePath(command.archive);
}

int32_t Session::prepare() {
  // What a killed operation left is dealt with before anything is read: an interrupted change
  // in place is undone, stale temporary copies are cleared.
  int32_t rc = prepareToRead(command.archive);
  if (rc == zipabi::zrOk) clearStaleTemporaries(folderOf(command.archive));
  return rc;
}

int32_t Session::open(const EntryVisitor* visit) {
  int32_t rc = prepare();
  if (rc != zipabi::zrOk) return rc;
  auto openSpannedSet = [this] {
    return source.openSpanned(command.archive,
                              [this](int32_t disk) { return !callback.sendInt(zipabi::zcmNewDisk, disk); });
  };
  rc = command.spanned ? openSpannedSet() : source.openFile(command.archive);
  if (rc != zipabi::zrOk) return rc;
  rc = zipeng::readArchiveIndex(source, index, command.spanned, visit, command.nameCharset);
  if (rc == zipabi::zrSpannedNotMultidisk) {
    // The end record names a later disk: the archive is the last segment of a set, which is
    // read as one, as it would be with "-!".
    source.close();
    command.spanned = true;
    rc = openSpannedSet();
    if (rc == zipabi::zrOk) rc = zipeng::readArchiveIndex(source, index, true, visit, command.nameCharset);
  }
  if (rc == zipabi::zrOk && callback.aborted()) rc = zipabi::zrAborted;
  return rc;
}

std::vector<size_t> Session::selectEntries(size_t& unmatched) {
  std::vector<bool> used;
  NameSelection selection(command.names, command.excludes);
  auto selected = selection.select(
      index.entries.size(), [this](size_t i) { return std::string_view(index.entries[i].name); }, &used);
  unmatched = 0;
  for (size_t k = 0; k < used.size(); ++k)
    if (!used[k]) {
      ++unmatched;
      if (callback.sendSkipping(command.names[k], zipabi::zsrFileNotFound)) break;
    }
  return selected;
}

}  // namespace zipeng
