// Handing the settings to the engine: at start, once they are read, and after the configuration
// dialog's OK. The commands read the other settings each time they run.
#pragma once

struct TSettings;
class TZipEngine;

// Gives Engine the settings it works with: the packing ones below, ClearDisks, Recurse,
// MoveFiles, IncludeHiddenFiles, Password and the overwrite mode.
void ApplySettingsToEngine(TSettings& Settings, TZipEngine& Engine);

// Gives Engine how new entries are packed and where it writes: Compression (the low byte of
// CompressionLevel), StoredExtensions, UseTempFile and TempPath; what a compress from the file
// manager takes from the settings. A TempFolder ending in "/" loses that one character first,
// in the setting too; the root keeps its only one.
void ApplyPackingToEngine(TSettings& Settings, TZipEngine& Engine);

// The engine's overwrite mode from Overwrite: 0 never, 1 always, 2 ask; any other value leaves
// the mode as it is.
void ApplyOverwriteToEngine(const TSettings& Settings, TZipEngine& Engine);
