#include "mainform/contents_model.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "mainform/contents_sort.h"

namespace {

const char* const kHeaders[TContentsModel::kColumnCount] = {
    QT_TRANSLATE_NOOP("TContentsModel", "Name"),   QT_TRANSLATE_NOOP("TContentsModel", "Date"),
    QT_TRANSLATE_NOOP("TContentsModel", "Time"),   QT_TRANSLATE_NOOP("TContentsModel", "Size"),
    QT_TRANSLATE_NOOP("TContentsModel", "Packed"), QT_TRANSLATE_NOOP("TContentsModel", "Ratio"),
    QT_TRANSLATE_NOOP("TContentsModel", "Path")};

const QDate kDayZero(1899, 12, 30);

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

}  // namespace

TContentsRow MakeContentsRow(const TZipFileStats& FileStats) {
  TContentsRow row;
  row.Path = FileStats.FileName;
  for (qsizetype i = row.Path.size() - 1; i >= 0; --i) {
    const QChar c = row.Path[i];
    if (c == u'/' || c == u'\\' || c == u':') {
      row.NameStart = static_cast<int>(i + 1);
      break;
    }
  }
  // Whole seconds, as the time column shows them.
  const double seconds = std::isfinite(FileStats.DateTime) ? std::round(FileStats.DateTime * 86400.0) : 0.0;
  row.TimeKey = static_cast<std::int64_t>(std::clamp(seconds, -1e15, 1e15));
  row.DateKey = row.TimeKey >= 0 ? row.TimeKey / 86400 : -((-row.TimeKey + 86399) / 86400);
  row.Size = FileStats.Size;
  row.Packed = FileStats.CompressedSize;
  row.Ratio = FileStats.Ratio;
  row.Encrypted = FileStats.LibraryFlag;
  return row;
}

TContentsModel::TContentsModel(QObject* Parent) : QAbstractTableModel(Parent) {}

int TContentsModel::rowCount(const QModelIndex& Parent) const {
  if (Parent.isValid()) return 0;
  return static_cast<int>(FFilter.isEmpty() ? FRows.size() : FShown.size());
}

bool TContentsModel::Matches(const TContentsRow& Row) const {
  return FPattern.isValid() && !FPattern.pattern().isEmpty()
             ? FPattern.match(Row.Path).hasMatch()
             : Row.Path.contains(FFilter, Qt::CaseInsensitive);
}

void TContentsModel::ApplyFilter() {
  FShown.clear();
  if (FFilter.isEmpty()) return;
  for (std::size_t i = 0; i < FRows.size(); ++i)
    if (Matches(FRows[i])) FShown.push_back(static_cast<int>(i));
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
  ApplyFilter();
  endResetModel();
}

int TContentsModel::columnCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : kColumnCount;
}

QString TContentsModel::Text(int RowIndex, int Column) const {
  return TextOf(Row(RowIndex), Column);
}

QString TContentsModel::TextOf(const TContentsRow& row, int Column) const {
  switch (Column) {
    case 0:
      return row.Name().toString();
    case 1:
      return FLocale.toString(DateOf(row.DateKey), QLocale::ShortFormat);
    case 2: {
      const std::int64_t second = row.TimeKey - row.DateKey * 86400;
      static const QString format = LongTimeFormat(FLocale);
      return FLocale.toString(QTime(0, 0).addSecs(static_cast<int>(second)), format);
    }
    case 3:
      return FLocale.toString(static_cast<qlonglong>(row.Size));
    case 4:
      return FLocale.toString(static_cast<qlonglong>(row.Packed));
    case 5:
      return QString::number(row.Ratio);
    case 6:
      return row.Path;
    default:
      return {};
  }
}

QVariant TContentsModel::data(const QModelIndex& Index, int Role) const {
  if (!Index.isValid() || Index.row() >= rowCount()) return {};
  if (Role == Qt::DisplayRole) return Text(Index.row(), Index.column());
  if (Role == Qt::TextAlignmentRole) return QVariant::fromValue(AlignmentOf(Index.column()));
  if (Index.column() == 0 && Row(Index.row()).Encrypted) {
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

void TContentsModel::Clear() {
  FPending.clear();
  if (FRows.empty()) return;
  beginResetModel();
  FRows.clear();
  FRows.shrink_to_fit();
  FShown.clear();
  endResetModel();
}

void TContentsModel::BeginListing() {
  FListing = true;
  FPending.clear();
}

void TContentsModel::EndListing(int SortColumn) {
  FListing = false;
  if (FPending.empty()) return;
  beginResetModel();
  if (FRows.empty()) {
    FRows.swap(FPending);
  } else {
    FRows.reserve(FRows.size() + FPending.size());
    std::move(FPending.begin(), FPending.end(), std::back_inserter(FRows));
  }
  FPending.clear();
  ApplyFilter();
  endResetModel();
  Sort(SortColumn);
}

void TContentsModel::AddRow(TContentsRow NewRow, int SortColumn) {
  if (FListing) {
    FPending.push_back(std::move(NewRow));
    return;
  }
  if (!FFilter.isEmpty()) {
    beginResetModel();
    FRows.push_back(std::move(NewRow));
    ApplyFilter();
    endResetModel();
    Sort(SortColumn);
    return;
  }
  const int at = static_cast<int>(FRows.size());
  beginInsertRows(QModelIndex(), at, at);
  FRows.push_back(std::move(NewRow));
  endInsertRows();
  Sort(SortColumn);
}

void TContentsModel::Sort(int SortColumn) {
  if (SortColumn < 0 || SortColumn >= kColumnCount || FRows.size() < 2) return;
  const std::size_t count = FRows.size();

  // Each row's key is read once; comparing reads only keys.
  std::vector<TSortKey> keys(count);
  const QChar group = FLocale.groupSeparator().isEmpty() ? QChar() : FLocale.groupSeparator().at(0);
  for (std::size_t i = 0; i < count; ++i) {
    const TContentsRow& row = FRows[i];
    switch (SortColumn) {
      case 0:
        keys[i].Text = row.Name();
        break;
      case 6:
        keys[i].Text = row.Path;
        break;
      case 1:
        keys[i].Number = row.DateKey;
        break;
      case 2:
        keys[i].Number = row.TimeKey;
        break;
      case 3:
      case 4:
        keys[i].Number = ReadSizeText(TextOf(row, SortColumn), group);
        break;
      case 5:
        keys[i].Number = ReadWholeNumber(TextOf(row, SortColumn));
        break;
    }
  }
  std::vector<int> order(count);
  std::iota(order.begin(), order.end(), 0);
  // Stable, so rows that compare equal keep the order they had.
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return ListViewCompare(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)], SortColumn) <
           0;
  });
  if (std::is_sorted(order.begin(), order.end())) return;

  if (!FFilter.isEmpty()) {
    // Shown rows are numbered through the filter: simplest to show them afresh.
    beginResetModel();
    std::vector<TContentsRow> sorted;
    sorted.reserve(count);
    for (int from : order) sorted.push_back(std::move(FRows[static_cast<std::size_t>(from)]));
    keys.clear();
    FRows.swap(sorted);
    ApplyFilter();
    endResetModel();
    return;
  }
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<TContentsRow> sorted;
  sorted.reserve(count);
  std::vector<int> newPlace(count);
  for (std::size_t place = 0; place < count; ++place) {
    sorted.push_back(std::move(FRows[static_cast<std::size_t>(order[place])]));
    newPlace[static_cast<std::size_t>(order[place])] = static_cast<int>(place);
  }
  keys.clear();  // they point into the rows being moved
  FRows.swap(sorted);
  // The selection and the current row follow their rows.
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before)
    after.append(index.isValid()
                     ? createIndex(newPlace[static_cast<std::size_t>(index.row())], index.column())
                     : QModelIndex());
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
