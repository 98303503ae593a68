#include "settings/engine_settings.h"

#include "engine/zip_engine.h"
#include "settings/settings.h"

void ApplySettingsToEngine(TSettings& Settings, TZipEngine& Engine) {
  ApplyPackingToEngine(Settings, Engine);
  Engine.ClearDisks = Settings.ClearDisk;
  Engine.Recurse = Settings.Recurse;
  Engine.MoveFiles = Settings.MoveFiles;
  Engine.IncludeHiddenFiles = Settings.IncludeHidden;
  Engine.Password = Settings.Password;
  Engine.AesEncryption = Settings.Encryption == 0;
  ApplyOverwriteToEngine(Settings, Engine);
}

void ApplyPackingToEngine(TSettings& Settings, TZipEngine& Engine) {
  Engine.Compression = static_cast<TZipCompressionLevel>(Settings.CompressionLevel & 0xFF);
  Engine.UseTempFile = Settings.UseTempFile;
  if (Settings.TempFolder.size() > 1 && Settings.TempFolder.endsWith(u'/')) Settings.TempFolder.chop(1);
  Engine.TempPath = Settings.TempFolder;
  Engine.StoredExtensions = Settings.StoredExt;
}

void ApplyOverwriteToEngine(const TSettings& Settings, TZipEngine& Engine) {
  switch (Settings.Overwrite) {
    case 0:
      Engine.Overwrite = zowNever;
      break;
    case 1:
      Engine.Overwrite = zowAlways;
      break;
    case 2:
      Engine.Overwrite = zowAsk;
      break;
    default:
      break;
  }
}
