// The busy protocol and the toolbar buttons' enabled states.
#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QToolButton>
#include <QTreeView>

#include "mainform/mainform.h"
#include "mainform/program_state.h"
#include "ui_mainform.h"

void TMainFormFm::SetBusy(bool Done) {
  // A password question belongs to one operation: a new one starts asking afresh.
  if (!Done && BusyCount == 0) {
    FPasswordAskedFor.clear();
    FPasswordTyped.clear();
  }
  BusyCount += Done ? -1 : 1;
  if (BusyCount < 0) BusyCount = 0;
  const bool idle = BusyCount == 0;

  // The View menu stays usable: it only changes how the window looks.
  for (QMenu* menu : {ui->FileMn, ui->EditMn, ui->OptionsMn, ui->HelpMn})
    menu->menuAction()->setEnabled(idle);
  ui->ListView->setEnabled(idle);
  ApplyToolButtonStates();

  if (!idle && !FHourglass) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FHourglass = true;
  } else if (idle && FHourglass) {
    QApplication::restoreOverrideCursor();
    FHourglass = false;
  }

  if (Done) {
    ProgressBar2->setValue(0);
    ShowFilterCount();
  }
  if (idle && FCloseWhenIdle) {
    FCloseWhenIdle = false;
    // After the command that ended the busy period has returned.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  }
}

void TMainFormFm::UpdateToolButtons() {
  FOpenButtonsWanted = ArchiveOpen();
  UpdateSelectionButtons();
}

void TMainFormFm::UpdateSelectionButtons() {
  FSelectionButtonsWanted = ui->ListView->selectionModel()->hasSelection();
  ApplyToolButtonStates();
}

// While an engine call runs, a button could start a second one from inside a callback, so all
// buttons but Abort wait for the busy period to end; their own rules apply again afterwards.
void TMainFormFm::ApplyToolButtonStates() {
  const bool idle = BusyCount == 0;
  ui->SpdBtnNew->setEnabled(idle);
  ui->ToolButton4->setEnabled(idle);
  ui->ToolButton10->setEnabled(idle);
  ui->SpdBtnClose->setEnabled(idle && FOpenButtonsWanted);
  ui->SpdBtnAdd->setEnabled(idle && FOpenButtonsWanted);
  ui->SpdBtnRemove->setEnabled(idle && FSelectionButtonsWanted);
  ui->SpdBtnExtract->setEnabled(idle && FSelectionButtonsWanted);
  ui->SpdBtnView->setEnabled(idle && FSelectionButtonsWanted);
  // Changing the archive in place cannot be stopped halfway without harm; reading always can.
  ui->AbortSB->setEnabled(!idle && (MainXz->UseTempFile || FReadingOperations > 0));
}

// Shortcut keys reach their commands even while the menus are disabled; refuse them during a
// busy period for the same reason as the buttons.
bool TMainFormFm::HandleBusyShortcut(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::ShortcutOverride && BusyCount == 0 && Watched->isWidgetType() &&
      static_cast<QWidget*>(Watched)->window() == this) {
    // A shortcut key is matched against the items' enabled states right after this event.
    // Bring them up to date, as opening their menus would, so a key neither runs a command
    // its menu would refuse nor stays dead for one its menu would offer.
    FileMnClick();
    EditMnClick();
    return false;
  }
  if (Event->type() != QEvent::Shortcut || BusyCount == 0) return false;
  return qobject_cast<QAction*>(Watched) != nullptr;
}

void TMainFormFm::AbortSbClick(QObject* /*Sender*/) {
  if (FServices.Dialogs.MessageDlg(tr("Are you sure you want to abort the current process?"),
                                   platform::TMsgDlgType::mtWarning, platform::mbOKCancel) == platform::mrOk)
    MainXz->Abort = true;
}
