// Cuts the bytes of a conversation into command lines. A line ends in "\r\n" and holds at most
// platform::kDdeCommandLimit bytes with its line end; a longer one is reported once and the rest
// of it, up to its line end, is dropped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace progman {

struct CommandLine {
  bool tooLong = false;
  std::string text;  // without the line end; empty when too long
};

class CommandLineSplitter {
 public:
  // The lines completed by `bytes`, in order.
  std::vector<CommandLine> Feed(std::string_view bytes);

 private:
  std::string pending_;
  bool skipping_ = false;   // inside a line that was too long
  bool skippedCr_ = false;  // the last dropped byte was "\r"
};

}  // namespace progman
