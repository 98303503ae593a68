// Closing the window: settings, temporary view files, placement, drop registration.
#include <QApplication>
#include <QCloseEvent>
#include <QFile>

#include "mainform/mainform.h"
#include "mainform/program_state.h"
#include "ui_mainform.h"

namespace {

// The longest path the file system accepts; a longer name cannot name a file we made.
constexpr int kMaxPathBytes = 4095;

QString CutPath(const QString& path) {
  const QByteArray bytes = path.toUtf8();
  if (bytes.size() <= kMaxPathBytes) return path;
  // Step back to a character boundary: the first byte left out must not continue a character.
  int cut = kMaxPathBytes;
  while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
  return QString::fromUtf8(bytes.left(cut));
}

}  // namespace

void TMainFormFm::FileExitMnClick(QObject* /*Sender*/) { close(); }

void TMainFormFm::closeEvent(QCloseEvent* Event) {
  if (BusyCount != 0) {
    // The close box stays usable during an operation. Stopping the engine halfway could leave
    // the archive damaged, so the window closes as soon as the operation has ended.
    FCloseWhenIdle = true;
    Event->ignore();
    return;
  }
  FormClose();
  Event->accept();
}

void TMainFormFm::FormClose() {
  SaveSettings(this);
  for (const QString& name : TempFiles) QFile::remove(CutPath(name));  // failures pass silently
  TempFiles.clear();
  FViewFolders.clear();  // the private folders go with whatever else a viewer left in them
}

TMainFormFm::~TMainFormFm() {
  FormDestroy();
  if (FHourglass) QApplication::restoreOverrideCursor();
}

void TMainFormFm::FormDestroy() {
  SavePlacement();
  setAcceptDrops(false);
}
