// What the configuration dialog takes from the window whose settings it edits. The secondary
// windows ask a little more of the same window (windows/window_owner.h).
#pragma once

class QWidget;
struct TSettings;

class TSettingsOwner {
 public:
  // The settings, read and edited in place.
  virtual TSettings& Settings() = 0;
  // The dialog's OK stored edited settings: the window puts them to work (its stacking, the
  // engine's properties).
  virtual void SettingsEdited() = 0;
  // Opens the program's help at Context.
  virtual void ShowHelp(int Context) = 0;
  // The window the dialogs open over.
  virtual QWidget* OwnerWindow() = 0;

 protected:
  ~TSettingsOwner() = default;
};
