#include "mainform/contents_sort.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

int ListViewCompare(const TSortKey& A, const TSortKey& B, int ActiveColumn) {
  if (ActiveColumn == 0 || ActiveColumn == 6) return A.Text.compare(B.Text, Qt::CaseSensitive);
  if (A.Number < B.Number) return -1;
  return A.Number > B.Number ? 1 : 0;
}

QString NumericPart(const QString& Text) {
  auto strip = [](QChar c) { return c.unicode() <= 32; };
  qsizetype first = 0, last = Text.size();
  while (first < last && strip(Text[first])) ++first;
  while (last > first && strip(Text[last - 1])) --last;
  QString kept;
  kept.reserve(last - first);
  for (qsizetype i = first; i < last; ++i)
    if ((Text[i] >= u'0' && Text[i] <= u'9') || Text[i] == u'.') kept.append(Text[i]);
  return kept.isEmpty() ? QStringLiteral("0") : kept;
}

std::int64_t ReadWholeNumber(QStringView Text) {
  qsizetype i = 0;
  while (i < Text.size() && Text[i] == u' ') ++i;
  std::int64_t value = 0;
  for (; i < Text.size() && Text[i] >= u'0' && Text[i] <= u'9'; ++i) {
    if (value > (INT64_MAX - 9) / 10) break;  // an overflow ends the number
    value = value * 10 + (Text[i].unicode() - u'0');
  }
  return value;
}

std::int64_t ReadSizeText(const QString& Text, QChar GroupSeparator) {
  QString plain = Text;
  if (GroupSeparator == u'.') plain.remove(GroupSeparator);
  return ReadWholeNumber(NumericPart(plain));
}

namespace {

// A UTF-8 byte as its place in UTF-16 order. Lead bytes 0xEE and 0xEF start U+E000 to U+FFFF,
// which UTF-16 puts after the surrogates of U+10000 and above (lead bytes 0xF0 to 0xF4); 0xF5
// and 0xF6 never occur in UTF-8, so moving them there keeps every other order. Continuation
// bytes (0x80 to 0xBF) compare only after equal leads and keep their places.
unsigned Utf16Place(unsigned char Byte) {
  return Byte == 0xEE || Byte == 0xEF ? Byte + 7u : Byte;
}

}  // namespace

int CompareUtf8AsUtf16(std::string_view A, std::string_view B) {
  const std::size_t common = std::min(A.size(), B.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto a = static_cast<unsigned char>(A[i]), b = static_cast<unsigned char>(B[i]);
    if (a != b) return Utf16Place(a) < Utf16Place(b) ? -1 : 1;
  }
  if (A.size() == B.size()) return 0;
  return A.size() < B.size() ? -1 : 1;
}

std::uint64_t Utf8SortPrefix(std::string_view Text) {
  std::uint64_t prefix = 0;
  if (Text.size() >= 8) {
    std::memcpy(&prefix, Text.data(), 8);
    prefix = qFromBigEndian(prefix);
  } else {
    for (std::size_t i = 0; i < 8; ++i)
      prefix = (prefix << 8) | (i < Text.size() ? static_cast<unsigned char>(Text[i]) : 0u);
  }
  // Only the lead bytes 0xEE and 0xEF move; plain ASCII, the most usual case, has none.
  if ((prefix & 0x8080808080808080ULL) == 0) return prefix;
  std::uint64_t placed = 0;
  for (int shift = 56; shift >= 0; shift -= 8)
    placed = (placed << 8) | Utf16Place(static_cast<unsigned char>(prefix >> shift));
  return placed;
}
