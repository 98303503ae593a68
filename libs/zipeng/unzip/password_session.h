// Finding the password for each encrypted entry: element 0 first, then the password that
// worked last, then asking the caller (message 100) a few times.
#pragma once

#include <string>

#include "core/archive_index.h"
#include "core/archive_source.h"
#include "core/callback.h"
#include "core/entry_reader.h"

namespace zipeng {

class PasswordSession {
 public:
  PasswordSession(const std::string& initial, zipeng::Callback& callback)
      : current_(initial), callback_(callback) {}

  static constexpr int kMaxQuestions = 3;

  // The password to use for `entry`, or nothing (skip with reason 5). Sets `aborted` when the
  // caller answered a question with stop.
  bool find(zipeng::ArchiveSource& source, zipeng::EntryReader& reader, const zipeng::ZipEntry& entry,
            std::string& password, bool& aborted);

 private:
  std::string current_;
  zipeng::Callback& callback_;
  bool declined_ = false;  // the caller gave no password once: do not ask again this operation
};

}  // namespace zipeng
