// The main window's busy periods: TBusyPeriod (windows/window_owner.h) for every operation, and
// the reading phases within them.
#pragma once

#include "mainform/mainform.h"
#include "windows/window_owner.h"

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
