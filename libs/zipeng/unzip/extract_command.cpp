#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "commands.h"
#include "core/entry_reader.h"
#include "core/safe_path.h"
#include "core/unique_fd.h"
#include "file_output.h"
#include "output_tree.h"
#include "password_session.h"
#include "progress.h"
#include "write_ahead.h"

namespace zipeng {

namespace {

constexpr size_t kMaxLinkTarget = 4095;

bool diskFull(int error) {
  return error == ENOSPC || error == EDQUOT;
}

// Errors that files written ahead of an entry may have caused: they had taken the room, the
// quota or the descriptors it needed.
bool shortOfResources(int error) {
  return diskFull(error) || error == EMFILE || error == ENFILE || error == ENOMEM;
}

std::string temporaryName(const std::string& leaf) {
  static thread_local std::mt19937 random{std::random_device{}()};
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".px%08x", static_cast<unsigned>(random()));
  std::string name = "." + leaf;
  if (name.size() > 200) name.resize(200);
  return name + suffix;
}

// Components of a relative path.
std::vector<std::string> components(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    if (slash > start) parts.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

// Follows a link target from the link's folder over what is on disk now: it must not climb
// above the target folder, and every component it passes through must be a real folder (not a
// link, not a file that a later entry could turn into a link), or a folder that does not exist
// yet, after which it may not climb at all.
bool linkResolvesInside(int rootFd, const std::string& linkPath, const std::string& target) {
  std::vector<std::string> stack = components(linkPath);
  if (stack.empty()) return false;
  stack.pop_back();
  bool missing = false;
  const std::vector<std::string> parts = components(target);
  for (size_t k = 0; k < parts.size(); ++k) {
    const std::string& part = parts[k];
    if (part == ".") continue;
    if (part == "..") {
      if (missing || stack.empty()) return false;
      stack.pop_back();
      continue;
    }
    stack.push_back(part);
    if (missing) continue;
    std::string path;
    for (size_t i = 0; i < stack.size(); ++i) path += (i ? "/" : "") + stack[i];
    struct stat st;
    if (fstatat(rootFd, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      missing = true;
      continue;
    }
    if (S_ISLNK(st.st_mode)) return false;
    bool passesThrough = false;
    for (size_t j = k + 1; j < parts.size(); ++j) passesThrough = passesThrough || parts[j] != ".";
    if (passesThrough && !S_ISDIR(st.st_mode)) return false;
  }
  return true;
}

bool pureDescent(const std::string& target) {
  for (const std::string& part : components(target))
    if (part == "." || part == "..") return false;
  return !target.empty() && target.front() != '/';
}

class Extractor {
 public:
  explicit Extractor(Session& session)
      : s_(session), passwords_(session.command.password, session.callback) {}

  int32_t run();

 private:
  enum class Existing { Replace, Keep, Failed };
  int32_t extractAll(const std::vector<size_t>& selected);
  void entry(const zipeng::ZipEntry& e);
  // The permissions stored for the folders, once everything is written, deepest first: a folder
  // the archive makes read-only or closed must not keep its own files out.
  void applyFolderModes();
  void skip(const std::string& name, uint8_t reason, bool counts = true) {
    if (counts) ++skipped_;
    if (s_.callback.sendSkipping(name, reason)) fatal_ = zipabi::zrAborted;
  }
  Existing decideExisting(int dirFd, const std::string& leaf, const std::string& relative,
                          std::string& newLeaf);
  // The one step before a file or a link is written over a name that is taken: asks about it (or
  // follows the overwrite switches); to replace, looks the folder up again, since answering may
  // have let the caller change the tree. Null when the entry is not written (already reported);
  // `newLeaf` is the new name an answer gave, if any.
  FolderHandle replaceTaken(const zipeng::ZipEntry& e, int dirFd, const std::string& leaf,
                            const std::string& relative, std::string& newLeaf);
  void writeFile(const zipeng::ZipEntry& e, int dirFd, const std::string& leaf, const std::string& relative,
                 const std::string& password);
  // After an entry's file was written (or failed): what is reported, and what is removed.
  void fileDone(const zipeng::ZipEntry& e, int dirFd, const std::string& written, const FileFilled& filled);
  // The file could not be created.
  void openFailed(const zipeng::ZipEntry& e, int error);
  void writeLink(const zipeng::ZipEntry& e, int dirFd, const std::string& leaf, const std::string& relative,
                 const std::string& password);
  bool upToDate(const zipeng::ZipEntry& e, int dirFd, const std::string& leaf, bool& exists);

  Session& s_;
  OutputTree tree_;
  std::unique_ptr<WriteAhead> ahead_;  // small files written on the other cores
  size_t position_ = 0;                // of the entry being extracted, in the selection
  zipeng::EntryReader reader_;
  PasswordSession passwords_;
  size_t skipped_ = 0;
  int32_t fatal_ = 0;
  struct FolderMode {
    mode_t mode;
    const std::string* name;  // of its entry
  };
  std::map<std::string, FolderMode> folderModes_;  // by relative path; the last entry wins
  static constexpr int kMaxRenameQuestions = 16;
  int renameQuestions_ = 0;
};

int32_t Extractor::run() {
  if (int32_t rc = s_.open(); rc != zipabi::zrOk) return rc;
  size_t unmatched = 0;
  auto selected = s_.selectEntries(unmatched);
  if (s_.callback.aborted()) return zipabi::zrAborted;
  skipped_ = unmatched;
  if (!s_.command.names.empty() && selected.empty()) return zipabi::zrNothingToDo;
  if (!tree_.open(s_.command.directory)) return diskFull(errno) ? zipabi::zrDiskFull : zipabi::zrCannotAccess;
  std::vector<const ZipEntry*> order;
  order.reserve(selected.size());
  for (size_t i : selected) order.push_back(&s_.index.entries[i]);
  // Freshening and updating look at what is on disk at each entry's turn: no writing ahead.
  const bool ahead = !s_.command.freshen && !s_.command.update;
  ahead_ =
      std::make_unique<WriteAhead>(s_.source, tree_, s_.command.junkPaths, std::move(order), ahead ? 0 : 1);
  const int32_t rc = extractAll(selected);
  ahead_->stop();
  applyFolderModes();
  if (fatal_) return fatal_;
  if (rc != zipabi::zrOk) return rc;
  return skipped_ ? zipabi::zrSomeSkipped : zipabi::zrOk;
}

int32_t Extractor::extractAll(const std::vector<size_t>& selected) {
  for (position_ = 0; position_ < selected.size(); ++position_) {
    entry(s_.index.entries[selected[position_]]);
    if (fatal_) return fatal_;
    if (s_.callback.aborted()) return zipabi::zrAborted;
  }
  return zipabi::zrOk;
}

void Extractor::applyFolderModes() {
  std::vector<std::pair<size_t, decltype(folderModes_)::const_iterator>> deepestFirst;
  deepestFirst.reserve(folderModes_.size());
  for (auto it = folderModes_.begin(); it != folderModes_.end(); ++it)
    deepestFirst.emplace_back(std::count(it->first.begin(), it->first.end(), '/'), it);
  std::stable_sort(deepestFirst.begin(), deepestFirst.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& [depth, it] : deepestFirst)
    if (!tree_.restrictFolder(it->first, it->second.mode) && !fatal_ && !s_.callback.aborted())
      skip(*it->second.name, zipabi::zsrCannotOpen);
}

bool Extractor::upToDate(const zipeng::ZipEntry& e, int dirFd, const std::string& leaf, bool& exists) {
  struct stat st;
  exists = fstatat(dirFd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  if (!exists) return false;
  // DOS times have two-second steps: a file within that of the entry is as new as it.
  int64_t slack = e.hasUnixMtime ? 0 : 1;
  return static_cast<int64_t>(st.st_mtime) + slack >= e.mtime();
}

Extractor::Existing Extractor::decideExisting(int dirFd, const std::string& leaf, const std::string& relative,
                                              std::string& newLeaf) {
  struct stat st;
  if (fstatat(dirFd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
    return Existing::Failed;
  if (s_.command.alwaysOverwrite) return Existing::Replace;
  if (s_.command.neverOverwrite) return Existing::Keep;
  std::string full = tree_.root() + "/" + relative;
  std::vector<char> buffer(zipabi::kReplaceNameCapacity, '\0');
  zipabi::TZipLibReplace question{};
  question.FileName = full.c_str();
  question.NewNameBuffer = buffer.data();
  question.Answer = 0;
  if (s_.callback.send(zipabi::zcmReplace, &question)) {
    fatal_ = zipabi::zrAborted;
    return Existing::Keep;
  }
  buffer.back() = '\0';
  std::string answer(buffer.data());
  // A new name is taken only as a plain name in the same folder: it must not lead elsewhere.
  if (!answer.empty() && answer.find('/') == std::string::npos && answer != "." && answer != ".." &&
      answer != leaf) {
    // A new name that is taken too is asked about in its turn, never replaced unasked.
    struct stat taken;
    if (fstatat(dirFd, answer.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0) {
      if (++renameQuestions_ > kMaxRenameQuestions) return Existing::Keep;
      std::string folder = relative.substr(0, relative.size() - leaf.size());
      std::string again;
      Existing next = decideExisting(dirFd, answer, folder + answer, again);
      newLeaf = again.empty() ? answer : again;
      return next;
    }
    newLeaf = answer;
    return Existing::Replace;
  }
  return question.Answer == 1 ? Existing::Replace : Existing::Keep;
}

FolderHandle Extractor::replaceTaken(const zipeng::ZipEntry& e, int dirFd, const std::string& leaf,
                                     const std::string& relative, std::string& newLeaf) {
  switch (decideExisting(dirFd, leaf, relative, newLeaf)) {
    case Existing::Failed:
      skip(e.name, zipabi::zsrCannotOpen);
      return nullptr;
    case Existing::Keep:
      if (!fatal_) skip(e.name, zipabi::zsrUpToDate, false);
      return nullptr;
    case Existing::Replace:
      break;
  }
  std::string sameLeaf;
  FolderHandle again = tree_.parentOf(relative, sameLeaf);
  if (!again) skip(e.name, zipabi::zsrCannotOpen);
  return again;
}

void Extractor::entry(const zipeng::ZipEntry& e) {
  if (e.isVolumeLabel()) return;
  const Command& c = s_.command;
  const WriteAhead::Plan* plan = ahead_->plan(position_);
  if (plan && shortOfResources(plan->error)) {
    // Its folder could not be made, perhaps only because of what was written ahead (below).
    ahead_->stop();
    plan = nullptr;
  }
  auto relative =
      plan ? std::optional<std::string>(plan->relative) : zipeng::safeRelativePath(e.name, c.junkPaths);
  if (e.isDirectory()) {
    if (c.junkPaths || !relative) return;
    errno = plan ? plan->error : 0;
    if (plan ? plan->error != 0 : !tree_.makeFolder(*relative)) {
      if (diskFull(errno))
        fatal_ = zipabi::zrDiskFull;
      else
        skip(e.name, zipabi::zsrCannotOpen);
    } else if (mode_t mode; folderModeOf(e, mode)) {
      folderModes_[*relative] = {mode, &e.name};
    }
    return;
  }
  if (!relative) return skip(e.name, zipabi::zsrCannotOpen);
  if (!e.readable()) return skip(e.name, zipabi::zsrUnknownCompression);

  std::string leaf;
  FolderHandle folder;
  if (plan) {
    folder = plan->folder;
    leaf = plan->leaf;
    errno = plan->error;
  } else {
    folder = tree_.parentOf(*relative, leaf);
  }
  if (!folder) {
    if (diskFull(errno))
      fatal_ = zipabi::zrDiskFull;
    else
      skip(e.name, zipabi::zsrCannotOpen);
    return;
  }
  const int dirFd = folder->get();
  if (c.freshen || c.update) {
    bool exists = false;
    if (upToDate(e, dirFd, leaf, exists)) return skip(e.name, zipabi::zsrUpToDate, false);
    if (!exists && c.freshen && !c.update) return;  // freshen takes only files that exist
  }
  std::string password;
  if (e.encrypted()) {
    bool aborted = false;
    if (!passwords_.find(s_.source, reader_, e, password, aborted)) {
      if (aborted) {
        fatal_ = zipabi::zrAborted;
        return;
      }
      return skip(e.name, zipabi::zsrBadPassword);
    }
  }
  renameQuestions_ = 0;
  if (s_.callback.sendStats(zipabi::zcmExtracting, e)) {
    fatal_ = zipabi::zrAborted;
    return;
  }
  if (plan) {
    const WriteAhead::Plan& done = ahead_->take(position_, reader_);
    const bool opened = done.opened;
    const int error =
        opened ? (done.filled.status == zipeng::EntryStatus::SinkFailed ? done.filled.writeError : 0)
               : done.openError;
    if (shortOfResources(error)) {
      // Perhaps only because of what was written ahead: those files go, and this entry and
      // the rest are extracted one by one, as they would have been.
      ahead_->stop();
      if (opened) unlinkat(dirFd, leaf.c_str(), 0);
    } else if (opened) {
      return fileDone(e, dirFd, leaf, done.filled);
    } else if (error != EEXIST) {
      return openFailed(e, error);
    }
    // There already (or written again here): asked about like any other.
  }
  if (e.isSymlink())
    writeLink(e, dirFd, leaf, *relative, password);
  else
    writeFile(e, dirFd, leaf, *relative, password);
}

void Extractor::writeFile(const zipeng::ZipEntry& e, int dirFd, const std::string& leaf,
                          const std::string& relative, const std::string& password) {
  const mode_t mode = fileModeOf(e);
  std::string target = leaf;   // the name the file ends up under
  std::string written = leaf;  // the name written now (a temporary one when replacing)
  bool replacing = false;
  UniqueFd fd(openat(dirFd, leaf.c_str(), kNewFileFlags, mode));
  FolderHandle again;  // the folder looked up again after a question
  if (!fd && errno == EEXIST) {
    std::string newLeaf;
    again = replaceTaken(e, dirFd, leaf, relative, newLeaf);
    if (!again) return;
    if (!newLeaf.empty()) target = newLeaf;
    dirFd = again->get();
    fd.reset(newLeaf.empty() ? -1 : openat(dirFd, target.c_str(), kNewFileFlags, mode));
    if (!fd) {
      replacing = true;
      written = temporaryName(target);
      fd.reset(openat(dirFd, written.c_str(), kNewFileFlags, mode));
    } else {
      written = target;
    }
  }
  if (!fd) return openFailed(e, errno);
  ProgressReporter progress(s_.callback, e);
  FileFilled filled =
      fillFile(fd, s_.source, reader_, e, password, e.mtime(), replacing, progress.function());
  if (filled.status == zipeng::EntryStatus::Ok && replacing &&
      renameat(dirFd, written.c_str(), dirFd, target.c_str()) != 0) {
    filled.writeError = errno;
    filled.status = zipeng::EntryStatus::SinkFailed;
  }
  fileDone(e, dirFd, written, filled);
}

void Extractor::openFailed(const zipeng::ZipEntry& e, int error) {
  if (diskFull(error))
    fatal_ = zipabi::zrDiskFull;
  else
    skip(e.name, zipabi::zsrCannotOpen);
}

void Extractor::fileDone(const zipeng::ZipEntry& e, int dirFd, const std::string& written,
                         const FileFilled& filled) {
  if (filled.status == zipeng::EntryStatus::Ok) return;
  // Nothing of a failed entry stays behind, and an existing file is left as it was.
  unlinkat(dirFd, written.c_str(), 0);
  if (filled.status == zipeng::EntryStatus::Aborted || s_.callback.aborted()) {
    fatal_ = zipabi::zrAborted;
  } else if (filled.status == zipeng::EntryStatus::OutOfMemory) {
    fatal_ = zipabi::zrOutOfMemory;
  } else if (filled.status == zipeng::EntryStatus::SinkFailed && diskFull(filled.writeError)) {
    fatal_ = zipabi::zrDiskFull;
  } else {
    skip(e.name, zipeng::skipReasonOf(filled.status));
  }
}

void Extractor::writeLink(const zipeng::ZipEntry& e, int dirFd, const std::string& leaf,
                          const std::string& relative, const std::string& password) {
  std::string target;
  auto sink = [&](const uint8_t* data, size_t size) {
    if (target.size() + size > kMaxLinkTarget) return false;
    target.append(reinterpret_cast<const char*>(data), size);
    return true;
  };
  auto status = reader_.read(s_.source, e, password, sink);
  if (status == zipeng::EntryStatus::Aborted || s_.callback.aborted()) {
    fatal_ = zipabi::zrAborted;
    return;
  }
  if (status == zipeng::EntryStatus::OutOfMemory) {
    fatal_ = zipabi::zrOutOfMemory;
    return;
  }
  if (status == zipeng::EntryStatus::SinkFailed) status = zipeng::EntryStatus::Corrupt;
  if (status != zipeng::EntryStatus::Ok) return skip(e.name, zipeng::skipReasonOf(status));
  if (target.find('\0') != std::string::npos || !zipeng::linkTargetStaysInside(relative, target) ||
      !linkResolvesInside(tree_.rootFd(), relative, target))
    return skip(e.name, zipabi::zsrCannotOpen);
  if (symlinkat(target.c_str(), dirFd, leaf.c_str()) == 0) return;
  if (errno != EEXIST) {
    if (diskFull(errno))
      fatal_ = zipabi::zrDiskFull;
    else
      skip(e.name, zipabi::zsrCannotOpen);
    return;
  }
  std::string newLeaf;
  FolderHandle again = replaceTaken(e, dirFd, leaf, relative, newLeaf);
  if (!again) return;
  dirFd = again->get();
  std::string finalName = newLeaf.empty() ? leaf : newLeaf;
  struct stat st;
  // Earlier links were judged with this one as it stood; only a plain descent may replace a link.
  if (fstatat(dirFd, finalName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode) &&
      !pureDescent(target))
    return skip(e.name, zipabi::zsrCannotOpen);
  std::string temp = temporaryName(finalName);
  if (symlinkat(target.c_str(), dirFd, temp.c_str()) != 0 ||
      renameat(dirFd, temp.c_str(), dirFd, finalName.c_str()) != 0) {
    unlinkat(dirFd, temp.c_str(), 0);
    return skip(e.name, zipabi::zsrCannotOpen);
  }
}

}  // namespace

int32_t extractEntries(Session& session) {
  return Extractor(session).run();
}

}  // namespace zipeng
