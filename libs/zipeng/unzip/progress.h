// Message 1030 with the current entry's percentage while a long entry is read.
#pragma once

#include "core/archive_index.h"
#include "core/callback.h"
#include "core/entry_reader.h"

namespace zipeng {

// From this size on, reading an entry reports its progress.
inline constexpr uint64_t kProgressSize = 2u << 20;

class ProgressReporter {
 public:
  ProgressReporter(zipeng::Callback& callback, const zipeng::ZipEntry& entry)
      : callback_(callback), entry_(entry) {}
  // Empty for entries too small to need it.
  zipeng::ProgressFn function() {
    if (entry_.uncompressedSize < kProgressSize) return {};
    return [this](uint64_t produced) {
      uint64_t percent = entry_.uncompressedSize ? produced * 100 / entry_.uncompressedSize : 100;
      if (percent > 100) percent = 100;
      if (static_cast<int>(percent) == last_) return !callback_.aborted();
      last_ = static_cast<int>(percent);
      return !callback_.sendStats(zipabi::zcmStatus, entry_, static_cast<uint8_t>(percent));
    };
  }

 private:
  zipeng::Callback& callback_;
  const zipeng::ZipEntry& entry_;
  int last_ = -1;
};

}  // namespace zipeng
