// Helpers for the decompression library's tests: a private folder per test, running the peer
// tools, building archives byte by byte (for hostile ones), calling the library through its
// entry point and recording every callback message.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/engine_files.h"
#include "zipengine_abi.h"

namespace testkit {

// A fresh folder under $TMPDIR, removed with everything in it at destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A small, deliberately permissive archive builder: whatever name, sizes and offsets a test asks
// for are written as given.
struct RawEntry {
  std::string name;
  std::string data;  // uncompressed content
  bool deflate = false;
  int method = -1;                  // with `packed`: data already compressed by this method
  uint16_t versionMadeBy = 0x031E;  // Unix
  uint32_t externalAttributes = (0100644u << 16);
  uint16_t flags = 0;
  uint16_t dosTime = 0x6000;  // 12:00:00
  uint16_t dosDate = 0x5A21;  // 2025-01-01
  std::string comment;
  std::string packed;
  std::string localExtra;  // extra fields, written as given
  std::string centralExtra;
  // Overrides applied to the central header only (lying directories).
  int64_t centralCompressedSize = -1;
  int64_t centralUncompressedSize = -1;
  int64_t centralOffset = -1;
  int64_t centralCrc = -1;
};
RawEntry rawFile(const std::string& name, const std::string& data, bool deflate = false);
RawEntry rawLink(const std::string& name, const std::string& target);  // a symbolic link
std::string deflateRaw(const std::string& data);
uint32_t crc32Of(const std::string& data);
std::string buildArchive(const std::vector<RawEntry>& entries, const std::string& comment = "");

// One recorded callback message.
struct Message {
  int32_t code = 0;
  std::string name;
  int64_t size = 0, packed = 0;
  uint8_t ratio = 0, attributes = 0, percent = 0, reason = 0;
  uint32_t dosDateTime = 0;
  int32_t value = 0;  // 70, 110, 1080
  std::string text;   // 130 comment
};

// Calls the library and records its messages. Answers are scripted by the fields below.
class Library {
 public:
  Library();
  ~Library();
  bool loaded() const { return entry_ != nullptr; }

  // Element 0 first, then the rest, as the component sends them. Returns the result code.
  int32_t run(const std::vector<std::string>& vector);
  int32_t query(const std::string& archive, int32_t selector);

  std::vector<Message> messages;
  std::vector<Message> of(int32_t code) const;
  std::vector<std::string> names(int32_t code) const;

  // Scripted answers.
  uint8_t replaceAnswer = 0;                      // message 10
  std::vector<std::string> renameAnswers;         // message 10: new names, in turn, before replaceAnswer
  std::vector<std::string> passwordAnswers;       // message 100, in turn; none left: response 0
  std::function<bool(const Message&)> abortWhen;  // return true to answer 1

 private:
  static int32_t callback(int32_t message, void* data, void* userData);
  void* module_ = nullptr;
  zipabi::EngineEntryFn entry_ = nullptr;
  size_t passwordsUsed_ = 0;
  size_t renamesUsed_ = 0;
};

}  // namespace testkit
