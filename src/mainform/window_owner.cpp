// What the dialogs the window opens take from it (TWindowOwner) beyond its plain accessors.
#include "mainform/mainform.h"
#include "mainform/program_state.h"
#include "settings/engine_settings.h"

void TMainFormFm::SettingsEdited() {
  // Clearing OnTop returns the window to the normal order at once, rather than leaving it topmost
  // until the program ends. Changing the flag hides a shown window, so show it again.
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != OnTop) {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, OnTop);
    if (shown) show();
  }
  ApplySettingsToEngine(*this, *MainXz);
}

void TMainFormFm::ShowHelp(int Context) {
  FServices.Help.WinHelp(HelpFile, platform::HELP_CONTEXT, Context);
}

bool TMainFormFm::Busy() const {
  return BusyCount != 0;
}

void TMainFormFm::ExtractAllFiles(const QString& Folder) {
  EditSelectAllMnClick(this);
  ExtractFiles(Folder);
}
