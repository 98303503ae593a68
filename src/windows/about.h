// The About box: the program's name, version and maker. Shown modally, then released.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class FrmAbout;
}

class TFrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TFrmAbout(QWidget* Owner = nullptr);
  ~TFrmAbout() override;

 protected:
  void showEvent(QShowEvent* Event) override;

 private:
  std::unique_ptr<Ui::FrmAbout> ui;
};
