// Names and comments without the UTF-8 flag are code page 437.
#pragma once

#include <string>
#include <string_view>

namespace zipeng {

std::string cp437ToUtf8(std::string_view text);
bool isValidUtf8(std::string_view text);
bool isAscii(std::string_view text);
// Cuts `text` to at most `maxBytes` without splitting a UTF-8 sequence.
std::string_view cutUtf8(std::string_view text, size_t maxBytes);

}  // namespace zipeng
