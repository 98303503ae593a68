// What the main window receives from outside: the platform services it talks through and the
// program's own facts. The program passes the desktop implementations, tests pass recorders.
#pragma once

#include <QString>
#include <QStringList>

#include "platform/dialogs.h"
#include "platform/help.h"
#include "platform/shell.h"

struct TMainFormServices {
  platform::TDialogs& Dialogs;
  platform::THelp& Help;
  platform::TShell& Shell;
  QStringList Arguments;  // the command line, the program's own name first
  QString ProgramDir;     // folder of the program's own file
  // The window shows a copy of an archive taken out of another one: it leaves the recent list,
  // the settings and the window placement alone.
  bool NestedCopy = false;
};
