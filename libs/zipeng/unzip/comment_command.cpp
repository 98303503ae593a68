#include "commands.h"
#include "core/archive_guard.h"
#include "core/cp437.h"

namespace zipeng {

int32_t reportComment(Session& session) {
  // The comment is read from a spanned set too, without asking for disks: callers ask for it
  // without saying whether the archive spans. Like the entry query it leaves stale temporary
  // copies to the other operations: a browser reads the comment of every archive in a folder,
  // and sweeping the folder each time would make that quadratic.
  int32_t rc = prepareToRead(session.command.archive);
  if (rc == zipabi::zrOk) rc = session.source.openSpanned(session.command.archive, {});
  if (rc == zipabi::zrOk)
    rc = zipeng::readArchiveIndex(session.source, session.index, true, nullptr, session.command.nameCharset);
  if (rc != zipabi::zrOk) return rc;
  std::string_view text = zipeng::cutUtf8(session.index.comment, 0xFFFF);
  std::string copy(text);
  zipabi::TZipLibCommentText record{};
  record.Text = copy.data();
  record.Length = static_cast<uint16_t>(copy.size());
  record.Flag = 0;
  if (session.callback.send(zipabi::zcmArchiveComment, &record)) return zipabi::zrAborted;
  return zipabi::zrOk;
}

}  // namespace zipeng
