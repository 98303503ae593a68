#include "commands.h"
#include "core/name_encoding.h"

namespace zipeng {

namespace {

// Which code page the names without the UTF-8 flag were read in, for the caller to show.
int32_t reportCodePage(Session& session, int32_t rc) {
  if (rc == zipabi::zrOk && !session.index.nameCharset.empty() &&
      session.callback.sendInt(zipabi::zcmNameCodePage, codePageNumber(session.index.nameCharset)))
    return zipabi::zrAborted;
  return rc;
}

int32_t listAll(Session& session) {
  if (session.command.names.empty() && session.command.excludes.empty()) {
    // Everything, in archive order: each entry is sent as it is read and then forgotten, so a
    // listing takes the same little memory whatever the number of entries.
    const EntryVisitor send = [&session](const ZipEntry& entry) {
      return !session.callback.sendStats(zipabi::zcmListing, entry);
    };
    return session.open(&send);
  }
  if (int32_t rc = session.open(); rc != zipabi::zrOk) return rc;
  size_t unmatched = 0;
  auto selected = session.selectEntries(unmatched);
  if (session.callback.aborted()) return zipabi::zrAborted;
  for (size_t i : selected)
    if (session.callback.sendStats(zipabi::zcmListing, session.index.entries[i])) return zipabi::zrAborted;
  if (!session.command.names.empty() && selected.empty()) return zipabi::zrNothingToDo;
  return zipabi::zrOk;
}

}  // namespace

int32_t listEntries(Session& session) {
  return reportCodePage(session, listAll(session));
}

}  // namespace zipeng
