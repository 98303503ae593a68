// Reading the settings file once, at start, and applying what it says.
#include <QDir>
#include <QTreeView>

#include "mainform/mainform.h"
#include "mainform/settings_file.h"
#include "platform/run_folder.h"
#include "ui_mainform.h"

namespace {

const QString kSettings = QStringLiteral("Settings");

}  // namespace

void TMainFormFm::LoadSettings() {
  LastDirectory = ReadSettingText(kSettings, QStringLiteral("LastDirectory"), QString(), kPathLimit);
  CompressionLevel = ReadSettingInt(kSettings, QStringLiteral("CompressionLevel"), 6);
  ConfirmRemove = ReadSettingBool(kSettings, QStringLiteral("ConfirmRemove"), true);
  ConfirmExtract = ReadSettingBool(kSettings, QStringLiteral("ConfirmExtract"), true);
  ConfirmAdd = ReadSettingBool(kSettings, QStringLiteral("ConfirmAdd"), true);
  TempFolder = ReadSettingText(kSettings, QStringLiteral("TempFolder"), QString(), kPathLimit);
  if (TempFolder.isEmpty()) TempFolder = CutToBytes(platform::SystemTempFolder(), kPathLimit);

  OnTop = ReadSettingBool(kSettings, QStringLiteral("OnTop"), false);
  UseTempFile = ReadSettingBool(kSettings, QStringLiteral("UseTempFile"), false);
  Password = ReadSettingText(kSettings, QStringLiteral("Password"), QString(), kPasswordLimit);
  CloseBrowser = ReadSettingBool(kSettings, QStringLiteral("CloseBrowser"), false);
  MouseAction = ReadSettingInt(kSettings, QStringLiteral("MouseAction"), 0);
  ClearDisk = ReadSettingBool(kSettings, QStringLiteral("ClearDisk"), true);
  IncludeHidden = ReadSettingBool(kSettings, QStringLiteral("IncludeHidden"), true);
  MoveFiles = ReadSettingBool(kSettings, QStringLiteral("MoveFiles"), false);
  StorePath = ReadSettingBool(kSettings, QStringLiteral("StorePath"), true);
  Recurse = ReadSettingBool(kSettings, QStringLiteral("Recurse"), false);
  StoredExt = ReadSettingText(kSettings, QStringLiteral("StoredExt"), QStringLiteral(".ZIP;.LZH;.ARC;.ARJ;.ZOO"),
                              kExtensionListLimit);

  Overwrite = ReadSettingInt(kSettings, QStringLiteral("Overwrite"), 2);
  if (Overwrite == -1) Overwrite = 2;
  ApplyOverwriteSetting();

  DefaultExtractPath = ReadSettingText(kSettings, QStringLiteral("DefaultExtractPath"), QString(), kPathLimit);
  ExtractPath = ReadSettingBool(kSettings, QStringLiteral("ExtractPath"), false);
  ExtractMethod = ReadSettingInt(kSettings, QStringLiteral("ExtractMethod"), 0);
  ActiveColumn = ReadSettingInt(kSettings, QStringLiteral("ActiveColumn"), 0);
  CheckSortMenuItem();

  // Each toggle command flips its own mark and applies it, so the mark is set to the opposite
  // of the stored value first.
  const struct {
    const char* Key;
    QAction* Item;
    void (TMainFormFm::*Toggle)(QObject*);
  } toggles[] = {{"Toolbar", ui->MnDisplayButtons, &TMainFormFm::MnDisplayButtonsClick},
                 {"StatusBar", ui->MnStatusbar, &TMainFormFm::MnStatusbarClick},
                 {"TextLabels", ui->MnTextLabels, &TMainFormFm::MnTextLabelsClick}};
  for (const auto& toggle : toggles) {
    toggle.Item->setChecked(!ReadSettingBool(kSettings, QLatin1String(toggle.Key), true));
    (this->*toggle.Toggle)(toggle.Item);
  }

  const char* const columnKeys[] = {"Name", "Date", "Time", "Size", "Packed", "Ratio", "Path"};
  const int columnDefaults[] = {90, 62, 60, 60, 60, 38, 1096};
  for (int column = 0; column < 7; ++column) {
    const int width = ReadSettingInt(QStringLiteral("Columns"), QLatin1String(columnKeys[column]),
                                     columnDefaults[column]);
    // A width from an edited file that would hide the column for good (0 or less), or swamp
    // the list, is not taken.
    ui->ListView->setColumnWidth(column, width > 0 && width <= 32767 ? width : columnDefaults[column]);
  }

  for (int number = 4; number >= 1; --number) {
    const QString name = ReadSettingText(QStringLiteral("OpenedFiles"), QStringLiteral("MRU%1").arg(number),
                                         QString(), kPathLimit);
    if (!name.isEmpty()) AddRecentMenuItem(number, name);
  }

  if (OnTop) setWindowFlag(Qt::WindowStaysOnTopHint, true);

  MainXz->Compression = static_cast<TZipCompressionLevel>(CompressionLevel & 0xFF);
  MainXz->ClearDisks = ClearDisk;
  MainXz->UseTempFile = UseTempFile;
  if (TempFolder.size() > 1 && TempFolder.endsWith(u'/')) TempFolder.chop(1);
  MainXz->TempPath = TempFolder;
  MainXz->StoredExtensions = StoredExt;
  MainXz->Recurse = Recurse;
  MainXz->MoveFiles = MoveFiles;
  MainXz->IncludeHiddenFiles = IncludeHidden;
  MainXz->ClearDisks = ClearDisk;
  MainXz->Password = Password;
}

void TMainFormFm::ApplyOverwriteSetting() {
  switch (Overwrite) {
    case 0: MainXz->Overwrite = zowNever; break;
    case 1: MainXz->Overwrite = zowAlways; break;
    case 2: MainXz->Overwrite = zowAsk; break;
    default: break;
  }
}

void TMainFormFm::CheckSortMenuItem() {
  if (QAction* item = SortMenuItem(ActiveColumn)) item->setChecked(true);
}
