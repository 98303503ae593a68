// Sending callback messages to the caller and remembering the abort answer.
#pragma once

#include <cstdint>
#include <string>

#include "zipengine_abi.h"

namespace zipeng {

struct ZipEntry;

// What an entry record tells the caller, from an archive's entry or from one being written.
struct EntryFacts {
  const std::string* name = nullptr;
  uint64_t size = 0;
  uint64_t packed = 0;
  uint32_t crc = 0;
  uint8_t attributes = 0;
  uint32_t dosDateTime = 0;
  uint16_t method = 0;
  bool encrypted = false;
  const std::string* comment = nullptr;
};
EntryFacts factsOf(const ZipEntry& entry);
// Space saved in percent, rounded to the nearest.
uint8_t ratioPercent(uint64_t size, uint64_t packed);

class Callback {
 public:
  Callback(zipabi::EngineCallbackFn fn, void* userData) : fn_(fn), userData_(userData) {}

  // Sends one message; returns true when the caller asked to stop (then aborted() stays true).
  bool send(int32_t message, void* data);
  bool aborted() const { return aborted_; }

  // Convenience senders.
  bool sendStats(int32_t message, const ZipEntry& entry, uint8_t percentDone = 0);
  bool sendStats(int32_t message, const EntryFacts& facts, uint8_t percentDone = 0);
  bool sendSkipping(const std::string& name, uint8_t reason);
  bool sendName(int32_t message, const std::string& name);  // 1020, 1070
  bool sendInt(int32_t message, int32_t value);             // 70, 110

  // The one place a record is filled; it points into the facts' strings, so it lives as long as
  // they do.
  static void fillStats(const EntryFacts& facts, zipabi::TZipLibFileStats& stats, uint8_t percentDone = 0);

 private:
  zipabi::EngineCallbackFn fn_;
  void* userData_;
  bool aborted_ = false;
};

}  // namespace zipeng
