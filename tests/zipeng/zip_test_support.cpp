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

int32_t recordingCallback(int32_t message, void* data, void* userData) {
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

std::vector<std::string> Recorder::namesOf(int32_t code) const {
  std::vector<std::string> out;
  for (auto& m : messages)
    if (m.code == code) out.push_back(m.name);
  return out;
}

int Recorder::count(int32_t code) const {
  int n = 0;
  for (auto& m : messages) n += m.code == code;
  return n;
}

int zip(const std::vector<std::string>& args, Recorder* recorder, const std::string& password) {
  Recorder local;
  if (!recorder) recorder = &local;
  std::vector<std::string> all;
  all.push_back(password);
  all.insert(all.end(), args.begin(), args.end());
  std::vector<const char*> argv;
  for (auto& a : all) argv.push_back(a.c_str());
  int32_t r = zipabi::zipeng(zipabi::kInterfaceVersion, static_cast<int32_t>(argv.size()), argv.data(),
                             recordingCallback, recorder);
  return r & 0xFFFF;
}

int readThrough(const std::string& arguments) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return -1;
  std::string tool(self, static_cast<size_t>(n));
  tool = tool.substr(0, tool.rfind('/')) + "/unzeng";
  std::string out;
  sh("'" + tool + "' " + arguments + " | tail -n 1", &out);
  return out.rfind("result ", 0) == 0 ? std::atoi(out.c_str() + 7) : -1;
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
  if (!dir_.empty()) sh("chmod -R u+rwx '" + dir_ + "'; rm -rf '" + dir_ + "'");
}

void ZipTest::makeMixedTree(const std::string& rel) {
  std::string root = scratch(rel);
  writeFile(root + "/readme.txt", textBytes(5000, 1), 1600000001);
  writeFile(root + "/empty.dat", "", 1600000003);
  writeFile(root + "/random.bin", randomBytes(70000, 2), 1600000005);
  writeFile(root + "/docs/manual.txt", textBytes(300000, 3), 1500000000);
  writeFile(root + "/docs/deep/er/still.txt", textBytes(1000, 4), 1400000007);
  writeFile(root + "/docs/readonly.txt", "do not touch\n", 1600000009, 0444);
  writeFile(root + "/exec.sh", "#!/bin/sh\necho hi\n", 1600000011, 0755);
  writeFile(root + "/na\xC3\xAFve name.txt", "utf-8 name\n", 1600000013);
  sh("mkdir -p '" + root + "/emptyfolder'");
}

void ZipTest::expectAllToolsAccept(const std::string& archive, const std::string& password) {
  std::string out;
  std::string pw = password.empty() ? "" : " -P '" + password + "'";
  EXPECT_EQ(sh("unzip -t" + pw + " '" + archive + "'", &out), 0) << out;
  std::string pw7 = password.empty() ? "" : " -p'" + password + "'";
  EXPECT_EQ(sh("7zz t" + pw7 + " '" + archive + "'", &out), 0) << out;
  std::string py = "python3 -c \"import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); ";
  if (!password.empty()) py += "z.setpassword(sys.argv[2].encode()); ";
  py += "r=z.testzip(); sys.exit(0 if r is None else 1)\" '" + archive + "'";
  if (!password.empty()) py += " '" + password + "'";
  EXPECT_EQ(sh(py, &out), 0) << out;
}

std::string ZipTest::unzipTo(const std::string& archive, const std::string& password) {
  static int n = 0;
  std::string target = scratch("out" + std::to_string(++n));
  std::string out;
  std::string pw = password.empty() ? "" : " -P '" + password + "'";
  EXPECT_EQ(sh("unzip -q -o" + pw + " '" + archive + "' -d '" + target + "'", &out), 0) << out;
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
