// Sending callback messages to the caller and remembering the abort answer.
#pragma once

#include <cstdint>
#include <string>

#include "zipengine_abi.h"

namespace zipeng {

struct ZipEntry;

class Callback {
 public:
  Callback(zipabi::EngineCallbackFn fn, void* userData) : fn_(fn), userData_(userData) {}

  // Sends one message; returns true when the caller asked to stop (then aborted() stays true).
  bool send(int32_t message, void* data);
  bool aborted() const { return aborted_; }

  // Convenience senders.
  bool sendStats(int32_t message, const ZipEntry& entry, uint8_t percentDone = 0);
  bool sendSkipping(const std::string& name, uint8_t reason);
  bool sendName(int32_t message, const std::string& name);  // 1020, 1070
  bool sendInt(int32_t message, int32_t value);              // 70, 110

  // Fills a record from an entry; the record points into `entry`, so it lives as long as it.
  static void fillStats(const ZipEntry& entry, zipabi::TZipLibFileStats& stats, uint8_t percentDone = 0);

 private:
  zipabi::EngineCallbackFn fn_;
  void* userData_;
  bool aborted_ = false;
};

}  // namespace zipeng
