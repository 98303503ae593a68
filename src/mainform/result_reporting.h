// Turning an engine result code into the one message the user sees.
#pragma once

#include <QString>

#include "platform/dialogs.h"

// Shows the message for Code (the verb names the operation, e.g. "extracting") and returns the
// severity: 0 nothing to report, 1 finished with a warning or silently, 2 failed. Sets
// ResultReported for every code of 1 or more; stays silent for codes without a message of
// their own while OpeningArchive is set.
int ReportResult(int Code, const QString& Verb, platform::TDialogs& Dialogs);
