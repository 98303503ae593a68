#include "platform/progman/safe_names.h"

#include <cstdint>
#include <vector>

namespace progman {

namespace {

// Length of the UTF-8 sequence starting at `text[at]` and its code point; 0 when malformed
// (bad lead or continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
std::size_t DecodeUtf8(std::string_view text, std::size_t at, std::uint32_t& codePoint) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  std::uint32_t minimum = 0;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, codePoint = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, codePoint = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(at + i) & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return 0;
  return length;
}

// Characters that draw as nothing yet change what a text says or how it reads: the default
// ignorable code points of Unicode (bidirectional controls, zero-width characters, fillers, tags,
// variation selectors, ...) and the line and paragraph separators.
bool IsInvisible(std::uint32_t c) {
  static constexpr std::uint32_t kRanges[][2] = {
      {0x00AD, 0x00AD},   {0x034F, 0x034F},   {0x061C, 0x061C}, {0x115F, 0x1160}, {0x17B4, 0x17B5},
      {0x180B, 0x180F},   {0x200B, 0x200F},   {0x2028, 0x202E}, {0x2060, 0x206F}, {0x3164, 0x3164},
      {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},   {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3},
      {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF},
  };
  for (const auto& [first, last] : kRanges)
    if (c >= first && c <= last) return true;
  return false;
}

}  // namespace

bool IsCleanText(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    std::uint32_t codePoint = 0;
    const std::size_t length = DecodeUtf8(text, at, codePoint);
    if (length == 0) return false;
    if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F) || IsInvisible(codePoint)) return false;
    at += length;
  }
  return true;
}

bool IsAcceptableGroupName(std::string_view name) {
  return !name.empty() && IsCleanText(name) && name.find('/') == std::string_view::npos &&
         name.find("..") == std::string_view::npos;
}

bool IsBalanced(std::string_view text) {
  std::vector<char> open;
  for (const char c : text) {
    if (c == '(' || c == '[') {
      open.push_back(c);
    } else if (c == ')' || c == ']') {
      if (open.empty() || open.back() != (c == ')' ? '(' : '[')) return false;
      open.pop_back();
    }
  }
  return open.empty();
}

std::string FileNamePart(std::string_view text, std::size_t limit) {
  std::string part;
  for (const char c : text.substr(0, limit)) {
    const bool kept =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    part += kept ? c : '_';
  }
  return part;
}

std::string Fingerprint(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) hex[i] = kDigits[hash & 0xF];
  return hex;
}

}  // namespace progman
