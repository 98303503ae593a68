// "-d": remove the named entries; every other entry is copied byte for byte.
#include "core/patterns.h"
#include "zip/archive_writer.h"
#include "zip/zip_operations.h"

namespace zipcore {

namespace {

bool NameSelects(const std::string& given, const std::string& stored) {
  if (given == stored || given + "/" == stored) return true;
  return hasWildcards(given) && matchPattern(given, stored);
}

}  // namespace

int RunDelete(ZipSession& s) {
  const ZipCommand& cmd = s.cmd;
  ExistingArchive existing;
  int rc = existing.Open(cmd.archive, cmd.spanned, s.cb);
  if (s.cb.aborted()) return zipabi::zrAborted;
  if (rc) return rc;

  std::vector<char> remove(existing.count(), 0);
  size_t removing = 0;
  for (size_t i = 0; i < existing.count(); ++i) {
    const std::string& name = existing.entry(i).name;
    bool selected = false;
    for (auto& n : cmd.names) selected = selected || NameSelects(n, name);
    for (auto& p : cmd.includes) selected = selected || matchPattern(p, name);
    for (auto& p : cmd.excludes)
      if (matchPattern(p, name)) selected = false;
    if (selected) {
      remove[i] = 1;
      ++removing;
    }
  }
  if (removing == 0) return zipabi::zrNothingToDo;

  bool inPlace = false;
  int error = 0;
  auto sink = s.OpenOutput(&existing, false, &inPlace, &error);
  if (!sink) return error ? error : zipabi::zrTempFileProblem;
  ArchiveWriter writer(*sink);
  if (existing.PrefixLength() > 0 && !cmd.spanned) {
    rc = writer.WriteRaw(existing, 0, existing.PrefixLength());
    if (rc) { sink->Discard(); return rc; }
  }
  std::vector<char> keep(existing.count(), 1);
  for (size_t i = 0; i < existing.count(); ++i) {
    if (!remove[i]) continue;
    keep[i] = 0;
    if (s.cb.sendName(zipabi::zcmDeleting, existing.entry(i).name)) {
      sink->Discard();
      return zipabi::zrAborted;
    }
  }
  rc = writer.CopyKept(existing, keep);
  if (rc) { sink->Discard(); return rc; }
  rc = writer.Finish(existing.index().rawComment);
  if (rc || !sink->Commit()) {
    int code = rc ? rc : (sink->error() ? sink->error() : zipabi::zrTempFileProblem);
    sink->Discard();
    return code;
  }
  return zipabi::zrOk;
}

}  // namespace zipcore
