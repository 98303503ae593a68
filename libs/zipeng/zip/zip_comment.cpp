// "-z": replace the archive comment with the text the caller gives through message 140.
#include "zip/archive_writer.h"
#include "zip/zip_operations.h"

namespace zipeng {

int runArchiveComment(ZipSession& s) {
  ExistingArchive existing;
  int rc = existing.open(s.cmd.archive, s.cmd.spanned, s.cmd.nameCharset, s.cb);
  if (s.cb.aborted()) return zipabi::zrAborted;
  if (rc) return rc;

  char buffer[zipabi::kCommentCapacity + 1] = {};
  zipabi::TZipLibCommentText text{};
  text.Text = buffer;
  text.Length = 0;
  text.Flag = 0;
  if (s.cb.send(zipabi::zcmNewArchiveComment, &text)) return zipabi::zrAborted;
  if (text.Flag != 1) return zipabi::zrOk;  // no answer: the archive stays as it is
  std::string comment(buffer, std::min<size_t>(text.Length, zipabi::kCommentCapacity));
  if (comment == existing.index().rawComment) return zipabi::zrOk;

  bool inPlace = false;
  int error = 0;
  auto sink = s.openOutput(&existing, s.cmd.grow, &inPlace, &error);
  if (!sink) return error ? error : zipabi::zrTempFileProblem;
  ArchiveWriter writer(*sink);
  if (!inPlace && existing.prefixLength() > 0 && !s.cmd.spanned) {
    rc = writer.writeRaw(existing, 0, existing.prefixLength());
    if (rc) return sink->abandon(rc);
  }
  if (inPlace) {
    for (size_t i = 0; i < existing.count(); ++i) {
      std::string_view raw = existing.rawCentral(i);
      if (!raw.empty())
        writer.keepRawCentral(raw);
      else
        writer.keepInPlace(existing.centralRecord(i));
    }
  } else if ((rc = writer.copyKept(existing, std::vector<char>(existing.count(), 1))) != 0) {
    return sink->abandon(rc);
  }
  return writer.finishAndCommit(comment);
}

}  // namespace zipeng
