#include "zip_test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

namespace ztest {

namespace {

int32_t RecordingCallback(int32_t message, void* data, void* userData) {
  auto* r = static_cast<Recorder*>(userData);
  Message m{message, {}};
  switch (message) {
    case zipabi::zcmAdding:
    case zipabi::zcmUpdating:
    case zipabi::zcmStatus: {
      auto* s = static_cast<zipabi::TZipLibFileStats*>(data);
      m.name = s->FileName;
      m.size = s->Size;
      break;
    }
    case zipabi::zcmSkipping: {
      auto* s = static_cast<zipabi::TZipLibSkipping*>(data);
      m.name = s->FileName;
      m.reason = s->Reason;
      break;
    }
    case zipabi::zcmDeleting:
    case zipabi::zcmFixing:
      m.name = static_cast<const char*>(data);
      break;
    case zipabi::zcmNewDisk:
      m.value = *static_cast<int32_t*>(data);
      break;
    case zipabi::zcmFileComment: {
      auto* c = static_cast<zipabi::TZipLibFileComment*>(data);
      m.name = c->FileName;
      if (!r->fileComment.empty()) {
        memcpy(c->CommentBuffer, r->fileComment.data(), r->fileComment.size());
        c->Length = static_cast<uint8_t>(r->fileComment.size());
      }
      break;
    }
    case zipabi::zcmNewArchiveComment: {
      auto* c = static_cast<zipabi::TZipLibCommentText*>(data);
      if (r->answerArchiveComment) {
        memcpy(c->Text, r->archiveComment.data(), r->archiveComment.size());
        c->Length = static_cast<uint16_t>(r->archiveComment.size());
        c->Flag = 1;
      }
      break;
    }
    default:
      break;
  }
  r->messages.push_back(m);
  return (r->abortAt >= 0 && static_cast<long>(r->messages.size()) - 1 >= r->abortAt) ? 1 : 0;
}

}  // namespace

std::vector<std::string> Recorder::NamesOf(int32_t code) const {
  std::vector<std::string> out;
  for (auto& m : messages)
    if (m.code == code) out.push_back(m.name);
  return out;
}

int Recorder::Count(int32_t code) const {
  int n = 0;
  for (auto& m : messages) n += m.code == code;
  return n;
}

int Zip(const std::vector<std::string>& args, Recorder* recorder, const std::string& password) {
  Recorder local;
  if (!recorder) recorder = &local;
  std::vector<std::string> all;
  all.push_back(password);
  all.insert(all.end(), args.begin(), args.end());
  std::vector<const char*> argv;
  for (auto& a : all) argv.push_back(a.c_str());
  int32_t r = zipabi::zipeng(zipabi::kInterfaceVersion, static_cast<int32_t>(argv.size()), argv.data(),
                             RecordingCallback, recorder);
  return r & 0xFFFF;
}

int Sh(const std::string& command, std::string* output) {
  std::string cmd = command + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int status = pclose(p);
  if (output) *output = out;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string& path, const std::string& content, int64_t mtime, mode_t mode) {
  std::string folder = path.substr(0, path.rfind('/'));
  Sh("mkdir -p '" + folder + "'");
  chmod(path.c_str(), 0644);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
  }
  chmod(path.c_str(), mode);
  if (mtime >= 0) {
    struct timeval tv[2] = {{static_cast<time_t>(mtime), 0}, {static_cast<time_t>(mtime), 0}};
    utimes(path.c_str(), tv);
  }
}

std::string RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 g(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(g());
  return s;
}

std::string TextBytes(size_t n, uint32_t seed) {
  static const char* words[] = {"archive ", "entry ", "deflate ", "folder ", "the ", "of ", "zip ", "\n"};
  std::mt19937 g(seed);
  std::string s;
  while (s.size() < n) s += words[g() % 8];
  s.resize(n);
  return s;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

namespace {
void ListInto(const std::string& root, const std::string& rel, std::map<std::string, std::string>& out) {
  DIR* d = opendir((root + (rel.empty() ? "" : "/" + rel)).c_str());
  if (!d) return;
  while (dirent* de = readdir(d)) {
    std::string n = de->d_name;
    if (n == "." || n == "..") continue;
    std::string r = rel.empty() ? n : rel + "/" + n;
    struct stat st {};
    lstat((root + "/" + r).c_str(), &st);
    char line[128];
    if (S_ISDIR(st.st_mode)) {
      snprintf(line, sizeof line, "dir %o", st.st_mode & 07777);
      out[r + "/"] = line;
      ListInto(root, r, out);
    } else {
      std::string content = ReadFile(root + "/" + r);
      snprintf(line, sizeof line, "file %o %lld %lld %zu ", st.st_mode & 07777,
               static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtime),
               std::hash<std::string>()(content));
      out[r] = line;
    }
  }
  closedir(d);
}
}  // namespace

std::map<std::string, std::string> TreeListing(const std::string& root) {
  std::map<std::string, std::string> out;
  ListInto(root, "", out);
  return out;
}

void ZipTest::SetUp() {
  char templ[] = "/tmp/zipeng-test-XXXXXX";
  const char* base = getenv("TMPDIR");
  std::string t = std::string(base && *base ? base : "/tmp") + "/zipeng-test-XXXXXX";
  std::vector<char> buf(t.begin(), t.end());
  buf.push_back('\0');
  char* made = mkdtemp(buf.data());
  (void)templ;
  ASSERT_NE(made, nullptr);
  dir_ = made;
  unsetenv("PARCELIX_DISK_SIZE");
  // Names are given relative to the scratch folder, as a user adding from a folder would.
  ASSERT_EQ(chdir(dir_.c_str()), 0);
}

void ZipTest::TearDown() {
  if (chdir("/") != 0) ADD_FAILURE();
  unsetenv("PARCELIX_DISK_SIZE");
  if (!dir_.empty()) Sh("chmod -R u+rwx '" + dir_ + "'; rm -rf '" + dir_ + "'");
}

void ZipTest::MakeMixedTree(const std::string& rel) {
  std::string root = P(rel);
  WriteFile(root + "/readme.txt", TextBytes(5000, 1), 1600000001);
  WriteFile(root + "/empty.dat", "", 1600000003);
  WriteFile(root + "/random.bin", RandomBytes(70000, 2), 1600000005);
  WriteFile(root + "/docs/manual.txt", TextBytes(300000, 3), 1500000000);
  WriteFile(root + "/docs/deep/er/still.txt", TextBytes(1000, 4), 1400000007);
  WriteFile(root + "/docs/readonly.txt", "do not touch\n", 1600000009, 0444);
  WriteFile(root + "/exec.sh", "#!/bin/sh\necho hi\n", 1600000011, 0755);
  WriteFile(root + "/na\xC3\xAFve name.txt", "utf-8 name\n", 1600000013);
  Sh("mkdir -p '" + root + "/emptyfolder'");
}

void ZipTest::ExpectAllToolsAccept(const std::string& archive, const std::string& password) {
  std::string out;
  std::string pw = password.empty() ? "" : " -P '" + password + "'";
  EXPECT_EQ(Sh("unzip -t" + pw + " '" + archive + "'", &out), 0) << out;
  std::string pw7 = password.empty() ? "" : " -p'" + password + "'";
  EXPECT_EQ(Sh("7zz t" + pw7 + " '" + archive + "'", &out), 0) << out;
  std::string py = "python3 -c \"import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); ";
  if (!password.empty()) py += "z.setpassword(sys.argv[2].encode()); ";
  py += "r=z.testzip(); sys.exit(0 if r is None else 1)\" '" + archive + "'";
  if (!password.empty()) py += " '" + password + "'";
  EXPECT_EQ(Sh(py, &out), 0) << out;
}

std::string ZipTest::UnzipTo(const std::string& archive, const std::string& password) {
  static int n = 0;
  std::string target = P("out" + std::to_string(++n));
  std::string out;
  std::string pw = password.empty() ? "" : " -P '" + password + "'";
  EXPECT_EQ(Sh("unzip -q -o" + pw + " '" + archive + "' -d '" + target + "'", &out), 0) << out;
  return target;
}

size_t FullDisk::room(size_t size) {
  uint64_t left = written_ < limit_ ? limit_ - written_ : 0;
  return static_cast<size_t>(std::min<uint64_t>(left, size));
}

ssize_t FullDisk::write(int fd, const void* data, size_t size) {
  size_t n = room(size);
  if (n == 0 && size > 0) return errno = ENOSPC, -1;
  ssize_t done = zipeng::FileLayer::write(fd, data, n);
  if (done > 0) written_ += static_cast<uint64_t>(done);
  return done;
}

ssize_t FullDisk::pwrite(int fd, const void* data, size_t size, off_t offset) {
  size_t n = room(size);
  if (n == 0 && size > 0) return errno = ENOSPC, -1;
  ssize_t done = zipeng::FileLayer::pwrite(fd, data, n, offset);
  if (done > 0) written_ += static_cast<uint64_t>(done);
  return done;
}

int FullDisk::ftruncate(int fd, off_t length) {
  if (dying_)
    limit_ = written_;
  else
    written_ = 0;
  return zipeng::FileLayer::ftruncate(fd, length);
}

ssize_t FullDisk::copyFileRange(int, off_t*, int, off_t*, size_t) {
  return errno = EXDEV, -1;
}

}  // namespace ztest
