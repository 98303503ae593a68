// Where the main window stands: applied when it is first shown, kept when it is destroyed.
#include "mainform/mainform.h"
#include "mainform/settings_file.h"
#include "platform/profile.h"
#include "settings/placement.h"

void TMainFormFm::RestorePlacement() {
  if (!FServices.NestedCopy) Placement1->RestorePlacement();
}

void TMainFormFm::SavePlacement() {
  if (Placement1->SavePlacement()) return;
  FServices.Dialogs.MessageDlg(
      QStringLiteral("Unable to write to %1").arg(platform::ProfileFilePath(Placement1->IniFileName)),
      platform::TMsgDlgType::mtError, platform::mbOK);
}
