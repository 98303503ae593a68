// The rows of the contents list: one per archive entry, seven columns. A row keeps the entry's
// stored name and its figures; the column texts are made from them when the view asks, so a
// listing of many thousands of entries formats only the rows on screen.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QLocale>
#include <QRegularExpression>
#include <QString>
#include <cstdint>
#include <vector>

#include "engine/zip_records.h"

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

// Builds the row of one listed entry.
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
  const TContentsRow& Row(int Row) const { return FRows[Stored(Row)]; }
  // Only the rows whose path contains `Text` are shown (case does not matter; with "*" or "?" it is
  // a pattern found anywhere in the path); empty shows them all. Rows are numbered as shown.
  void SetFilter(const QString& Text);
  const QString& Filter() const { return FFilter; }
  // Every row, shown or not.
  int TotalRows() const { return static_cast<int>(FRows.size()); }

  // Removes every row.
  void Clear();
  // Adds a row in its place in the order of SortColumn. Between BeginListing and EndListing
  // the rows are only collected, and take their places all at once at the end: placing each
  // of 100,000 rows one by one would move the others 100,000 times.
  void AddRow(TContentsRow Row, int SortColumn);
  void BeginListing();
  void EndListing(int SortColumn);
  // Puts every row in the order of SortColumn (0 to 6; other values leave the order).
  void Sort(int SortColumn);

 private:
  std::size_t Stored(int Shown) const {
    return FFilter.isEmpty() ? static_cast<std::size_t>(Shown) : static_cast<std::size_t>(FShown[Shown]);
  }
  QString TextOf(const TContentsRow& Row, int Column) const;
  bool Matches(const TContentsRow& Row) const;
  void ApplyFilter();  // FShown from FRows, within a reset of the model

  std::vector<TContentsRow> FRows;
  QString FFilter;
  QRegularExpression FPattern;         // when the filter has wildcards
  std::vector<int> FShown;             // with a filter: the rows of FRows shown, in order
  std::vector<TContentsRow> FPending;  // collected during a listing, not yet shown
  bool FListing = false;
  QLocale FLocale;
};
