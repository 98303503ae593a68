// Where the main window stands: applied when it is first shown, kept when it is destroyed.
#include "mainform/mainform.h"
#include "settings/placement.h"
#include "settings/settings_file.h"

void TMainFormFm::RestorePlacement() {
  if (!FServices.NestedCopy) Placement1->RestorePlacement();
}

void TMainFormFm::SavePlacement() {
  if (!Placement1->SavePlacement()) ReportUnwritableSettings(FServices.Dialogs, Placement1->IniFileName);
}
