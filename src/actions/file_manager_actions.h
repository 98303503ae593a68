// What `parcelix --extract-here`, `--extract-to` and `--compress` do, without the main window:
// each archive or the files named are worked on through the engine component with a small
// progress window, every question and problem goes through the dialog interface, and the
// exit status tells a script how it went.
#pragma once

#include "mainform/command_line.h"
#include "platform/dialogs.h"

// The exit statuses, worst last; a batch ends with the worst of its archives.
enum TActionStatus : int {
  asDone = 0,                         // everything was done
  asWarnings = 1,                     // done, but some entries or files were left out (each was reported)
  asUsage = kCommandLineUsageStatus,  // the command line was refused; nothing was done
  asFailed = 3,   // at least one archive could not be extracted or made (each was reported)
  asStopped = 4,  // the user stopped: Abort, or a question cancelled; the rest was not begun
};

// True for the three actions.
bool IsFileManagerAction(TCommandLine::TAction Action);

// Runs the action of CommandLine on its Names and returns the exit status. Needs a QApplication.
int RunFileManagerAction(const TCommandLine& CommandLine, platform::TDialogs& Dialogs);
