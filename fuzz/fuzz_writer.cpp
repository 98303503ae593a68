// Round trip through both libraries' entry points. The input picks a small tree of files (nested
// folders, odd names, sizes up to about 200 KB of zeros, repeats, random or input bytes); each of
// three switch sets ("-r -6", "-r -0", "-r -9 -e" with a password) adds it to a new archive,
// "-g" appends one more file in place, "-d" removes one entry, and "-o -d OUT" extracts it all.
// Every operation must succeed, every kept file must read back byte for byte, the removed one
// must be gone, nothing else may appear, and no temporary file or rollback record may remain.
#include <dirent.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_files.h"
#include "zipengine_abi.h"

namespace {

using fuzzkit::children;
using fuzzkit::readAll;
using fuzzkit::removeTree;

constexpr size_t kMaxFiles = 6;
constexpr size_t kMaxFileSize = 200 * 1024;
constexpr size_t kMaxTotal = 600 * 1024;  // keeps one execution well under a second

struct Answers {
  std::string password;
};

int32_t answer(int32_t message, void* data, void* userData) {
  auto* answers = static_cast<Answers*>(userData);
  if (message == zipabi::zcmPassword) {
    auto* query = static_cast<zipabi::TZipLibPwdQuery*>(data);
    snprintf(query->PasswordBuffer, zipabi::kPasswordCapacity, "%s", answers->password.c_str());
    query->Response = zipabi::kPasswordSupplied;
  }
  return 0;
}

int32_t call(bool zip, const std::vector<std::string>& args, const std::string& password) {
  Answers answers{password};
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  auto entry = zip ? zipabi::zipeng : zipabi::unzeng;
  int32_t value = entry(zipabi::kInterfaceVersion, static_cast<int32_t>(argv.size()),
                        static_cast<void*>(argv.data()), answer, &answers);
  return value & 0xFFFF;
}

[[noreturn]] void fail(const std::string& step, const std::string& why) {
  fprintf(stderr, "fuzz_writer: %s: %s\n", step.c_str(), why.c_str());
  __builtin_trap();
}

void expectOk(int32_t rc, const std::string& step) {
  if (rc != zipabi::zrOk) fail(step, "result " + std::to_string(rc));
}

// Regular files under `root` by relative name; a link or anything else fails the step.
void collect(const std::string& root, const std::string& relative, std::map<std::string, std::string>& out,
             const std::string& step) {
  std::string folder = relative.empty() ? root : root + "/" + relative;
  for (const auto& name : children(folder)) {
    std::string rel = relative.empty() ? name : relative + "/" + name;
    struct stat st;
    if (lstat((root + "/" + rel).c_str(), &st) != 0) fail(step, "vanished while read: " + rel);
    if (S_ISDIR(st.st_mode))
      collect(root, rel, out, step);
    else if (S_ISREG(st.st_mode))
      out[rel] = readAll(root + "/" + rel);
    else
      fail(step, "not a file or folder: " + rel);
  }
}

void writeFile(const std::string& root, const std::string& rel, const std::string& content) {
  for (size_t slash = rel.find('/'); slash != std::string::npos; slash = rel.find('/', slash + 1))
    mkdir((root + "/" + rel.substr(0, slash)).c_str(), 0755);
  std::ofstream out(root + "/" + rel, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) fail("setup", "cannot write " + rel);
}

std::string content(FuzzedDataProvider& in, size_t& budget) {
  size_t size = 0;
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      break;
    case 1:
      size = in.ConsumeIntegralInRange<size_t>(1, 512);
      break;
    case 2:
      size = in.ConsumeIntegralInRange<size_t>(513, 16 * 1024);
      break;
    default:
      size = in.ConsumeIntegralInRange<size_t>(16 * 1024, kMaxFileSize);
      break;
  }
  size = std::min(size, budget);
  budget -= size;
  std::string out;
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      out.assign(size, '\0');
      break;
    case 1: {  // a short pattern repeated: long matches for deflate
      std::string unit = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<size_t>(1, 32));
      if (unit.empty()) unit = "ab";
      while (out.size() < size) out += unit;
      out.resize(size);
      break;
    }
    case 2: {  // incompressible
      std::mt19937 random(in.ConsumeIntegral<uint32_t>());
      out.resize(size);
      for (auto& c : out) c = static_cast<char>(random());
      break;
    }
    default: {  // the input's own bytes, repeated as needed
      std::string unit = in.ConsumeBytesAsString(size);
      if (unit.empty()) unit.assign(1, '\x8b');
      while (out.size() < size) out += unit;
      out.resize(size);
      break;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string home = [] {
    char cwd[PATH_MAX];
    return std::string(getcwd(cwd, sizeof cwd) ? cwd : "/");
  }();
  FuzzedDataProvider in(data, size);

  // Folder parts and file suffixes: spaces, UTF-8, a dot, a long part; no pattern characters,
  // as "-d" takes names as patterns. Files are numbered, so a file never shares a folder's name.
  static const char* kFolders[] = {"a",
                                   "Sub",
                                   "deep",
                                   "x y",
                                   "\xc3\xa9t\xc3\xa9",
                                   "n.d",
                                   "long_folder_name_that_goes_on_and_on_for_a_good_while_0123456789"};
  static const char* kSuffixes[] = {"", ".txt", ".bin", " copy", "-\xe2\x82\xac", ".tar.gz"};
  std::map<std::string, std::string> files;
  size_t budget = kMaxTotal;
  size_t count = in.ConsumeIntegralInRange<size_t>(1, kMaxFiles);
  for (size_t i = 0; i < count; ++i) {
    std::string name;
    int depth = in.ConsumeIntegralInRange<int>(0, 3);
    for (int k = 0; k < depth; ++k) name += std::string(in.PickValueInArray(kFolders)) + "/";
    name += "f" + std::to_string(i) + in.PickValueInArray(kSuffixes);
    files[name] = content(in, budget);
  }
  std::string password = in.ConsumeRandomLengthString(24);
  password.erase(std::remove(password.begin(), password.end(), '\0'), password.end());
  if (password.empty()) password = "pw";
  // Appended with "-g" into a folder the first add did not name.
  const std::string appendedName = "g/appended.dat";
  const std::string appended = content(in, budget);
  const size_t victimPick = in.ConsumeIntegral<size_t>();

  const char* base = getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/fuzz-writer-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) return 0;
  const std::string scratch = buffer.data();
  const std::string src = scratch + "/src";
  mkdir(src.c_str(), 0755);
  std::set<std::string> tops;
  for (const auto& [name, bytes] : files) {
    writeFile(src, name, bytes);
    tops.insert(name.substr(0, name.find('/')));
  }
  writeFile(src, appendedName, appended);
  // Names are given relative to the source folder, as a user adding from it would.
  if (chdir(src.c_str()) != 0) fail("setup", "cannot enter the source folder");

  struct SwitchSet {
    std::vector<std::string> switches;
    bool encrypt;
  };
  const SwitchSet sets[] = {{{"-6"}, false}, {{"-0"}, false}, {{"-9", "-e"}, true}};
  std::set<std::string> expectedScratch = {"src"};
  for (size_t s = 0; s < 3; ++s) {
    const SwitchSet& set = sets[s];
    const std::string pw = set.encrypt ? password : "";
    const std::string archive = scratch + "/a" + std::to_string(s) + ".zip";
    const std::string out = scratch + "/out" + std::to_string(s);
    const std::string label = "set " + std::to_string(s);
    expectedScratch.insert("a" + std::to_string(s) + ".zip");
    expectedScratch.insert("out" + std::to_string(s));

    std::vector<std::string> args = {pw, "-r"};
    args.insert(args.end(), set.switches.begin(), set.switches.end());
    args.push_back(archive);
    args.insert(args.end(), tops.begin(), tops.end());
    expectOk(call(true, args, pw), label + " add");

    args = {pw, "-g"};
    args.insert(args.end(), set.switches.begin(), set.switches.end());
    args.push_back(archive);
    args.push_back(appendedName);
    expectOk(call(true, args, pw), label + " append -g");

    std::map<std::string, std::string> expected = files;
    expected[appendedName] = appended;
    auto victim = expected.begin();
    std::advance(victim, victimPick % expected.size());
    const std::string victimName = victim->first;
    expected.erase(victim);
    expectOk(call(true, {pw, "-d", archive, victimName}, pw), label + " delete " + victimName);

    expectOk(call(false, {pw, "-o", archive, "-d", out}, pw), label + " extract");
    std::map<std::string, std::string> got;
    collect(out, "", got, label + " extract");
    for (const auto& [name, bytes] : expected) {
      auto it = got.find(name);
      if (it == got.end()) fail(label, "missing after extraction: " + name);
      if (it->second != bytes)
        fail(label, "differs after extraction: " + name + " (" + std::to_string(it->second.size()) +
                        " bytes, expected " + std::to_string(bytes.size()) + ")");
    }
    for (const auto& [name, bytes] : got)
      if (!expected.count(name))
        fail(label, (name == victimName ? "deleted entry extracted: " : "unexpected file: ") + name);
  }
  // The sources are left as they were, and temporary copies and rollback records are gone once
  // the operations have returned.
  std::map<std::string, std::string> sources;
  collect(src, "", sources, "after all sets");
  std::map<std::string, std::string> written = files;
  written[appendedName] = appended;
  if (sources != written) fail("after all sets", "source folder changed");
  for (const auto& name : children(scratch))
    if (!expectedScratch.count(name)) fail("after all sets", "stray file beside the archives: " + name);

  if (chdir(home.c_str()) != 0) __builtin_trap();
  removeTree(scratch);
  return 0;
}
