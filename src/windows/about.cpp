#include "windows/about.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>

#include "parcelix_version.h"
#include "support/centre_on_screen.h"
#include "ui_about.h"

TFrmAbout::TFrmAbout(QWidget* Owner)
    : QDialog(Owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint),
      ui(std::make_unique<Ui::FrmAbout>()) {
  ui->setupUi(this);
  // The major and minor of the project's version.
  ui->Version->setText(tr("Version %1").arg(QStringLiteral(PARCELIX_VERSION_SHORT)));
  // At least the classic 292 by 217; larger when the desktop font needs it. Never resizable.
  // The owner window's icon is the program's icon.
  const QIcon icon = Owner ? Owner->windowIcon() : QApplication::windowIcon();
  ui->ProgramIcon->setPixmap(icon.pixmap(32, 32));
  // Esc closes the box through QDialog's reject, like the OK button.
  connect(ui->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  ui->OKBtn->setFocus();
}

TFrmAbout::~TFrmAbout() = default;

void TFrmAbout::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  CentreOnScreen(*this);
  ui->OKBtn->setFocus();
}
