// Selecting rows of the list.
#include <QTreeWidget>

#include "mainform/mainform.h"
#include "ui_mainform.h"

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

void TMainFormFm::ListViewClick() { UpdateSelectionButtons(); }
