// TFrmConfiguration: the configuration dialog over the main window's settings. Created for one
// use: it fills its controls from the window's setting fields when created and, on OK, writes the
// controls back into those fields and into the window's engine. It writes nothing to the settings
// file; that is left to the window's own save.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class FrmConfiguration;
}

class QButtonGroup;
class TMainFormFm;

class TFrmConfiguration : public QDialog {
  Q_OBJECT

 public:
  // Fills the controls from Owner's settings; Owner also lends its help viewer.
  explicit TFrmConfiguration(TMainFormFm& Owner);
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
  // F1 explains the page that shows.
  void ShowPageHelp();

  std::unique_ptr<Ui::FrmConfiguration> ui;
  TMainFormFm& FOwner;
  QButtonGroup* FMouseActions;  // the radio items of RdGrpMouseAction, ids 0 to 2
};
