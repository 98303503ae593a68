// TFrmBrowse: the archive browser. Lists every ZIP archive of one folder with its comment, so
// that the user can find an archive by its comment and open it in the main window. Modeless:
// each use of the command makes another window, and a closed window is destroyed.
#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace Ui {
class FrmBrowse;
}

class QHeaderView;
class QLabel;
class QPainter;
class QStyleOptionViewItem;
class TPlacement;
class TWindowOwner;
class TZipEngine;

// One row of the list: its text (the archive's path, ",", its comment) and where the path ends.
// The length is kept because a "," inside the path (a folder or file name with a comma) cannot
// be told from the separator by looking at the text.
struct TBrowseItem {
  QString Text;
  qsizetype PathLength = 0;

  static TBrowseItem Make(const QString& Path, const QString& Comment);
  QString Path() const { return Text.left(PathLength); }
  QString Comment() const { return Text.mid(PathLength + 1); }
};

// The rows of FilesLb. Rows arrive in the order the folder gives them and are sorted by their
// whole text (without regard to case) once all are in; selections survive the sort.
class TBrowseItems : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;

  const TBrowseItem& Item(int Row) const { return FItems.at(Row); }
  void Append(const QList<TBrowseItem>& Items);
  void Clear();
  void Sort();

 private:
  QList<TBrowseItem> FItems;
};

class TFrmBrowse : public QWidget {
  Q_OBJECT

 public:
  // Owner opens the archives and lends its dialogs and help; the browser may outlive it.
  explicit TFrmBrowse(TWindowOwner& Owner);
  // Runs FormDestroy.
  ~TFrmBrowse() override;

  TZipEngine* ZipEngine1;  // reads the comments, nothing else
  TPlacement* Placement1;  // Screens/FrmBrowse of the settings file
  QHeaderView* FilesHd;    // the two column sections over the list
  QLabel* StatusPanel0;    // the status bar's one panel

  // ---- handlers ----
  void FormShow();
  void FormActivate();
  void FormDestroy();
  void SpdBtnBrowseClick();
  void SpdBtnOpenClick();
  void FilesLbClick();
  void FilesLbDblClick();
  void FilesHdSectionResize();
  void FilesLbDrawItem(QPainter& Canvas, const QStyleOptionViewItem& Option, const QModelIndex& Index) const;

  // Column 0 (the path) or 1 (the comment) of a row whose rectangle is Row, as the rows are drawn:
  // they follow the header's sections.
  QRect ColumnRect(int Column, const QRect& Row) const;
  // True while comments of the last chosen folder are still being read.
  bool Reading() const { return FReadTimer->isActive(); }

 protected:
  void showEvent(QShowEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  void changeEvent(QEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  // Counts the handlers on the stack that let events run (engine callbacks, dialogs); a window
  // closed meanwhile is released only once the last of them has returned.
  class TNested;

  void FillList(const QString& Folder);
  void ReadCommentsStep();
  void StopReading();
  void ShowProgress();
  void EnableOpen();
  bool HandleHintEvent(QObject* Watched, QEvent* Event);
  void ShowHelp();

  // The owner while its window lives, else null.
  TWindowOwner* Owner() const { return FOwnerWindow ? FOwner : nullptr; }

  std::unique_ptr<Ui::FrmBrowse> ui;
  TWindowOwner* FOwner;
  QPointer<QWidget> FOwnerWindow;
  TBrowseItems* FItems;
  QTimer* FReadTimer;        // one step of reading at a time, from the event loop
  QString FFolder;           // the folder whose archives are listed
  QStringList FFiles;        // its archives, full paths, in the order the folder gave them
  qsizetype FNextFile = 0;   // the next one whose comment is read
  unsigned FGeneration = 0;  // changes whenever a reading is started or stopped
  bool FInStep = false;
  int FNesting = 0;
  bool FReleasePending = false;
  bool FShown = false;
};
