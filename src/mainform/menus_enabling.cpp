// Menu items are enabled and checked when their menu opens.
#include <QItemSelectionModel>
#include <QMenu>
#include <QTreeView>

#include "mainform/contents_model.h"
#include "mainform/mainform.h"
#include "mainform/program_state.h"
#include "ui_mainform.h"

void TMainFormFm::FileMnClick() {
  const bool open = ArchiveOpen();
  for (QAction* item :
       {ui->FileCloseMn, ui->ArchiveInformation1, ui->CopyArchive1, ui->RenameArchive1, ui->FileDeleteMn})
    item->setEnabled(open);
  // Test asks for an archive of its own; Fix works on a closed, single-disk archive.
  ui->FileTestMn->setEnabled(!open);
  ui->FileFixMn->menuAction()->setEnabled(!open && !MainXz->MultidiskMode);
}

void TMainFormFm::EditMnClick() {
  const bool open = ArchiveOpen();
  const bool multidisk = MainXz->MultidiskMode;
  const int rows = ListModel->rowCount();
  const int selected = ui->ListView->selectionModel()->hasSelection() ? 1 : 0;
  // With multidisk on, files can be added only to an archive that shows no rows.
  const bool canAdd = open && !(multidisk && rows > 0);
  ui->EditAddMn->setEnabled(canAdd);
  ui->EditCreateGroupIcons1->setEnabled(canAdd);
  ui->EditDeleteMn->setEnabled(selected > 0 && !multidisk);
  ui->EditExtractMn->setEnabled(selected > 0);
  ui->EditView1->setEnabled(selected > 0);
  ui->EditUpdateMn->setEnabled(open && !multidisk);
  ui->EditUpdateZIPDateMn->setEnabled(rows > 0 && !multidisk);
  ui->EditSelectAllMn->setEnabled(rows > 0);
  ui->DeselectAll2->setEnabled(rows > 0);
  ui->AddComment1->setEnabled(rows > 0);
}

void TMainFormFm::OptionsMnClick() {
  ui->MultidiskmodeMn->setChecked(MainXz->MultidiskMode);
}

void TMainFormFm::LeaveMultidiskMode() {
  MainXz->MultidiskMode = false;
  ui->MultidiskmodeMn->setChecked(false);
}

void TMainFormFm::PopupMenu1Popup() {
  EditMnClick();
  FileMnClick();
  ui->AddFile1->setEnabled(ui->EditAddMn->isEnabled());
  ui->ExtractFile1->setEnabled(ui->EditExtractMn->isEnabled());
  ui->ViewFile1->setEnabled(ui->EditView1->isEnabled());
  ui->RemoveFile1->setEnabled(ui->EditDeleteMn->isEnabled());
  ui->CreateArchive1->setEnabled(ui->FileNewMn->isEnabled());
  ui->OpenArchive1->setEnabled(ui->FileOpenMn->isEnabled());
  ui->CloseArchive1->setEnabled(ui->FileCloseMn->isEnabled());
  ui->SelectAll1->setEnabled(ui->EditSelectAllMn->isEnabled());
  ui->DeselectAll1->setEnabled(ui->DeselectAll2->isEnabled());
  ui->CreateGroupsIcons1->setEnabled(ui->EditCreateGroupIcons1->isEnabled());
}

void TMainFormFm::BuildPopupMenu() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  PopupMenu1->addActions({ui->AddFile1, ui->RemoveFile1, ui->ExtractFile1, ui->ViewFile1});
  PopupMenu1->addSeparator();
  PopupMenu1->addActions({ui->CreateArchive1, ui->OpenArchive1, ui->CloseArchive1, ui->CreateGroupsIcons1});
  PopupMenu1->addSeparator();
  PopupMenu1->addActions({ui->SelectAll1, ui->DeselectAll1});
  connect(PopupMenu1, &QMenu::aboutToShow, this, &TMainFormFm::PopupMenu1Popup);
}

void TMainFormFm::ShowPopupMenu(const QPoint& GlobalPos) {
  // The context menu would start commands as well; it waits for the busy period to end.
  if (BusyCount != 0) return;
  PopupMenu1->popup(GlobalPos);
}
