// Writing the settings back: on close while "Save Settings on Exit" is checked, or at once.
#include <QTreeView>

#include "mainform/mainform.h"
#include "mainform/settings_file.h"
#include "platform/profile.h"
#include "ui_mainform.h"

namespace {

const QString kSettings = QStringLiteral("Settings");

QString BoolText(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }

}  // namespace

bool TMainFormFm::WriteSetting(const QString& Section, const QString& Key, const QString& Value) {
  if (platform::WritePrivateProfileString(Section, Key, Value, kSettingsFileName)) return true;
  FServices.Dialogs.MessageDlg(
      QStringLiteral("Unable to write to %1").arg(platform::ProfileFilePath(kSettingsFileName)),
      platform::TMsgDlgType::mtError, platform::mbOK);
  return false;
}

void TMainFormFm::SaveSettingsNow1Click(QObject* Sender) { SaveSettings(Sender); }

void TMainFormFm::SaveSettings(QObject* Sender) {
  if (!ui->SaveSettingsonExit1->isChecked() && Sender != ui->SaveSettingsNow1) return;

  // In the file's order; the first failed write ends the save, so one error is shown once.
  QList<std::pair<QString, QString>> settings = {
      {QStringLiteral("CompressionLevel"), QString::number(CompressionLevel)},
      {QStringLiteral("ConfirmRemove"), BoolText(ConfirmRemove)},
      {QStringLiteral("ConfirmExtract"), BoolText(ConfirmExtract)},
      {QStringLiteral("ConfirmAdd"), BoolText(ConfirmAdd)},
      {QStringLiteral("TempFolder"), TempFolder},
      {QStringLiteral("OnTop"), BoolText(OnTop)},
      {QStringLiteral("UseTempFile"), BoolText(UseTempFile)},
      {QStringLiteral("Password"), Password},
      {QStringLiteral("CloseBrowser"), BoolText(CloseBrowser)},
      {QStringLiteral("MouseAction"), QString::number(MouseAction)},
      {QStringLiteral("ClearDisk"), BoolText(ClearDisk)},
      {QStringLiteral("IncludeHidden"), BoolText(IncludeHidden)},
      {QStringLiteral("MoveFiles"), BoolText(MoveFiles)},
      {QStringLiteral("StorePath"), BoolText(StorePath)},
      {QStringLiteral("Recurse"), BoolText(Recurse)},
      {QStringLiteral("StoredExt"), StoredExt},
      {QStringLiteral("Overwrite"), QString::number(Overwrite)},
      {QStringLiteral("DefaultExtractPath"), DefaultExtractPath},
      {QStringLiteral("ExtractPath"), BoolText(ExtractPath)},
  };
  // An empty LastDirectory leaves the folder already in the file alone.
  if (!LastDirectory.isEmpty()) settings.append({QStringLiteral("LastDirectory"), LastDirectory});
  settings.append({QStringLiteral("ExtractMethod"), QString::number(ExtractMethod)});
  for (const auto& [key, value] : settings)
    if (!WriteSetting(kSettings, key, value)) return;

  const char* const columnKeys[] = {"Name", "Date", "Time", "Size", "Packed", "Ratio", "Path"};
  for (int column = 0; column < 7; ++column)
    if (!WriteSetting(QStringLiteral("Columns"), QLatin1String(columnKeys[column]),
                      QString::number(ui->ListView->columnWidth(column))))
      return;

  const std::pair<QString, QString> last[] = {
      {QStringLiteral("ActiveColumn"), QString::number(ActiveColumn)},
      {QStringLiteral("StatusBar"), BoolText(ui->MnStatusbar->isChecked())},
      {QStringLiteral("TextLabels"), BoolText(ui->MnTextLabels->isChecked())},
      {QStringLiteral("Toolbar"), BoolText(ui->MnDisplayButtons->isChecked())},
  };
  for (const auto& [key, value] : last)
    if (!WriteSetting(kSettings, key, value)) return;
}
