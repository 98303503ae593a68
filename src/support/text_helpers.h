// Small text routines shared by the windows: counted, 1-based positions over the bytes of a
// text, and the two number conversions used for settings values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Position (1-based) of the first occurrence of `sub` in `text`; 0 when absent or either is empty.
int FindText(std::string_view text, std::string_view sub);

// Number of characters (bytes) of `text`.
int TextLength(std::string_view text);

// Up to `count` characters starting at `from` (a `from` below 1 counts as 1); empty when
// `from` lies past the end or `count` is 0 or less.
std::string MidPart(std::string_view text, int from, int count);

// The first `count` characters; empty for a count of 0 or less, the whole text when longer.
std::string LeftPart(std::string_view text, int count);

// The last `count` characters; empty for a count of 0 or less, the whole text when longer.
std::string RightPart(std::string_view text, int count);

// Decimal, with a leading "-" when negative and no separators.
std::string IntToText(int32_t value);

// The 32-bit integer that `text` spells: leading blanks, an optional sign, an optional "$"
// introducing hexadecimal digits, then digits. A stray character or an overflow ends the
// number: the digits read before it count, with their sign.
int32_t TextToInt(std::string_view text);
