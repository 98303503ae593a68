// The rows of the contents list: one per archive entry, seven columns. A row keeps the entry's
// stored name and its figures; the column texts are made from them when the view asks, so a
// listing of many thousands of entries formats only the rows on screen. The rows are held
// compactly, for archives of a million entries: every path in one UTF-8 buffer, the figures in
// 24 bytes a row, the order and the filter as lists of row numbers.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QLocale>
#include <QRegularExpression>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/zip_records.h"

// An allocator for vectors whose every element is written before it is read: growing them does
// not fill the new room with zeros first (a large list's memory is touched once, not twice).
template <typename T>
struct TUnfilled : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = TUnfilled<U>;
  };
  template <typename U>
  void construct(U* At) noexcept {
    ::new (static_cast<void*>(At)) U;
  }
  template <typename U, typename... Args>
  void construct(U* At, Args&&... Arguments) {
    ::new (static_cast<void*>(At)) U(std::forward<Args>(Arguments)...);
  }
};

struct TContentsRow {
  QString Path;              // column 6: the name exactly as the engine reported it
  int NameStart = 0;         // column 0 starts here: after the last "/", "\" or ":"
  std::int64_t DateKey = 0;  // the entry's day (days since 30 December 1899)
  std::int64_t TimeKey = 0;  // the entry's date and time, in whole seconds
  std::int64_t Size = 0;
  std::int64_t Packed = 0;
  int Ratio = 0;
  bool Encrypted = false;  // a password is needed to read it; the Name column shows a lock

  QStringView Name() const { return QStringView(Path).mid(NameStart); }
};

// Builds the row of one listed entry. The model keeps it in its own compact form and gives it
// back as such a row.
TContentsRow MakeContentsRow(const TZipFileStats& FileStats);

class TContentsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumnCount = 7;

  explicit TContentsModel(QObject* Parent = nullptr);

  // The mark beside an encrypted entry's name (set by the window; none by default).
  QIcon EncryptedMark;

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
  QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;

  // The text of one cell, in the user's formats.
  QString Text(int Row, int Column) const;
  TContentsRow Row(int Row) const { return RowOf(Stored(Row)); }
  // Only the rows whose path contains `Text` are shown (case does not matter; with "*" or "?" it is
  // a pattern found anywhere in the path); empty shows them all. Rows are numbered as shown.
  void SetFilter(const QString& Text);
  const QString& Filter() const { return FFilter; }
  // Every row, shown or not.
  int TotalRows() const { return static_cast<int>(FOrder.size()); }
  // The rows collected so far by the listing under way (0 outside a listing).
  int ListedRows() const { return FListing ? static_cast<int>(FRows.size() - FOrder.size()) : 0; }

  // Removes every row.
  void Clear();
  // Adds a row in its place in the order of SortColumn. Between BeginListing and EndListing
  // the rows are only collected, and take their places all at once at the end: placing each
  // of 100,000 rows one by one would move the others 100,000 times.
  void AddRow(TContentsRow Row, int SortColumn);
  // ExpectedRows, when known, lets the room for them be taken once.
  void BeginListing(int ExpectedRows = 0);
  void EndListing(int SortColumn);
  // Puts every row in the order of SortColumn (0 to 6; other values leave the order).
  void Sort(int SortColumn);

 private:
  // One row as it is kept. Figures that do not fit (a size of 4 GiB or more, a time before 1980
  // or after 2115, a ratio beyond a byte) are kept in FWide instead, and the row says so.
  struct TPackedRow {
    std::uint64_t PathAt = 0;  // its path in FNames; it ends where the next row's begins
    std::uint32_t Time = 0;    // seconds since 1 January 1980
    std::uint32_t Size = 0;
    std::uint32_t Packed = 0;
    std::uint16_t NameStart = 0;  // bytes of the path before the name (kFarName: count them)
    std::uint8_t Ratio = 0;
    std::uint8_t Flags = 0;  // kEncrypted, kWide
  };
  struct TWideFigures {
    std::uint32_t Row;  // the row's number in FRows; FWide is in this order
    std::int64_t TimeKey, Size, Packed;
    int Ratio;
  };
  static constexpr std::uint8_t kEncrypted = 1, kWide = 2;
  static constexpr std::uint16_t kFarName = 0xFFFF;

  std::size_t Stored(int Shown) const {
    return FFilter.isEmpty() ? FOrder[static_cast<std::size_t>(Shown)]
                             : FShown[static_cast<std::size_t>(Shown)];
  }
  std::string_view PathBytes(std::size_t Stored) const;
  std::string_view NameBytes(std::size_t Stored) const;
  std::int64_t TimeKeyOf(std::size_t Stored) const;
  std::int64_t SizeOf(std::size_t Stored) const;
  std::int64_t PackedOf(std::size_t Stored) const;
  const TWideFigures& WideOf(std::size_t Stored) const;
  TContentsRow RowOf(std::size_t Stored) const;
  void Store(const TContentsRow& Row);
  QString TextOf(std::size_t Stored, int Column) const;
  bool Matches(std::size_t Stored) const;
  void ApplyFilter();  // FShown from FOrder, within a reset of the model
  // 12 bytes, not 16: a million rows' sort touches 8 MB less fresh memory.
#pragma pack(push, 4)
  struct TSortEntry {
    std::uint64_t Key;
    std::uint32_t Row;
  };
#pragma pack(pop)
  void FillNumberKeys(TSortEntry* Entries, const std::vector<std::uint32_t>& Order, int SortColumn) const;
  // Order (rows of FRows) sorted by SortColumn; unchanged for other values.
  std::vector<std::uint32_t> SortedOrder(std::vector<std::uint32_t> Order, int SortColumn) const;
  void DropListed();  // forgets rows collected by a listing that never ended

  std::vector<char, TUnfilled<char>> FNames;  // every path, in UTF-8, one after another (written by Store)
  std::vector<TPackedRow> FRows;              // in the order they were listed
  std::vector<TWideFigures> FWide;
  std::vector<std::uint32_t> FOrder;  // the rows of FRows shown to the view, in sorted order
  QString FFilter;
  bool FFilterAscii = false;          // the filter text is plain ASCII
  std::string FFilterFolded;          // then in lower case
  QRegularExpression FPattern;        // when the filter has wildcards
  bool FWildcards = false;            // FPattern is in use
  std::vector<std::uint32_t> FShown;  // with a filter: the rows of FRows shown, in order
  bool FListing = false;
  QLocale FLocale;
};
