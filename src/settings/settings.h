// The settings and the table that describes them. Each setting is a field named by its key in
// section "Settings" of the settings file. The table (settings.cpp) gives each key its section,
// type, default and limit once; reading, writing and the configuration dialog all walk it.
#pragma once

#include <QString>
#include <cstdint>
#include <span>
#include <utility>
#include <variant>

namespace platform {
class TDialogs;
}

// What the commands read. The main window holds these fields; their defaults are the table's
// (DefaultSettings), not the zeros below.
struct TSettings {
  QString LastDirectory;
  std::int32_t CompressionLevel{};
  bool ConfirmRemove{};
  bool ConfirmExtract{};
  bool ConfirmAdd{};
  QString TempFolder;
  bool OnTop{};
  bool UseTempFile{};
  QString Password;
  std::int32_t Encryption{};  // of new entries with a password: 0 AES-256, 1 traditional
  bool CloseBrowser{};
  std::int32_t MouseAction{};
  bool ClearDisk{};
  bool IncludeHidden{};
  bool MoveFiles{};
  bool StorePath{};
  bool Recurse{};
  QString StoredExt;
  std::int32_t Overwrite{};
  QString DefaultExtractPath;
  bool ExtractPath{};
  std::int32_t ExtractMethod{};
  std::int32_t ActiveColumn{};
};

// Everything sections "Settings" and "Columns" hold: the settings, and the main window's look,
// which its menu marks and its list's columns keep while it runs.
struct TStoredSettings : TSettings {
  bool Toolbar{};
  bool StatusBar{};
  bool TextLabels{};
  // The widths of the contents list's columns, named by their keys in section "Columns".
  std::int32_t Name{};
  std::int32_t Date{};
  std::int32_t Time{};
  std::int32_t Size{};
  std::int32_t Packed{};
  std::int32_t Ratio{};
  std::int32_t Path{};
};

// The column widths in the list's column order.
inline constexpr std::int32_t TStoredSettings::*kColumnWidths[] = {
    &TStoredSettings::Name,   &TStoredSettings::Date,  &TStoredSettings::Time, &TStoredSettings::Size,
    &TStoredSettings::Packed, &TStoredSettings::Ratio, &TStoredSettings::Path};

// One key of the settings file. Booleans are written "1" and "0" and read as integers that are
// true when not 0; integers in decimal; texts unchanged.
struct TSettingKey {
  using TField =
      std::variant<bool TStoredSettings::*, std::int32_t TStoredSettings::*, QString TStoredSettings::*>;

  const char* Section;
  const char* Key;
  TField Field;                  // where the value lives, and so its type
  std::int32_t DefaultNumber;    // booleans and integers
  const char* DefaultText;       // texts
  int Limit;                     // texts: at most this many bytes of UTF-8
  std::int32_t Lowest, Highest;  // integers: a value read outside these takes the default
  // -1 stands for "no choice" and is taken as the default: when read, and when the dialog's
  // list is left without a selection.
  bool UnsetIsDefault;
  // An empty value leaves what the file holds alone instead of being written.
  bool KeptWhenEmpty;
  // The control of the configuration dialog that edits the setting; null for none.
  const char* Control;
};

template <class... TFunction>
struct TOverloaded : TFunction... {
  using TFunction::operator()...;
};

// Calls whichever of Functions takes Key's field: one for each of its three types.
template <class... TFunction>
decltype(auto) VisitField(const TSettingKey& Key, TFunction&&... Functions) {
  return std::visit(TOverloaded{std::forward<TFunction>(Functions)...}, Key.Field);
}

// Every key of sections "Settings" and "Columns", in the order they are written.
std::span<const TSettingKey> SettingsTable();

// The first-start values: every key's default.
TStoredSettings DefaultSettings();

// Reads every key of the table; a missing or unreadable key takes its default. An empty
// TempFolder becomes the system's temporary folder.
TStoredSettings ReadSettings();

// Writes every key in the table's order. The first write that fails is told to the user through
// Dialogs and ends the writing (the keys before it stay written); false then.
bool WriteSettings(const TStoredSettings& Settings, platform::TDialogs& Dialogs);
