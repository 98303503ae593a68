// Sending a file to the desktop's Trash, where the user can restore it.
#pragma once

#include <QString>

#include "platform/dialogs.h"

namespace platform {

// Asks "Do you want to move "NAME" to the Trash?" and, on Yes, moves the file there. True only
// when the file was moved; a move the Trash refuses is reported to the user and leaves the file.
bool MoveFileToTrash(const QString& FileName, TDialogs& Dialogs);

}  // namespace platform
