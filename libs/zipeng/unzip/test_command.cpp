#include "commands.h"
#include "core/entry_reader.h"
#include "password_session.h"
#include "progress.h"
#include "test_ahead.h"

namespace zipeng {

int32_t testEntries(Session& session) {
  if (int32_t rc = session.open(); rc != zipabi::zrOk) return rc;
  size_t unmatched = 0;
  auto selected = session.selectEntries(unmatched);
  if (session.callback.aborted()) return zipabi::zrAborted;
  zipeng::EntryReader reader;
  PasswordSession passwords(session.command.password, session.callback);
  size_t tested = 0, errors = 0, skipped = unmatched;
  std::vector<const ZipEntry*> order;
  order.reserve(selected.size());
  for (size_t i : selected) order.push_back(&session.index.entries[i]);
  TestAhead ahead(session.source, order);
  for (size_t position = 0; position < order.size(); ++position) {
    const zipeng::ZipEntry& entry = *order[position];
    if (session.callback.sendStats(zipabi::zcmTesting, entry)) return zipabi::zrAborted;
    if (entry.isDirectory() || entry.isVolumeLabel()) {
      ++tested;
      continue;
    }
    if (!entry.readable()) {  // a method or cipher we cannot read: no password question
      ++skipped;
      if (session.callback.sendSkipping(entry.name, zipabi::zsrUnknownCompression)) return zipabi::zrAborted;
      continue;
    }
    std::optional<EntryStatus> checked = ahead.take(position, session.source, reader);
    std::string password;
    if (!checked && entry.encrypted()) {
      bool aborted = false;
      if (passwords.find(session.source, reader, entry, password, aborted)) {
        ahead.usePassword(password);
      } else {
        if (aborted) return zipabi::zrAborted;
        ++skipped;
        if (session.callback.sendSkipping(entry.name, zipabi::zsrBadPassword)) return zipabi::zrAborted;
        continue;
      }
    }
    ProgressReporter progress(session.callback, entry);
    auto status = checked ? *checked
                          : reader.read(
                                session.source, entry, password, [](const uint8_t*, size_t) { return true; },
                                progress.function());
    if (status == zipeng::EntryStatus::Aborted || session.callback.aborted()) return zipabi::zrAborted;
    if (status == zipeng::EntryStatus::OutOfMemory) return zipabi::zrOutOfMemory;
    if (status == zipeng::EntryStatus::Ok) {
      ++tested;
      continue;
    }
    // Not damage: an entry this reader does not take is skipped, as one of an unknown method is.
    if (status == zipeng::EntryStatus::UnknownMethod || status == zipeng::EntryStatus::OverMemoryLimit)
      ++skipped;
    else
      ++errors;
    if (session.callback.sendSkipping(entry.name, zipeng::skipReasonOf(status))) return zipabi::zrAborted;
  }
  if (errors) return zipabi::zrTestErrors;
  if (skipped) return tested ? zipabi::zrSomeSkipped : zipabi::zrNothingTested;
  if (!tested) return zipabi::zrNothingTested;
  return zipabi::zrOk;
}

}  // namespace zipeng
