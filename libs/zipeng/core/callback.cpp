#include "callback.h"

#include <cstring>

#include "archive_index.h"
#include "cp437.h"

namespace zipeng {

bool Callback::send(int32_t message, void* data) {
  if (fn_ == nullptr) return aborted_;
  if (fn_(message, data, userData_) == 1) aborted_ = true;
  return aborted_;
}

void Callback::fillStats(const ZipEntry& entry, zipabi::TZipLibFileStats& stats, uint8_t percentDone) {
  std::memset(&stats, 0, sizeof stats);
  stats.FileName = entry.name.c_str();
  stats.Size = static_cast<int64_t>(entry.uncompressedSize);
  stats.CompressedSize = static_cast<int64_t>(entry.compressedSize);
  stats.LibraryValue1 = entry.crc;
  stats.Attributes = entry.dosAttributes();
  stats.DosDateTime = entry.displayDosDateTime();
  stats.LibraryValue2 = entry.method;
  stats.Ratio = entry.ratio();
  stats.PercentDone = percentDone;
  stats.LibraryFlag = entry.encrypted() ? 1 : 0;
  stats.Comment = entry.comment.data();
  // At most 255 bytes, never ending inside a UTF-8 sequence.
  stats.CommentLength = static_cast<uint8_t>(cutUtf8(entry.comment, 255).size());
}

bool Callback::sendStats(int32_t message, const ZipEntry& entry, uint8_t percentDone) {
  zipabi::TZipLibFileStats stats;
  fillStats(entry, stats, percentDone);
  return send(message, &stats);
}

bool Callback::sendSkipping(const std::string& name, uint8_t reason) {
  zipabi::TZipLibSkipping record{};
  record.FileName = name.c_str();
  record.Reason = reason;
  return send(zipabi::zcmSkipping, &record);
}

bool Callback::sendName(int32_t message, const std::string& name) {
  return send(message, const_cast<char*>(name.c_str()));
}

bool Callback::sendInt(int32_t message, int32_t value) {
  int32_t copy = value;
  return send(message, &copy);
}

}  // namespace zipeng
