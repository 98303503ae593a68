// Closing the window: settings, temporary view files, placement, drop registration.
#include <QApplication>
#include <QCloseEvent>
#include <QFile>

#include "mainform/mainform.h"
#include "mainform/program_state.h"
#include "mainform/viewed_copies.h"
#include "settings/settings_file.h"
#include "ui_mainform.h"

void TMainFormFm::FileExitMnClick(QObject* /*Sender*/) {
  close();
}

void TMainFormFm::closeEvent(QCloseEvent* Event) {
  if (BusyCount != 0) {
    // The close box stays usable during an operation. Stopping the engine halfway could leave
    // the archive damaged, so the window closes as soon as the operation has ended.
    FCloseWhenIdle = true;
    Event->ignore();
    return;
  }
  // Archives viewed out of this one live in its private folder: their windows go first.
  for (const QPointer<TMainFormFm>& nested : FNestedWindows)
    if (nested && !nested->close()) {
      Event->ignore();
      return;
    }
  FNestedWindows.clear();
  // Changes not offered yet (an editor saved a moment ago, an archive window just closed).
  for (const QString& path : FViewedCopies->ChangedPaths()) OfferViewedCopy(path);
  FormClose();
  Event->accept();
}

void TMainFormFm::FormClose() {
  if (!FServices.NestedCopy) SaveSettings(this);
  for (const QString& name : TempFiles)
    QFile::remove(CutToBytes(name, kPathLimit));  // failures pass silently
  TempFiles.clear();
  FViewedCopies->Clear();
  FViewFolders.clear();  // the private folders go with whatever else a viewer left in them
}

TMainFormFm::~TMainFormFm() {
  FormDestroy();
  if (FHourglass) QApplication::restoreOverrideCursor();
}

void TMainFormFm::FormDestroy() {
  if (!FServices.NestedCopy) SavePlacement();
  setAcceptDrops(false);
}
