#include "password_session.h"

#include <cstring>

namespace zipeng {

bool PasswordSession::find(zipeng::ArchiveSource& source, zipeng::EntryReader& reader,
                           const zipeng::ZipEntry& entry, std::string& password, bool& aborted) {
  aborted = false;
  if (!current_.empty() && reader.passwordFits(source, entry, current_)) {
    password = current_;
    return true;
  }
  if (declined_) return false;
  for (int asked = 0; asked < kMaxQuestions; ++asked) {
    char buffer[zipabi::kPasswordCapacity];
    std::memset(buffer, 0, sizeof buffer);
    zipabi::TZipLibPwdQuery query{};
    query.FileName = entry.name.c_str();
    query.PasswordBuffer = buffer;
    query.Response = 0;
    if (callback_.send(zipabi::zcmPassword, &query)) {
      aborted = true;
      return false;
    }
    buffer[zipabi::kPasswordCapacity - 1] = '\0';  // never trust the caller to terminate it
    if (query.Response != zipabi::kPasswordSupplied || buffer[0] == '\0') {
      declined_ = true;
      return false;
    }
    std::string answer(buffer);
    if (reader.passwordFits(source, entry, answer)) {
      current_ = answer;
      password = answer;
      return true;
    }
  }
  return false;
}

}  // namespace zipeng
