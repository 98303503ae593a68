// One listing of the archive an engine has open, handed entry by entry to a function: the
// dialogs that need every entry's facts read the archive's index once, not once per entry.
#pragma once

#include <functional>

#include "engine/zip_records.h"

class TZipEngine;

// Lists Engine's archive, calling Each for every entry in archive order; the engine's own
// listing handler is put back afterwards. Returns the engine's result code.
int ListEachEntry(TZipEngine& Engine, const std::function<void(const TZipFileStats&)>& Each);
