// The contents list: filling it from the engine's listing, its order, selection and clicks.
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTreeView>
#include <algorithm>

#include "mainform/busy_period.h"
#include "mainform/contents_model.h"
#include "mainform/mainform.h"
#include "mainform/result_reporting.h"
#include "ui_mainform.h"

void TMainFormFm::ReadArchive() {
  TReadingPhase reading(*this);
  ClearContents();
  const int count = MainXz->GetEntryCount();
  ProgressBar2->setMaximum(count);
  if (count > 100) StatusPanel0->setText(tr("Reading %1 items...").arg(count));

  ui->ListView->setUpdatesEnabled(false);
  ListModel->BeginListing(count);
  int result = 0;
  try {
    result = MainXz->List();
  } catch (...) {
    // The rows already listed stay, in order, and the list paints again.
    ListModel->EndListing(ActiveColumn);
    ui->ListView->setUpdatesEnabled(true);
    throw;
  }
  ListModel->EndListing(ActiveColumn);
  if (result != zrArchiveNotFound) ReportResult(result, tr("reading"), FServices.Dialogs);
  ui->ListView->setUpdatesEnabled(true);

  ui->ListView->setStatusTip(TotalsText());
  ShowNameEncoding();
  ShowFilterCount();
  ProgressBar2->setValue(0);
  ProgressBar2->setMaximum(100);
}

void TMainFormFm::MainXzListing(TZipEngine& /*ZipEngine*/, const TZipFileStats& FileStats) {
  ListModel->AddRow(MakeContentsRow(FileStats), ActiveColumn);
  // The bar moves in steps of half a percent: setting it at each of a million rows would cost
  // more than the rows.
  const int maximum = ProgressBar2->maximum();
  if (maximum > 100) {
    const int listed = ListModel->ListedRows();
    if (listed % std::max(1, maximum / 200) == 0 || listed >= maximum) ProgressBar2->setValue(listed);
  }
  FTotalSize += FileStats.Size;
  FTotalPacked += FileStats.CompressedSize;
}

void TMainFormFm::ClearContents() {
  ListModel->Clear();
  FTotalSize = 0;
  FTotalPacked = 0;
}

void TMainFormFm::CollectSelectedNames(QTreeView* List, QStringList& Names) const {
  QModelIndexList rows = List->selectionModel()->selectedRows(6);
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  for (const QModelIndex& index : rows) Names.append(index.data().toString());
}

QAction* TMainFormFm::SortMenuItem(int Column) const {
  switch (Column) {
    case 0:
      return ui->SortbyName;
    case 1:
      return ui->SortbyDate;
    case 2:
      return ui->SortbyTime;
    case 3:
      return ui->SortbySize;
    case 4:
      return ui->SortbyPackedSize;
    case 5:
      return ui->SortbyRatio;
    case 6:
      return ui->SortbyPath;
    default:
      return nullptr;
  }
}

void TMainFormFm::ListViewColumnClick(int Column) {
  ActiveColumn = Column;
  ListModel->Sort(ActiveColumn);
  CheckSortMenuItem();
}

void TMainFormFm::SortbyPathClick(QObject* Sender) {
  auto* item = qobject_cast<QAction*>(Sender);
  if (!item) return;
  item->setChecked(true);
  ActiveColumn = item->property("tag").toInt();
  ListModel->Sort(ActiveColumn);
}

void TMainFormFm::EditSelectAllMnClick(QObject* /*Sender*/) {
  ui->ListView->setUpdatesEnabled(false);
  ui->ListView->selectAll();
  ui->ListView->setUpdatesEnabled(true);
  UpdateSelectionButtons();
}

void TMainFormFm::DeselectAll2Click(QObject* /*Sender*/) {
  ui->ListView->clearSelection();
  UpdateSelectionButtons();
}

void TMainFormFm::ListViewClick() {
  UpdateSelectionButtons();
}

void TMainFormFm::ListViewDblClick() {
  switch (MouseAction) {
    case 0:
      SpdBtnViewClick(ui->ListView);
      break;
    case 1:
      EditExtractMnClick(ui->ListView);
      break;
    case 2:
      EditDeleteMnClick(ui->ListView);
      break;
    default:
      break;
  }
}

// Any click in the list, on a row or on the empty space below the rows, counts; the view's own
// click signals come only for rows.
bool TMainFormFm::HandleListKey(QObject* Watched, QEvent* Event) {
  if (Watched != ui->ListView || Event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<QKeyEvent*>(Event);
  if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
      (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
    return false;
  if (!Busy()) FListEnter->trigger();  // refused while busy, as every key command is
  return true;
}

bool TMainFormFm::HandleListMouse(QObject* Watched, QEvent* Event) {
  if (Watched != ui->ListView->viewport() || !ui->ListView->isEnabled()) return false;
  if (Event->type() == QEvent::MouseButtonRelease) {
    ListViewClick();
  } else if (Event->type() == QEvent::MouseButtonDblClick &&
             static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton) {
    ListViewDblClick();
    return true;
  }
  return false;
}
