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
