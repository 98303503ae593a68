// Texts held in fixed-width fields count bytes of UTF-8 (an archive comment of 255 bytes, a
// password of 80), and a text cut to fit one never ends inside a character. This is the one
// routine for that cut: header-only and without Qt, so the engine libraries, their command-line
// front ends and the program all share it.
#pragma once

#include <cstddef>

namespace zipabi {

// How many of the `length` bytes at `text` to keep so that at most `limit` remain and the cut
// falls before a character rather than inside one. A character has at most three continuation
// bytes (10xxxxxx), so bytes that are not UTF-8 are cut at the limit itself.
inline std::size_t Utf8CutLength(const char* text, std::size_t length, std::size_t limit) {
  if (length <= limit) return length;
  const auto continuation = [text](std::size_t at) {
    return (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
  };
  std::size_t end = limit;
  while (end > 0 && limit - end < 3 && continuation(end)) --end;
  return continuation(end) ? limit : end;
}

}  // namespace zipabi
