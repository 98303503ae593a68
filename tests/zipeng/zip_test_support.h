// Helpers for the write-side tests: a scratch folder, files with chosen contents, times and
// permissions, calling the library with a recording callback, and running the common tools.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/engine_files.h"
#include "core/file_layer.h"
#include "zipengine_abi.h"

namespace ztest {

struct Message {
  int32_t code;
  std::string name;
  int reason = -1;   // 1060
  int64_t size = 0;  // 1000/1010
  int value = 0;     // 110
};

// Records every message; can stop the library at the n-th message and answers 120 / 140.
struct Recorder {
  std::vector<Message> messages;
  long abortAt = -1;                  // index of the message answered with 1
  std::string fileComment;            // answer to 120
  bool answerArchiveComment = false;  // answer 140 with archiveComment
  std::string archiveComment;

  std::vector<std::string> namesOf(int32_t code) const;
  int count(int32_t code) const;
};

// Calls the library with element 0 = password, then args.
int zip(const std::vector<std::string>& args, Recorder* recorder = nullptr, const std::string& password = "");

// The file and process helpers both engine suites share (sh, writeFile, treeListing, ...).
using namespace testkit;

// A disk that fills up: every write past `limit` bytes (counted over the whole operation) fails
// with ENOSPC, and in-kernel copies are refused so they take the counted path. Truncating frees
// the space again, unless `dying`: then nothing more can be written after a truncation (the
// device failed while the old bytes were being put back). In place for as long as it lives.
class FullDisk : public zipeng::FileLayer {
 public:
  explicit FullDisk(uint64_t limit, bool dying = false) : limit_(limit), dying_(dying) {
    zipeng::setFileLayer(this);
  }
  ~FullDisk() override { zipeng::setFileLayer(nullptr); }
  ssize_t write(int fd, const void* data, size_t size) override;
  ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) override;
  ssize_t copyFileRange(int, off_t*, int, off_t*, size_t) override;
  int ftruncate(int fd, off_t length) override;

 private:
  size_t room(size_t size);
  uint64_t limit_;
  bool dying_;
  uint64_t written_ = 0;
};

// Runs the reading library's front end, built beside the tests, with `arguments` (quoted as the
// shell needs), and returns the N of its last line "result N" (-1 without one).
int readThrough(const std::string& arguments);

class ZipTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string scratch(const std::string& rel) const { return dir_ + "/" + rel; }
  // A tree of ordinary files: text, random, empty, nested, a read-only file, odd times.
  void makeMixedTree(const std::string& rel);
  // unzip -t, 7zz t and zipfile.testzip all pass.
  void expectAllToolsAccept(const std::string& archive, const std::string& password = "");
  // Extracts with unzip into a fresh folder and returns it.
  std::string unzipTo(const std::string& archive, const std::string& password = "");
  std::string dir_;
};

}  // namespace ztest
