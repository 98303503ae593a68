// Extracts arbitrary bytes as an archive through the decompression library's entry point into a
// folder of a fresh scratch folder: without overwrite switch (the replace questions answered
// keep and replace in turn), with "-o", and with "-j". After each run nothing may exist in the
// scratch folder but the untouched archive and the target folder, no symbolic link in the target
// may lead out of it, and no file in it may carry set-user-ID or set-group-ID bits. Listing and
// testing run first, as they share the parse.
#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_files.h"
#include "zipengine_abi.h"

namespace {

using fuzzkit::children;
using fuzzkit::readAll;
using fuzzkit::removeTree;

constexpr const char* kPassword = "pw";  // the password of the encrypted seeds

struct Answers {
  unsigned replaceQuestions = 0;
};

// Reads what a record points at, so a bad pointer or length from the library shows at once.
void touch(const char* text, size_t length) {
  volatile char sink = 0;
  for (size_t i = 0; i < length; ++i) sink = static_cast<char>(sink ^ text[i]);
}

int32_t answer(int32_t message, void* data, void* userData) {
  auto* answers = static_cast<Answers*>(userData);
  switch (message) {
    case zipabi::zcmPassword: {
      auto* query = static_cast<zipabi::TZipLibPwdQuery*>(data);
      touch(query->FileName, strlen(query->FileName));
      snprintf(query->PasswordBuffer, zipabi::kPasswordCapacity, "%s", kPassword);
      query->Response = zipabi::kPasswordSupplied;
      break;
    }
    case zipabi::zcmReplace: {
      // Keep and replace in turn, so both ways past an existing file are taken.
      auto* question = static_cast<zipabi::TZipLibReplace*>(data);
      touch(question->FileName, strlen(question->FileName));
      question->Answer = (answers->replaceQuestions++ & 1) ? 1 : 0;
      break;
    }
    case zipabi::zcmTesting:
    case zipabi::zcmExtracting:
    case zipabi::zcmListing:
    case zipabi::zcmEntryStats:
    case zipabi::zcmStatus: {
      auto* stats = static_cast<zipabi::TZipLibFileStats*>(data);
      touch(stats->FileName, strlen(stats->FileName));
      if (stats->CommentLength) touch(stats->Comment, stats->CommentLength);
      break;
    }
    case zipabi::zcmSkipping: {
      auto* skipping = static_cast<zipabi::TZipLibSkipping*>(data);
      touch(skipping->FileName, strlen(skipping->FileName));
      break;
    }
    case zipabi::zcmArchiveComment: {
      auto* comment = static_cast<zipabi::TZipLibCommentText*>(data);
      touch(comment->Text, comment->Length);
      break;
    }
    default:
      break;
  }
  return 0;
}

int32_t unzeng(std::vector<std::string> args, Answers& answers) {
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  int32_t value = zipabi::unzeng(zipabi::kInterfaceVersion, static_cast<int32_t>(argv.size()),
                                 static_cast<void*>(argv.data()), answer, &answers);
  return value & 0xFFFF;
}

[[noreturn]] void fail(const char* run, const char* why, const std::string& path) {
  fprintf(stderr, "fuzz_extract: after %s: %s: %s\n", run, why, path.c_str());
  __builtin_trap();
}

// Where `path` leads when followed as the kernel would, taking a part that does not exist yet as
// a plain folder: a dangling link counts by where it would lead once its target is made.
std::string resolve(const std::string& path) {
  char real[PATH_MAX];
  if (realpath(path.c_str(), real)) return real;
  std::vector<std::string> todo;  // components still to walk, the next one last
  auto push = [&todo](const std::string& p) {
    std::vector<std::string> parts;
    size_t at = 0;
    while (at <= p.size()) {
      size_t slash = p.find('/', at);
      if (slash == std::string::npos) slash = p.size();
      parts.push_back(p.substr(at, slash - at));
      at = slash + 1;
    }
    todo.insert(todo.end(), parts.rbegin(), parts.rend());
  };
  push(path);
  std::string current;  // "" is the root
  int hops = 0;
  while (!todo.empty()) {
    std::string part = todo.back();
    todo.pop_back();
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      current.erase(current.empty() ? 0 : current.rfind('/'));
      continue;
    }
    std::string next = current + "/" + part;
    struct stat st;
    if (lstat(next.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      if (++hops > 40) return "";  // a loop leads nowhere
      char target[PATH_MAX];
      ssize_t n = readlink(next.c_str(), target, sizeof target);
      if (n <= 0) return "";
      std::string text(target, static_cast<size_t>(n));
      if (text[0] == '/') current.clear();
      push(text);
      continue;
    }
    current = next;
  }
  return current.empty() ? "/" : current;
}

bool inside(const std::string& path, const std::string& folder) {
  return path == folder || path.compare(0, folder.size() + 1, folder + "/") == 0;
}

void checkTarget(const char* run, const std::string& folder, const std::string& targetReal) {
  for (const auto& name : children(folder)) {
    std::string path = folder + "/" + name;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) continue;
    if (S_ISLNK(st.st_mode)) {
      std::string leads = resolve(path);
      if (!leads.empty() && !inside(leads, targetReal))
        fail(run, ("link leads out to " + leads).c_str(), path);
    } else if (S_ISDIR(st.st_mode)) {
      checkTarget(run, path, targetReal);
    } else if (st.st_mode & (S_ISUID | S_ISGID)) {
      fail(run, "set-ID bit restored", path);
    }
  }
}

void check(const char* run, const std::string& scratch, const std::string& archive, const std::string& bytes,
           const std::string& target) {
  for (const auto& name : children(scratch)) {
    std::string path = scratch + "/" + name;
    if (path == archive) {
      struct stat st;
      if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || readAll(path) != bytes)
        fail(run, "archive changed", path);
    } else if (path != target) {
      fail(run, "written outside the target folder", path);
    }
  }
  struct stat st;
  if (lstat(target.c_str(), &st) != 0) return;
  if (!S_ISDIR(st.st_mode)) fail(run, "target folder is not a folder", target);
  char real[PATH_MAX];
  if (!realpath(target.c_str(), real)) fail(run, "target folder does not resolve", target);
  checkTarget(run, target, real);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string home = [] {
    char cwd[PATH_MAX];
    return std::string(getcwd(cwd, sizeof cwd) ? cwd : "/");
  }();
  const char* base = getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/fuzz-extract-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) return 0;
  char real[PATH_MAX];
  if (!realpath(buffer.data(), real)) return 0;
  const std::string scratch = real;
  const std::string archive = scratch + "/archive.zip";
  const std::string target = scratch + "/target";
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(archive, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  // Anything the library writes relative to the working folder lands where the check sees it.
  if (chdir(scratch.c_str()) != 0) __builtin_trap();

  Answers answers;
  unzeng({"", "-v", archive}, answers);
  unzeng({kPassword, "-t", archive}, answers);
  check("-v/-t", scratch, archive, bytes, target);
  unzeng({"", archive, "-d", target}, answers);  // fresh folder: no questions yet
  check("no switch", scratch, archive, bytes, target);
  unzeng({kPassword, "-o", archive, "-d", target}, answers);
  check("-o", scratch, archive, bytes, target);
  unzeng({"", "-j", archive, "-d", target}, answers);
  check("-j", scratch, archive, bytes, target);
  unzeng({kPassword, "-j", "-o", archive, "-d", target}, answers);
  check("-j -o", scratch, archive, bytes, target);

  if (chdir(home.c_str()) != 0) __builtin_trap();
  removeTree(scratch);
  return 0;
}
