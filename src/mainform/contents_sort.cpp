#include "mainform/contents_sort.h"

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
