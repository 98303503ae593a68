#include "mainform/contents_model.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>
#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <numeric>

#include "mainform/contents_sort.h"

namespace {

const char* const kHeaders[TContentsModel::kColumnCount] = {
    QT_TRANSLATE_NOOP("TContentsModel", "Name"),   QT_TRANSLATE_NOOP("TContentsModel", "Date"),
    QT_TRANSLATE_NOOP("TContentsModel", "Time"),   QT_TRANSLATE_NOOP("TContentsModel", "Size"),
    QT_TRANSLATE_NOOP("TContentsModel", "Packed"), QT_TRANSLATE_NOOP("TContentsModel", "Ratio"),
    QT_TRANSLATE_NOOP("TContentsModel", "Path")};

const QDate kDayZero(1899, 12, 30);

// Where a packed row's time counts from: 1 January 1980, the first time a ZIP entry can carry,
// in seconds since kDayZero. 32 bits reach into 2116.
constexpr std::int64_t kTimeBase = 29221LL * 86400;

std::int64_t DayOf(std::int64_t timeKey) {
  return timeKey >= 0 ? timeKey / 86400 : -((-timeKey + 86399) / 86400);
}

bool IsSeparator(char16_t c) {
  return c == u'/' || c == u'\\' || c == u':';
}

bool IsAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether Text holds Needle (already in lower case), ASCII letters in either case.
bool ContainsAsciiNoCase(std::string_view text, std::string_view needle) {
  if (needle.size() > text.size()) return false;
  for (std::size_t at = 0; at + needle.size() <= text.size(); ++at) {
    std::size_t i = 0;
    while (i < needle.size() && AsciiLower(text[at + i]) == needle[i]) ++i;
    if (i == needle.size()) return true;
  }
  return false;
}

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QDate DateOf(std::int64_t dateKey) {
  return kDayZero.addDays(dateKey);
}

// The user's long time format without the time zone: an entry's time has none.
QString LongTimeFormat(const QLocale& locale) {
  QString format = locale.timeFormat(QLocale::LongFormat);
  format.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b")));
  return format.trimmed();
}

Qt::Alignment AlignmentOf(int column) {
  if (column == 3 || column == 4) return Qt::AlignRight | Qt::AlignVCenter;
  if (column == 5) return Qt::AlignHCenter | Qt::AlignVCenter;
  return Qt::AlignLeft | Qt::AlignVCenter;
}

template <typename A, typename B>
bool ByKey(const A& Left, const B& Right) {
  return Left.Key < Right.Key;
}

// Sorts entries by their 64-bit keys, stably: a byte of the key at a time from the lowest, each
// pass skipped when every key has the same byte there (as a shared beginning of names does).
// Linear in the number of rows, where comparing sorts spend most of a large listing's sort.
template <typename Iterator>
void SortByKey(Iterator Begin, Iterator End) {
  using Entry = typename std::iterator_traits<Iterator>::value_type;
  const auto count = static_cast<std::size_t>(std::distance(Begin, End));
  if (count < 256) {
    std::stable_sort(Begin, End, ByKey<Entry, Entry>);
    return;
  }
  std::vector<std::array<std::size_t, 256>> histograms(8);
  for (Iterator e = Begin; e != End; ++e)
    for (std::size_t byte = 0; byte < 8; ++byte) ++histograms[byte][(e->Key >> (8 * byte)) & 0xFF];
  std::vector<Entry, TUnfilled<Entry>> buffer(count);
  Entry* from = &*Begin;
  Entry* to = buffer.data();
  for (std::size_t byte = 0; byte < 8; ++byte) {
    std::array<std::size_t, 256>& places = histograms[byte];
    if (places[(from->Key >> (8 * byte)) & 0xFF] == count) continue;
    std::size_t sum = 0;
    for (std::size_t& place : places) sum += std::exchange(place, sum);
    for (std::size_t i = 0; i < count; ++i) to[places[(from[i].Key >> (8 * byte)) & 0xFF]++] = from[i];
    std::swap(from, to);
  }
  if (from != &*Begin) std::copy(from, from + count, &*Begin);
}

// Sorts entries whose keys are the 8 bytes of their texts from Depth * 8 on (see
// Utf8SortPrefix), stably. Each run of equal keys is sorted by the next 8 bytes,
// until the texts end: so whole texts are read only where eight bytes at a time cannot tell them apart.
// NextKeys, when given, holds each row's key of the next 8 bytes, gathered beforehand in the
// order the rows are kept: reading it costs less than reaching every text of a run again.
template <typename Iterator, typename TextOf>
void SortTexts(Iterator Begin, Iterator End, std::size_t Depth, const TextOf& Text,
               const std::uint64_t* NextKeys = nullptr) {
  using Entry = typename std::iterator_traits<Iterator>::value_type;
  SortByKey(Begin, End);
  const std::size_t next = (Depth + 1) * 8;
  for (Iterator run = Begin; run != End;) {
    Iterator runEnd = std::next(run);
    while (runEnd != End && runEnd->Key == run->Key) ++runEnd;
    if (std::distance(run, runEnd) > 1 && NextKeys) {
      // Texts that end sooner get key 0 and come first, as a shorter text does.
      for (Iterator e = run; e != runEnd; ++e) e->Key = NextKeys[e->Row];
      SortTexts(run, runEnd, Depth + 1, Text);
    } else if (std::distance(run, runEnd) > 1) {
      const bool longer = std::any_of(run, runEnd, [&](const Entry& e) { return Text(e.Row).size() > next; });
      if (longer) {
        for (Iterator e = run; e != runEnd; ++e) {
          const std::string_view text = Text(e->Row);
          e->Key = Utf8SortPrefix(text.substr(std::min(next, text.size())));
        }
        SortTexts(run, runEnd, Depth + 1, Text);
      } else {
        // Texts ending within these bytes and alike in them: equal, unless they hold zero bytes.
        std::stable_sort(run, runEnd, [&](const Entry& a, const Entry& b) {
          return CompareUtf8AsUtf16(Text(a.Row), Text(b.Row)) < 0;
        });
      }
    }
    run = runEnd;
  }
}

}  // namespace

TContentsRow MakeContentsRow(const TZipFileStats& FileStats) {
  TContentsRow row;
  row.Path = FileStats.FileName;
  for (qsizetype i = row.Path.size() - 1; i >= 0; --i) {
    if (IsSeparator(row.Path[i].unicode())) {
      row.NameStart = static_cast<int>(i + 1);
      break;
    }
  }
  // Whole seconds, as the time column shows them.
  const double seconds = std::isfinite(FileStats.DateTime) ? std::round(FileStats.DateTime * 86400.0) : 0.0;
  row.TimeKey = static_cast<std::int64_t>(std::clamp(seconds, -1e15, 1e15));
  row.DateKey = DayOf(row.TimeKey);
  row.Size = FileStats.Size;
  row.Packed = FileStats.CompressedSize;
  row.Ratio = FileStats.Ratio;
  row.Encrypted = FileStats.LibraryFlag;
  return row;
}

TContentsModel::TContentsModel(QObject* Parent) : QAbstractTableModel(Parent) {}

// --- The rows as they are kept ---------------------------------------------------------------

void TContentsModel::Store(const TContentsRow& Row) {
  TPackedRow packed;
  packed.PathAt = FNames.size();
  // The path in UTF-8, noting where the name begins; a lone surrogate becomes U+FFFD, as Qt's
  // own conversion makes it.
  const qsizetype length = Row.Path.size();
  const char16_t* text = reinterpret_cast<const char16_t*>(Row.Path.constData());
  FNames.resize(FNames.size() + static_cast<std::size_t>(length) * 3);
  char* const begin = FNames.data() + packed.PathAt;
  char* out = begin;
  std::size_t nameStart = 0;
  for (qsizetype i = 0; i < length; ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      *out++ = static_cast<char>(c);
      if (IsSeparator(static_cast<char16_t>(c))) nameStart = static_cast<std::size_t>(out - begin);
      continue;
    }
    if (QChar::isHighSurrogate(c) && i + 1 < length && QChar::isLowSurrogate(text[i + 1])) {
      c = QChar::surrogateToUcs4(static_cast<char16_t>(c), text[++i]);
      *out++ = static_cast<char>(0xF0 | (c >> 18));
      *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (c & 0x3F));
      continue;
    }
    if (QChar::isSurrogate(c)) c = 0xFFFD;
    if (c < 0x800) {
      *out++ = static_cast<char>(0xC0 | (c >> 6));
    } else {
      *out++ = static_cast<char>(0xE0 | (c >> 12));
      *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  FNames.resize(static_cast<std::size_t>(out - FNames.data()));
  packed.NameStart = nameStart < kFarName ? static_cast<std::uint16_t>(nameStart) : kFarName;

  const std::int64_t time = Row.TimeKey - kTimeBase;
  const bool narrow = time >= 0 && time <= 0xFFFFFFFFLL && Row.Size >= 0 && Row.Size <= 0xFFFFFFFFLL &&
                      Row.Packed >= 0 && Row.Packed <= 0xFFFFFFFFLL && Row.Ratio >= 0 && Row.Ratio <= 0xFF;
  if (narrow) {
    packed.Time = static_cast<std::uint32_t>(time);
    packed.Size = static_cast<std::uint32_t>(Row.Size);
    packed.Packed = static_cast<std::uint32_t>(Row.Packed);
    packed.Ratio = static_cast<std::uint8_t>(Row.Ratio);
  } else {
    packed.Flags |= kWide;
    FWide.push_back({static_cast<std::uint32_t>(FRows.size()), Row.TimeKey, Row.Size, Row.Packed, Row.Ratio});
  }
  if (Row.Encrypted) packed.Flags |= kEncrypted;
  FRows.push_back(packed);
}

std::string_view TContentsModel::PathBytes(std::size_t Stored) const {
  const std::size_t begin = FRows[Stored].PathAt;
  const std::size_t end = Stored + 1 < FRows.size() ? FRows[Stored + 1].PathAt : FNames.size();
  return {FNames.data() + begin, end - begin};
}

std::string_view TContentsModel::NameBytes(std::size_t Stored) const {
  const std::string_view path = PathBytes(Stored);
  if (FRows[Stored].NameStart != kFarName) return path.substr(FRows[Stored].NameStart);
  std::size_t start = path.size();
  while (start > 0 && !IsSeparator(static_cast<char16_t>(path[start - 1]))) --start;
  return path.substr(start);
}

const TContentsModel::TWideFigures& TContentsModel::WideOf(std::size_t Stored) const {
  return *std::lower_bound(FWide.begin(), FWide.end(), Stored,
                           [](const TWideFigures& wide, std::size_t row) { return wide.Row < row; });
}

std::int64_t TContentsModel::TimeKeyOf(std::size_t Stored) const {
  const TPackedRow& row = FRows[Stored];
  return row.Flags & kWide ? WideOf(Stored).TimeKey : kTimeBase + row.Time;
}

std::int64_t TContentsModel::SizeOf(std::size_t Stored) const {
  const TPackedRow& row = FRows[Stored];
  return row.Flags & kWide ? WideOf(Stored).Size : row.Size;
}

std::int64_t TContentsModel::PackedOf(std::size_t Stored) const {
  const TPackedRow& row = FRows[Stored];
  return row.Flags & kWide ? WideOf(Stored).Packed : row.Packed;
}

TContentsRow TContentsModel::RowOf(std::size_t Stored) const {
  TContentsRow row;
  row.Path = FromUtf8(PathBytes(Stored));
  row.NameStart = static_cast<int>(row.Path.size() - FromUtf8(NameBytes(Stored)).size());
  row.TimeKey = TimeKeyOf(Stored);
  row.DateKey = DayOf(row.TimeKey);
  row.Size = SizeOf(Stored);
  row.Packed = PackedOf(Stored);
  row.Ratio = FRows[Stored].Flags & kWide ? WideOf(Stored).Ratio : FRows[Stored].Ratio;
  row.Encrypted = FRows[Stored].Flags & kEncrypted;
  return row;
}

// --- The model -------------------------------------------------------------------------------

int TContentsModel::rowCount(const QModelIndex& Parent) const {
  if (Parent.isValid()) return 0;
  return static_cast<int>(FFilter.isEmpty() ? FOrder.size() : FShown.size());
}

bool TContentsModel::Matches(std::size_t Stored) const {
  const std::string_view path = PathBytes(Stored);
  if (FWildcards) return FPattern.match(FromUtf8(path)).hasMatch();
  // Plain ASCII on both sides compares byte by byte; anything else as Qt folds case.
  if (FFilterAscii && IsAscii(path)) return ContainsAsciiNoCase(path, FFilterFolded);
  return FromUtf8(path).contains(FFilter, Qt::CaseInsensitive);
}

void TContentsModel::ApplyFilter() {
  FShown.clear();
  if (FFilter.isEmpty()) return;
  for (const std::uint32_t row : FOrder)
    if (Matches(row)) FShown.push_back(row);
}

void TContentsModel::SetFilter(const QString& Text) {
  if (Text == FFilter) return;
  beginResetModel();
  FFilter = Text;
  FPattern = QRegularExpression();
  if (Text.contains(u'*') || Text.contains(u'?'))
    FPattern = QRegularExpression(
        QRegularExpression::wildcardToRegularExpression(QLatin1Char('*') + Text + QLatin1Char('*'),
                                                        QRegularExpression::UnanchoredWildcardConversion),
        QRegularExpression::CaseInsensitiveOption);
  FWildcards = FPattern.isValid() && !FPattern.pattern().isEmpty();
  FFilterAscii = std::all_of(Text.begin(), Text.end(), [](QChar c) { return c.unicode() < 0x80; });
  FFilterFolded.clear();
  if (FFilterAscii)
    for (const QChar c : Text) FFilterFolded.push_back(AsciiLower(static_cast<char>(c.unicode())));
  ApplyFilter();
  endResetModel();
}

int TContentsModel::columnCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : kColumnCount;
}

QString TContentsModel::Text(int RowIndex, int Column) const {
  return TextOf(Stored(RowIndex), Column);
}

QString TContentsModel::TextOf(std::size_t Stored, int Column) const {
  switch (Column) {
    case 0:
      return FromUtf8(NameBytes(Stored));
    case 1:
      return FLocale.toString(DateOf(DayOf(TimeKeyOf(Stored))), QLocale::ShortFormat);
    case 2: {
      const std::int64_t timeKey = TimeKeyOf(Stored);
      const std::int64_t second = timeKey - DayOf(timeKey) * 86400;
      static const QString format = LongTimeFormat(FLocale);
      return FLocale.toString(QTime(0, 0).addSecs(static_cast<int>(second)), format);
    }
    case 3:
      return FLocale.toString(static_cast<qlonglong>(SizeOf(Stored)));
    case 4:
      return FLocale.toString(static_cast<qlonglong>(PackedOf(Stored)));
    case 5:
      return QString::number(FRows[Stored].Flags & kWide ? WideOf(Stored).Ratio : FRows[Stored].Ratio);
    case 6:
      return FromUtf8(PathBytes(Stored));
    default:
      return {};
  }
}

QVariant TContentsModel::data(const QModelIndex& Index, int Role) const {
  if (!Index.isValid() || Index.row() >= rowCount()) return {};
  if (Role == Qt::DisplayRole) return Text(Index.row(), Index.column());
  if (Role == Qt::TextAlignmentRole) return QVariant::fromValue(AlignmentOf(Index.column()));
  if (Index.column() == 0 && (FRows[Stored(Index.row())].Flags & kEncrypted)) {
    if (Role == Qt::DecorationRole) return EncryptedMark;
    if (Role == Qt::ToolTipRole) return tr("Encrypted: a password is needed to extract or view it");
  }
  return {};
}

QVariant TContentsModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
  if (Orientation != Qt::Horizontal || Section < 0 || Section >= kColumnCount) return {};
  if (Role == Qt::DisplayRole) return tr(kHeaders[Section]);
  if (Role == Qt::TextAlignmentRole) return QVariant::fromValue(AlignmentOf(Section));
  return {};
}

// --- Filling ---------------------------------------------------------------------------------

void TContentsModel::Clear() {
  const bool shown = !FOrder.empty();
  if (shown) beginResetModel();
  // Swapped with empty ones, so the memory of a large archive goes back at once.
  decltype(FNames)().swap(FNames);
  std::vector<TPackedRow>().swap(FRows);
  std::vector<TWideFigures>().swap(FWide);
  std::vector<std::uint32_t>().swap(FOrder);
  std::vector<std::uint32_t>().swap(FShown);
  if (shown) endResetModel();
}

void TContentsModel::DropListed() {
  const std::size_t kept = FOrder.size();
  if (FRows.size() == kept) return;
  FNames.resize(FRows[kept].PathAt);
  FRows.resize(kept);
  while (!FWide.empty() && FWide.back().Row >= kept) FWide.pop_back();
}

void TContentsModel::BeginListing(int ExpectedRows) {
  FListing = true;
  DropListed();
  // Room taken once rather than by doubling; only what is written becomes memory in use. A
  // damaged archive may claim any count: beyond a few million rows, they grow as they come.
  const auto expected = static_cast<std::size_t>(std::clamp(ExpectedRows, 0, 1 << 22));
  FRows.reserve(FRows.size() + expected);
  FNames.reserve(FNames.size() + expected * 48);
}

void TContentsModel::EndListing(int SortColumn) {
  FListing = false;
  if (FRows.size() == FOrder.size()) return;
  // Placed and sorted before the view sees them: one reset, no rows moved under its eyes.
  beginResetModel();
  std::vector<std::uint32_t> order = std::move(FOrder);
  const std::size_t first = order.size();
  order.resize(FRows.size());
  std::iota(order.begin() + static_cast<std::ptrdiff_t>(first), order.end(),
            static_cast<std::uint32_t>(first));
  FOrder = SortedOrder(std::move(order), SortColumn);
  ApplyFilter();
  endResetModel();
}

void TContentsModel::AddRow(TContentsRow NewRow, int SortColumn) {
  if (FListing) {
    Store(NewRow);
    return;
  }
  DropListed();
  const auto stored = static_cast<std::uint32_t>(FRows.size());
  if (!FFilter.isEmpty()) {
    beginResetModel();
    Store(NewRow);
    FOrder.push_back(stored);
    ApplyFilter();
    endResetModel();
    Sort(SortColumn);
    return;
  }
  const int at = static_cast<int>(FOrder.size());
  beginInsertRows(QModelIndex(), at, at);
  Store(NewRow);
  FOrder.push_back(stored);
  endInsertRows();
  Sort(SortColumn);
}

// --- Order -----------------------------------------------------------------------------------

std::vector<std::uint32_t> TContentsModel::SortedOrder(std::vector<std::uint32_t> Order,
                                                       int SortColumn) const {
  if (SortColumn < 0 || SortColumn >= kColumnCount || Order.size() < 2) return Order;
  // Stable, so rows that compare equal keep the order they had. The keys are gathered with
  // their rows, so sorting reads memory in order.
  std::vector<TSortEntry, TUnfilled<TSortEntry>> entries(Order.size());
  if (SortColumn == 0 || SortColumn == 6) {
    const auto text = [&](std::uint32_t row) { return SortColumn == 0 ? NameBytes(row) : PathBytes(row); };
    std::vector<std::uint64_t, TUnfilled<std::uint64_t>> nextKeys(FRows.size());
    for (std::size_t at = 0; at < Order.size(); ++at) {
      const std::string_view rowText = text(Order[at]);
      entries[at] = {Utf8SortPrefix(rowText), Order[at]};
      nextKeys[Order[at]] = Utf8SortPrefix(rowText.substr(std::min<std::size_t>(8, rowText.size())));
    }
    SortTexts(entries.begin(), entries.end(), 0, text, nextKeys.data());
  } else {
    FillNumberKeys(entries.data(), Order, SortColumn);
    SortByKey(entries.begin(), entries.end());
  }
  for (std::size_t at = 0; at < Order.size(); ++at) Order[at] = entries[at].Row;
  return Order;
}

void TContentsModel::FillNumberKeys(TSortEntry* Entries, const std::vector<std::uint32_t>& Order,
                                    int SortColumn) const {
  // Sizes and ratios are compared by the number their text shows, as typed digits would read;
  // with the usual digits that is the figure itself, and only other digits take the long way.
  const bool plainDigits = FLocale.zeroDigit() == QLatin1String("0");
  const QChar group = FLocale.groupSeparator().isEmpty() ? QChar() : FLocale.groupSeparator().at(0);
  for (std::size_t at = 0; at < Order.size(); ++at) {
    const std::uint32_t row = Order[at];
    Entries[at].Row = row;
    std::int64_t key = 0;
    switch (SortColumn) {
      case 1:
        key = DayOf(TimeKeyOf(row));
        break;
      case 2:
        key = TimeKeyOf(row);
        break;
      case 3:
      case 4: {
        const std::int64_t value = SortColumn == 3 ? SizeOf(row) : PackedOf(row);
        key = plainDigits && value >= 0 && value < 1000000000000000000LL
                  ? value
                  : ReadSizeText(TextOf(row, SortColumn), group);
        break;
      }
      case 5:
        key = FRows[row].Flags & kWide ? ReadWholeNumber(TextOf(row, 5)) : FRows[row].Ratio;
        break;
    }
    // The sign bit flipped orders signed numbers as unsigned ones.
    Entries[at].Key = static_cast<std::uint64_t>(key) ^ (1ULL << 63);
  }
}

void TContentsModel::Sort(int SortColumn) {
  std::vector<std::uint32_t> order = SortedOrder(FOrder, SortColumn);
  if (order == FOrder) return;

  if (!FFilter.isEmpty()) {
    // Shown rows are numbered through the filter: simplest to show them afresh.
    beginResetModel();
    FOrder.swap(order);
    ApplyFilter();
    endResetModel();
    return;
  }
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  // The selection and the current row follow their rows.
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  if (!before.isEmpty()) {
    std::vector<std::uint32_t> place(FRows.size());
    for (std::size_t at = 0; at < order.size(); ++at) place[order[at]] = static_cast<std::uint32_t>(at);
    after.reserve(before.size());
    for (const QModelIndex& index : before)
      after.append(index.isValid()
                       ? createIndex(static_cast<int>(place[FOrder[static_cast<std::size_t>(index.row())]]),
                                     index.column())
                       : QModelIndex());
  }
  FOrder.swap(order);
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
