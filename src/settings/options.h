// TFrmConfiguration: the configuration dialog over a window's settings. Created for one use: it
// fills its controls from the settings when created and, on OK, stores the controls back into
// them and tells the owner, which puts them to work. Which control edits which setting is the
// settings table's to say. It writes nothing to the settings file; that is left to the owner.
#pragma once

#include <QDialog>
#include <QHash>
#include <QList>
#include <memory>
#include <utility>

namespace Ui {
class FrmConfiguration;
}

#include <cstdint>

class QButtonGroup;
class TSettingsOwner;
struct TSettingKey;

class TFrmConfiguration : public QDialog {
  Q_OBJECT

 public:
  // Fills the controls from Owner's settings; Owner also lends its help.
  explicit TFrmConfiguration(TSettingsOwner& Owner);
  ~TFrmConfiguration() override;

  void Button1Click();  // Cancel (also Esc and the title bar's close button)
  void Button2Click();  // OK (also Enter)
  void Button3Click();  // Help

 protected:
  void showEvent(QShowEvent* Event) override;
  void reject() override;

 private:
  void FormCreate();
  void StoreSettings();
  // An integer setting on its control (a slider, a drop-down list or a radio group), and back.
  void ShowNumber(QWidget& Control, std::int32_t Value);
  std::int32_t ChosenNumber(QWidget& Control, const TSettingKey& Key);
  // F1 explains the page that shows.
  void ShowPageHelp();

  std::unique_ptr<Ui::FrmConfiguration> ui;
  TSettingsOwner& FOwner;
  // The controls that edit settings, each with its key of the settings table.
  QList<std::pair<const TSettingKey*, QWidget*>> FControls;
  // The radio items of each radio group among the controls, with ids from 0 in their order.
  QHash<QWidget*, QButtonGroup*> FRadioItems;
};
