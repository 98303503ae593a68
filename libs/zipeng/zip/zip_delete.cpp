// "-d": remove the named entries; every other entry is copied byte for byte.
#include "core/name_selection.h"
#include "zip/archive_writer.h"
#include "zip/zip_operations.h"

namespace zipeng {

int runDelete(ZipSession& s) {
  const ZipCommand& cmd = s.cmd;
  ExistingArchive existing;
  int rc = existing.open(cmd.archive, cmd.spanned, cmd.nameCharset, s.cb);
  if (s.cb.aborted()) return zipabi::zrAborted;
  if (rc) return rc;

  // Names and "-i" patterns alike: a folder may be named without its "/". With none, nothing is
  // named: an empty selection means every entry when reading, never when removing.
  std::vector<std::string> names = cmd.names;
  names.insert(names.end(), cmd.includes.begin(), cmd.includes.end());
  if (names.empty()) return zipabi::zrNothingToDo;
  NameSelection selection(std::move(names), cmd.excludes, true);
  auto chosen = selection.select(existing.count(), [&](size_t i) { return existing.name(i); });
  if (chosen.empty()) return zipabi::zrNothingToDo;
  std::vector<char> remove(existing.count(), 0);
  for (size_t i : chosen) remove[i] = 1;

  bool inPlace = false;
  int error = 0;
  auto sink = s.openOutput(&existing, false, &inPlace, &error);
  if (!sink) return error ? error : zipabi::zrTempFileProblem;
  ArchiveWriter writer(*sink);
  if (existing.prefixLength() > 0 && !cmd.spanned) {
    rc = writer.writeRaw(existing, 0, existing.prefixLength());
    if (rc) return sink->abandon(rc);
  }
  std::vector<char> keep(existing.count(), 1);
  for (size_t i = 0; i < existing.count(); ++i) {
    if (!remove[i]) continue;
    keep[i] = 0;
    if (s.cb.sendName(zipabi::zcmDeleting, existing.entry(i).name)) {
      return sink->abandon(zipabi::zrAborted);
    }
  }
  rc = writer.copyKept(existing, keep);
  if (rc) return sink->abandon(rc);
  return writer.finishAndCommit(existing.index().rawComment);
}

}  // namespace zipeng
