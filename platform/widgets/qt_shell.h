// "open" on the Linux desktop: documents through the desktop's associations, programs started
// directly, the text editor from $VISUAL or $EDITOR or the text/plain association.
#pragma once

#include <QProcessEnvironment>
#include <QStringList>

#include "platform/shell.h"

namespace platform {

class TQtShell : public TShell {
 public:
  int ShellExecute(const QString& verb, const QString& file, const QString& parameters,
                   const QString& directory, int showCommand) override;

  // The environment the editor variables are read from (tests replace it).
  QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();

 private:
  int OpenInTextEditor(const QString& textFile, const QString& directory);
  int OpenDocument(const QString& file);
};

// Splits a command text such as "$EDITOR" ("gedit --new-window") into program and arguments,
// honouring double quotes.
QStringList SplitCommandText(const QString& command);

}  // namespace platform
