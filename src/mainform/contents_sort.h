// The order of the contents list: ascending by one column, chosen by ActiveColumn.
#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <string_view>

// What a row is compared by in one column: its text for Name and Path, a number for the others
// (the date, the date and time, or the whole number read from the Size, Packed or Ratio text).
struct TSortKey {
  QStringView Text;
  std::int64_t Number = 0;
};

// Below 0: A first; 0: equal; above 0: B first. Texts compare by character code, so case
// matters ("Zeta.txt" before "alpha.txt") and a text that begins another comes first.
int ListViewCompare(const TSortKey& A, const TSortKey& B, int ActiveColumn);

// The text without leading and trailing blanks and control characters, keeping only "0" to "9"
// and "."; "0" when nothing is left.
QString NumericPart(const QString& Text);

// The whole number a Size or Packed text stands for: the locale's thousands separator is
// dropped first (so "1.234" under a full-stop separator reads 1234, not 1), then NumericPart,
// then the leading digits. 64 bits wide, since entries may exceed 2 GiB.
std::int64_t ReadSizeText(const QString& Text, QChar GroupSeparator);

// Leading blanks skipped, then the decimal digits up to the first other character; 0 when the
// text starts with no digit.
std::int64_t ReadWholeNumber(QStringView Text);

// Two UTF-8 texts compared in the order their UTF-16 forms have (the order of ListViewCompare):
// byte order, except that the characters U+E000 to U+FFFF come after those beyond U+FFFF, whose
// UTF-16 form starts with a surrogate. Below 0: A first; 0: equal; above 0: B first.
int CompareUtf8AsUtf16(std::string_view A, std::string_view B);

// The first eight bytes of a UTF-8 text as a number that orders as CompareUtf8AsUtf16 does
// (shorter texts padded with zeros): different numbers decide, equal ones need the full texts.
std::uint64_t Utf8SortPrefix(std::string_view Text);
