#include "support/text_helpers.h"

#include <limits>

int FindText(std::string_view text, std::string_view sub) {
  if (text.empty() || sub.empty()) return 0;
  const auto at = text.find(sub);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

int TextLength(std::string_view text) { return static_cast<int>(text.size()); }

std::string MidPart(std::string_view text, int from, int count) {
  if (from < 1) from = 1;
  const auto length = static_cast<int64_t>(text.size());
  if (count <= 0 || from > length) return std::string();
  const int64_t available = length - from + 1;
  const int64_t take = count < available ? count : available;
  return std::string(text.substr(static_cast<size_t>(from - 1), static_cast<size_t>(take)));
}

std::string LeftPart(std::string_view text, int count) { return MidPart(text, 1, count); }

std::string RightPart(std::string_view text, int count) {
  if (count <= 0) return std::string();
  const int64_t from = static_cast<int64_t>(text.size()) - count + 1;
  return MidPart(text, from < 1 ? 1 : static_cast<int>(from), count);
}

std::string IntToText(int32_t value) { return std::to_string(value); }

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int32_t TextToInt(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
    negative = text[at] == '-';
    ++at;
  }
  if (at < text.size() && text[at] == '$') {
    // Hexadecimal spells the 32-bit pattern, so "$FFFFFFFF" is -1.
    ++at;
    uint32_t value = 0;
    for (; at < text.size(); ++at) {
      const int digit = HexDigit(text[at]);
      if (digit < 0 || value > 0x0FFFFFFFu) break;
      value = (value << 4) | static_cast<uint32_t>(digit);
    }
    const auto pattern = static_cast<int32_t>(value);
    return negative ? static_cast<int32_t>(0u - value) : pattern;
  }
  // The limit differs by one between the two signs.
  const int64_t limit = negative ? int64_t{1} << 31 : std::numeric_limits<int32_t>::max();
  int64_t value = 0;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c < '0' || c > '9') break;
    const int64_t next = value * 10 + (c - '0');
    if (next > limit) break;
    value = next;
  }
  return static_cast<int32_t>(negative ? -value : value);
}
