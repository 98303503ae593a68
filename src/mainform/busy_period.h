// One busy period of the main window, ended however the command leaves (an early return or an
// exception passed on by the engine).
#pragma once

#include "mainform/mainform.h"

class TBusyPeriod {
 public:
  explicit TBusyPeriod(TMainFormFm& window) : FWindow(window) { FWindow.SetBusy(false); }
  ~TBusyPeriod() { FWindow.SetBusy(true); }
  TBusyPeriod(const TBusyPeriod&) = delete;
  TBusyPeriod& operator=(const TBusyPeriod&) = delete;

 private:
  TMainFormFm& FWindow;
};

// An engine call that only reads the archive (list, extract, view, test, facts): stopping it
// halfway can damage nothing, so Abort is offered whatever the temporary-file setting says.
class TReadingPhase {
 public:
  explicit TReadingPhase(TMainFormFm& window) : FWindow(window) {
    ++FWindow.FReadingOperations;
    FWindow.ApplyToolButtonStates();
  }
  ~TReadingPhase() {
    --FWindow.FReadingOperations;
    FWindow.ApplyToolButtonStates();
  }
  TReadingPhase(const TReadingPhase&) = delete;
  TReadingPhase& operator=(const TReadingPhase&) = delete;

 private:
  TMainFormFm& FWindow;
};
