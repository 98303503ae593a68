// The main window's side of the settings file: reading it once at start and putting the values to
// work, and writing it back with the window's look (on close while "Save Settings on Exit" is
// checked, or at once).
#include <QTreeView>
#include <iterator>

#include "mainform/mainform.h"
#include "settings/engine_settings.h"
#include "settings/settings_file.h"
#include "ui_mainform.h"

namespace {

// The marks that hold the toolbar and status bar toggles, each with its toggle command.
struct TLookToggle {
  bool TStoredSettings::*Setting;
  QAction* Ui::MainFormFm::*Item;
  void (TMainFormFm::*Toggle)(QObject*);
};
// In the order the start applies them.
const TLookToggle kLookToggles[] = {
    {&TStoredSettings::Toolbar, &Ui::MainFormFm::MnDisplayButtons, &TMainFormFm::MnDisplayButtonsClick},
    {&TStoredSettings::StatusBar, &Ui::MainFormFm::MnStatusbar, &TMainFormFm::MnStatusbarClick},
    {&TStoredSettings::TextLabels, &Ui::MainFormFm::MnTextLabels, &TMainFormFm::MnTextLabelsClick},
};

}  // namespace

void TMainFormFm::LoadSettings() {
  const TStoredSettings stored = ReadSettings();
  static_cast<TSettings&>(*this) = stored;
  CheckSortMenuItem();

  // Each toggle command flips its own mark and applies it, so the mark is set to the opposite
  // of the stored value first.
  for (const TLookToggle& toggle : kLookToggles) {
    QAction* item = (*ui).*toggle.Item;
    item->setChecked(!(stored.*toggle.Setting));
    (this->*toggle.Toggle)(item);
  }
  for (int column = 0; column < int(std::size(kColumnWidths)); ++column)
    ui->ListView->setColumnWidth(column, stored.*kColumnWidths[column]);

  for (int number = 4; number >= 1; --number) {
    const QString name = ReadSettingText(QStringLiteral("OpenedFiles"), QStringLiteral("MRU%1").arg(number),
                                         QString(), kPathLimit);
    if (!name.isEmpty()) AddRecentMenuItem(number, name);
  }

  if (OnTop) setWindowFlag(Qt::WindowStaysOnTopHint, true);
  ApplySettingsToEngine(*this, *MainXz);
}

void TMainFormFm::SaveSettingsNow1Click(QObject* Sender) {
  SaveSettings(Sender);
}

void TMainFormFm::SaveSettings(QObject* Sender) {
  if (!ui->SaveSettingsonExit1->isChecked() && Sender != ui->SaveSettingsNow1) return;
  TStoredSettings stored;
  static_cast<TSettings&>(stored) = *this;
  for (const TLookToggle& toggle : kLookToggles) stored.*toggle.Setting = ((*ui).*toggle.Item)->isChecked();
  for (int column = 0; column < int(std::size(kColumnWidths)); ++column)
    stored.*kColumnWidths[column] = ui->ListView->columnWidth(column);
  WriteSettings(stored, FServices.Dialogs);
}

void TMainFormFm::ApplyOverwriteSetting() {
  ApplyOverwriteToEngine(*this, *MainXz);
}

void TMainFormFm::CheckSortMenuItem() {
  if (QAction* item = SortMenuItem(ActiveColumn)) item->setChecked(true);
}
