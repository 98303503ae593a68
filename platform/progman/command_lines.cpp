#include "platform/progman/command_lines.h"

#include "platform/dde_endpoint.h"

namespace progman {

std::vector<CommandLine> CommandLineSplitter::Feed(std::string_view bytes) {
  std::vector<CommandLine> lines;
  for (const char c : bytes) {
    if (skipping_) {
      skipping_ = !(skippedCr_ && c == '\n');
      skippedCr_ = c == '\r';
      continue;
    }
    pending_ += c;
    if (pending_.ends_with("\r\n")) {
      pending_.resize(pending_.size() - 2);
      lines.push_back({false, std::move(pending_)});
      pending_.clear();
    } else if (pending_.size() >= platform::kDdeCommandLimit) {
      lines.push_back({true, {}});
      skipping_ = true;
      skippedCr_ = pending_.back() == '\r';
      pending_.clear();
    }
  }
  return lines;
}

}  // namespace progman
