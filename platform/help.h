// The help viewer for "Parcelix.hlp". The main window holds this interface, so tests can record
// the requests; the Qt viewer lives in widgets/help_viewer.*.
#pragma once

#include <QString>

namespace platform {

// Requests, with the numbers the help commands have always used.
enum THelpCommand : unsigned {
  HELP_CONTEXT = 0x0001,     // data: topic number
  HELP_QUIT = 0x0002,        // close the viewer
  HELP_HELPONHELP = 0x0004,  // the viewer's own page on using help
  HELP_FINDER = 0x000B,      // contents and index
  HELP_PARTIALKEY = 0x0105,  // search, with data's keyword typed (may be empty)
};

class THelp {
 public:
  virtual ~THelp() = default;
  // Shows the help file `helpFile` (a full path) as asked. For HELP_CONTEXT `context` is the
  // topic number; for HELP_PARTIALKEY `keyword` is typed into the search. A missing file or topic
  // is reported by the viewer in its own window; the return value only says the request was taken.
  virtual bool WinHelp(const QString& helpFile, THelpCommand command, int context = 0,
                       const QString& keyword = QString()) = 0;
};

}  // namespace platform
