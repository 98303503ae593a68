// What the archive browser and the program group dialog take from the main window that opens
// them: its settings and help (as the configuration dialog does), its dialogs, its busy periods
// and the few commands they run in it.
#pragma once

#include <QString>

#include "settings/settings_owner.h"

namespace platform {
class TDialogs;
}
class TZipEngine;

class TWindowOwner : public TSettingsOwner {
 public:
  // Every prompt goes through these.
  virtual platform::TDialogs& Dialogs() = 0;
  // The folder of the program's own file.
  virtual QString ProgramDir() const = 0;
  // The engine with the archive the window has open.
  virtual TZipEngine& Engine() = 0;
  // True while an operation of any main window runs (its engine callbacks let events in).
  virtual bool Busy() const = 0;
  // Begins (Done false) or ends (Done true) a busy period of the window.
  virtual void SetBusy(bool Done) = 0;
  // Opens the archive in the window, as its own Open command would.
  virtual void OpenZipFile(const QString& FileName) = 0;
  // Extracts every entry of the open archive into Folder with the current settings; the result
  // is reported to the user.
  virtual void ExtractAllFiles(const QString& Folder) = 0;

 protected:
  ~TWindowOwner() = default;
};

// One busy period of the owner, ended however the caller leaves (an early return or an exception
// passed on by the engine).
class TBusyPeriod {
 public:
  explicit TBusyPeriod(TWindowOwner& Owner) : FOwner(Owner) { FOwner.SetBusy(false); }
  ~TBusyPeriod() { FOwner.SetBusy(true); }
  TBusyPeriod(const TBusyPeriod&) = delete;
  TBusyPeriod& operator=(const TBusyPeriod&) = delete;

 private:
  TWindowOwner& FOwner;
};
