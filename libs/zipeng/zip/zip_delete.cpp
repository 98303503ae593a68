// "-d": remove the named entries; every other entry is copied byte for byte.
#include <unordered_set>

#include "core/patterns.h"
#include "zip/archive_writer.h"
#include "zip/zip_operations.h"

namespace zipeng {

namespace {

// The names of a delete command: plain names match exactly (a folder also without its "/"),
// names with wildcards as patterns.
class Selection {
 public:
  explicit Selection(const ZipCommand& cmd) : excludes_(cmd.excludes) {
    for (auto& n : cmd.names) {
      if (hasWildcards(n)) {
        patterns_.push_back(n);
      } else {
        exact_.insert(n);
        exact_.insert(n + "/");
      }
    }
    patterns_.insert(patterns_.end(), cmd.includes.begin(), cmd.includes.end());
  }
  bool selects(const std::string& stored) const {
    bool selected = exact_.count(stored) > 0;
    for (size_t i = 0; !selected && i < patterns_.size(); ++i) selected = matchPattern(patterns_[i], stored);
    for (size_t i = 0; selected && i < excludes_.size(); ++i) selected = !matchPattern(excludes_[i], stored);
    return selected;
  }

 private:
  std::unordered_set<std::string> exact_;
  std::vector<std::string> patterns_;
  std::vector<std::string> excludes_;
};

}  // namespace

int runDelete(ZipSession& s) {
  const ZipCommand& cmd = s.cmd;
  ExistingArchive existing;
  int rc = existing.open(cmd.archive, cmd.spanned, s.cb);
  if (s.cb.aborted()) return zipabi::zrAborted;
  if (rc) return rc;

  Selection selection(cmd);
  std::vector<char> remove(existing.count(), 0);
  size_t removing = 0;
  for (size_t i = 0; i < existing.count(); ++i) {
    if (selection.selects(existing.entry(i).name)) {
      remove[i] = 1;
      ++removing;
    }
  }
  if (removing == 0) return zipabi::zrNothingToDo;

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
