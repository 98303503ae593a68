#include "commands.h"
#include "core/archive_guard.h"

namespace zipeng {

int32_t answerQuery(const char* archive, int32_t selector, zipabi::EngineCallbackFn fn, void* userData) {
  Command command;
  command.archive = archive ? archive : "";
  if (command.archive.empty()) return zipabi::zrArchiveNotFound;
  // The count of a spanned set reads it as one ("-!"); an entry query reads whatever the archive
  // is, without asking for disks, so the entries of an open spanned set can still be inspected.
  Session session(command, fn, userData);
  int32_t rc;
  const EntryVisitor countOnly;  // a count needs no entry kept
  if (selector == zipabi::kSelectorMultidiskCount) {
    session.command.spanned = true;
    rc = session.open(&countOnly);
  } else if (selector == zipabi::kSelectorCount) {
    rc = session.open(&countOnly);
  } else {
    rc = prepareToRead(session.command.archive);
    if (rc == zipabi::zrOk) rc = session.source.openSpanned(session.command.archive, {});
    if (rc == zipabi::zrOk) rc = zipeng::readArchiveIndex(session.source, session.index, true);
  }
  if (rc != zipabi::zrOk) return rc;
  if (selector == zipabi::kSelectorCount || selector == zipabi::kSelectorMultidiskCount) {
    const uint64_t count = session.index.entryCount;
    int32_t value = count > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(count);
    session.callback.sendInt(zipabi::zcmEntryCount, value);
    return session.callback.aborted() ? zipabi::zrAborted : zipabi::zrOk;
  }
  if (selector < 1 || static_cast<size_t>(selector) > session.index.entries.size())
    return zipabi::zrNothingToDo;
  session.callback.sendStats(zipabi::zcmEntryStats, session.index.entries[static_cast<size_t>(selector) - 1]);
  return session.callback.aborted() ? zipabi::zrAborted : zipabi::zrOk;
}

}  // namespace zipeng
