// "open" on the Linux desktop: files by their type through the desktop's associations, the text
// editor from $VISUAL or $EDITOR (in a terminal), the desktop's association, or a text window of
// the program's own; "run" starts a program the user agreed to run.
#pragma once

#include <QProcessEnvironment>
#include <QStringList>

#include "platform/shell.h"

namespace platform {

// True when standard input and output are a terminal.
bool StartedFromTerminal();

class TQtShell : public TShell {
 public:
  int ShellExecute(const QString& verb, const QString& file, const QString& parameters,
                   const QString& directory, int showCommand) override;

  // The environment the editor variables are read from (tests replace it).
  QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
  // Whether the program was started from a terminal, where $VISUAL and $EDITOR can show a file.
  bool HasTerminal = StartedFromTerminal();
  // The desktop's opener, given the file as its last argument (tests replace it).
  QStringList OpenerCommand{QStringLiteral("xdg-open")};

 private:
  int OpenInTextEditor(const QString& textFile, const QString& directory);
  int OpenDocument(const QString& file);
};

// Splits a command text such as "$EDITOR" ("gedit --new-window") into program and arguments,
// honouring double quotes.
QStringList SplitCommandText(const QString& command);

}  // namespace platform
