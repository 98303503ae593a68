#include "settings/settings.h"

#include <limits>

#include "engine/zip_engine.h"
#include "platform/run_folder.h"
#include "settings/settings_file.h"

namespace {

using S = TStoredSettings;

constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kHighest = std::numeric_limits<std::int32_t>::max();

TSettingKey Flag(const char* Key, bool S::*Field, bool Default, const char* Control = nullptr) {
  return {"Settings", Key, Field, Default ? 1 : 0, "", 0, kLowest, kHighest, false, false, Control};
}

TSettingKey Number(const char* Key, std::int32_t S::*Field, std::int32_t Default,
                   const char* Control = nullptr) {
  return {"Settings", Key, Field, Default, "", 0, kLowest, kHighest, false, false, Control};
}

TSettingKey Text(const char* Key, QString S::*Field, const char* Default, int Limit,
                 const char* Control = nullptr) {
  return {"Settings", Key, Field, 0, Default, Limit, kLowest, kHighest, false, false, Control};
}

// A column width from an edited file that would hide the column for good (0 or less), or swamp
// the list, is not taken.
TSettingKey Width(const char* Key, std::int32_t S::*Field, std::int32_t Default) {
  return {"Columns", Key, Field, Default, "", 0, 1, 32767, false, false, nullptr};
}

// One of `Count` choices, numbered from 0; anything else is the default.
TSettingKey Choice(const char* Key, std::int32_t S::*Field, std::int32_t Default, std::int32_t Count,
                   const char* Control) {
  return {"Settings", Key, Field, Default, "", 0, 0, Count - 1, false, false, Control};
}

TSettingKey UnsetIsDefault(TSettingKey Key) {
  Key.UnsetIsDefault = true;
  return Key;
}

TSettingKey KeptWhenEmpty(TSettingKey Key) {
  Key.KeptWhenEmpty = true;
  return Key;
}

// In the order the keys are written: a file made by a first save lists them so.
const TSettingKey kTable[] = {
    Number("CompressionLevel", &S::CompressionLevel, 6, "TrackBar1"),
    Flag("ConfirmRemove", &S::ConfirmRemove, true, "CkBxRemove"),
    Flag("ConfirmExtract", &S::ConfirmExtract, true, "CkBxExtract"),
    Flag("ConfirmAdd", &S::ConfirmAdd, true, "CkBxAdd"),
    Text("TempFolder", &S::TempFolder, "", kPathLimit, "EdTempFolder"),
    Flag("OnTop", &S::OnTop, false, "CkBxOnTop"),
    Flag("UseTempFile", &S::UseTempFile, false, "CkBxUseTemp"),
    Text("Password", &S::Password, "", kPasswordLimit, "EdPassword"),
    Choice("Encryption", &S::Encryption, 0, 2, "CmEncryption"),
    Flag("CloseBrowser", &S::CloseBrowser, false, "CkBxCloseBrowser"),
    Number("MouseAction", &S::MouseAction, 0, "RdGrpMouseAction"),
    Flag("ClearDisk", &S::ClearDisk, true, "CkBxClearDisk"),
    Flag("IncludeHidden", &S::IncludeHidden, true, "CkBxIncludeHidden"),
    Flag("MoveFiles", &S::MoveFiles, false, "CkBxMoveFiles"),
    Flag("StorePath", &S::StorePath, true, "CkBxStorePath"),
    Flag("Recurse", &S::Recurse, false, "CkBxRecurse"),
    Text("StoredExt", &S::StoredExt, kDefaultStoredExtensions, kExtensionListLimit, "EdStoredExt"),
    UnsetIsDefault(Number("Overwrite", &S::Overwrite, 2, "CmOverwrite")),
    Text("DefaultExtractPath", &S::DefaultExtractPath, "", kPathLimit, "EdDefaultExtractPath"),
    Flag("ExtractPath", &S::ExtractPath, false, "CkBxExtractPath"),
    KeptWhenEmpty(Text("LastDirectory", &S::LastDirectory, "", kPathLimit)),
    Number("ExtractMethod", &S::ExtractMethod, 0, "CmExtractMethod"),
    Width("Name", &S::Name, 90),
    Width("Date", &S::Date, 62),
    Width("Time", &S::Time, 60),
    Width("Size", &S::Size, 60),
    Width("Packed", &S::Packed, 60),
    Width("Ratio", &S::Ratio, 38),
    Width("Path", &S::Path, 1096),
    Number("ActiveColumn", &S::ActiveColumn, 0),
    Flag("StatusBar", &S::StatusBar, true),
    Flag("TextLabels", &S::TextLabels, true),
    Flag("Toolbar", &S::Toolbar, true),
};

void SetDefault(const TSettingKey& Key, S& Settings) {
  VisitField(
      Key, [&](bool S::*Field) { Settings.*Field = Key.DefaultNumber != 0; },
      [&](std::int32_t S::*Field) { Settings.*Field = Key.DefaultNumber; },
      [&](QString S::*Field) { Settings.*Field = QString::fromUtf8(Key.DefaultText); });
}

void Read(const TSettingKey& Key, S& Settings) {
  const QString section = QLatin1String(Key.Section);
  const QString key = QLatin1String(Key.Key);
  VisitField(
      Key, [&](bool S::*Field) { Settings.*Field = ReadSettingBool(section, key, Key.DefaultNumber != 0); },
      [&](std::int32_t S::*Field) {
        std::int32_t value = ReadSettingInt(section, key, Key.DefaultNumber);
        if ((Key.UnsetIsDefault && value == -1) || value < Key.Lowest || value > Key.Highest)
          value = Key.DefaultNumber;
        Settings.*Field = value;
      },
      [&](QString S::*Field) {
        Settings.*Field = ReadSettingText(section, key, QString::fromUtf8(Key.DefaultText), Key.Limit);
      });
}

QString ValueText(const TSettingKey& Key, const S& Settings) {
  return VisitField(
      Key, [&](bool S::*Field) { return Settings.*Field ? QStringLiteral("1") : QStringLiteral("0"); },
      [&](std::int32_t S::*Field) { return QString::number(Settings.*Field); },
      [&](QString S::*Field) { return Settings.*Field; });
}

}  // namespace

std::span<const TSettingKey> SettingsTable() {
  return kTable;
}

TStoredSettings DefaultSettings() {
  TStoredSettings settings;
  for (const TSettingKey& key : kTable) SetDefault(key, settings);
  return settings;
}

TStoredSettings ReadSettings() {
  TStoredSettings settings;
  for (const TSettingKey& key : kTable) Read(key, settings);
  if (settings.TempFolder.isEmpty())
    settings.TempFolder = CutToBytes(platform::SystemTempFolder(), kPathLimit);
  return settings;
}

bool WriteSettings(const TStoredSettings& Settings, platform::TDialogs& Dialogs) {
  for (const TSettingKey& key : kTable) {
    const QString value = ValueText(key, Settings);
    if (key.KeptWhenEmpty && value.isEmpty()) continue;
    if (!WriteSetting(QLatin1String(key.Section), QLatin1String(key.Key), value, Dialogs)) return false;
  }
  return true;
}
