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

uint8_t ratioPercent(uint64_t size, uint64_t packed) {
  if (size == 0 || packed >= size) return 0;
  long double r = static_cast<long double>(size - packed) * 100.0L / static_cast<long double>(size);
  unsigned v = static_cast<unsigned>(r + 0.5L);
  return static_cast<uint8_t>(v > 100 ? 100 : v);
}

EntryFacts factsOf(const ZipEntry& entry) {
  EntryFacts f;
  f.name = &entry.name;
  f.size = entry.uncompressedSize;
  f.packed = entry.compressedSize;
  f.crc = entry.crc;
  f.attributes = entry.dosAttributes();
  f.dosDateTime = entry.displayDosDateTime();
  f.method = entry.method;
  f.encrypted = entry.encrypted();
  f.comment = &entry.comment;
  return f;
}

void Callback::fillStats(const EntryFacts& facts, zipabi::TZipLibFileStats& stats, uint8_t percentDone) {
  static const std::string empty;
  const std::string& comment = facts.comment ? *facts.comment : empty;
  std::memset(&stats, 0, sizeof stats);
  stats.FileName = facts.name ? facts.name->c_str() : "";
  stats.Size = static_cast<int64_t>(facts.size);
  stats.CompressedSize = static_cast<int64_t>(facts.packed);
  stats.LibraryValue1 = facts.crc;
  stats.Attributes = facts.attributes;
  stats.DosDateTime = facts.dosDateTime;
  stats.LibraryValue2 = facts.method;
  stats.Ratio = ratioPercent(facts.size, facts.packed);
  stats.PercentDone = percentDone;
  stats.LibraryFlag = facts.encrypted ? 1 : 0;
  stats.Comment = comment.data();
  // At most 255 bytes, never ending inside a UTF-8 sequence.
  stats.CommentLength = static_cast<uint8_t>(cutUtf8(comment, 255).size());
}

bool Callback::sendStats(int32_t message, const EntryFacts& facts, uint8_t percentDone) {
  zipabi::TZipLibFileStats stats;
  fillStats(facts, stats, percentDone);
  return send(message, &stats);
}

bool Callback::sendStats(int32_t message, const ZipEntry& entry, uint8_t percentDone) {
  return sendStats(message, factsOf(entry), percentDone);
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
