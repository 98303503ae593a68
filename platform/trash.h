// Sending a file to the desktop's Trash, where the user can restore it.
#pragma once

#include <QString>

#include "platform/dialogs.h"

namespace platform {

// Asks "Do you want to move "NAME" to the Trash?" and, on Yes, moves the file there. True only
// when the file was moved; a move the Trash refuses is reported to the user and leaves the file.
bool MoveFileToTrash(const QString& FileName, TDialogs& Dialogs);

// Moves `file` into the Trash of its own file system (the home Trash, made when missing, or the
// file system's own Trash folder), recorded as coming from `originalPath` so that restoring it
// puts it there. Never writes anywhere else: when no Trash can take the file it stays where it
// is and the result is false. `trashedAs` receives the path the file now has.
bool MoveToTrash(const QString& file, const QString& originalPath, QString* trashedAs = nullptr);

// Gives the file's present content a second, hidden name beside it: a hard link, or a copy where
// the file system has no links. Whatever then replaces the file, its old bytes stay under that
// name. Empty when neither could be made.
QString KeepBeside(const QString& file);

}  // namespace platform
