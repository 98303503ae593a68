// Text that arrives from another process becomes file names and menu text only through these
// checks, so no name can climb out of the menu folders or smuggle control characters into a file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace progman {

// Well-formed UTF-8 without any control character (C0, DEL or C1), so it can stand on one line of
// a desktop entry as it is, and without bidirectional controls or other invisible characters, so a
// menu entry cannot pass for another.
bool IsCleanText(std::string_view text);

// A group name the service accepts: clean, not empty, without "/" and without "..".
bool IsAcceptableGroupName(std::string_view name);

// Brackets and parentheses close in order and none is left open.
bool IsBalanced(std::string_view text);

// A piece of a file name made of ASCII letters, digits, "_" and "-" only (every other byte becomes
// "_"), at most `limit` bytes.
std::string FileNamePart(std::string_view text, std::size_t limit);

// 16 lower-case hex digits that tell different texts apart (64-bit FNV-1a), so two names that
// look alike once made safe still get files of their own.
std::string Fingerprint(std::string_view text);

}  // namespace progman
