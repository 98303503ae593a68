// The View menu's toggles: toolbar, its captions, status bar.
#include <QPainter>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolButton>

#include "mainform/mainform.h"
#include "ui_mainform.h"

namespace {

constexpr int kLabelledHeight = 52;
constexpr int kLabelledWidth = 40;
constexpr int kIconOnlySize = 38;

}  // namespace

void TMainFormFm::MnStatusbarClick(QObject* /*Sender*/) {
  ui->MnStatusbar->setChecked(!ui->MnStatusbar->isChecked());
  const bool shown = ui->MnStatusbar->isChecked();
  ui->StatusBar1->setVisible(shown);
  ProgressBar2->setVisible(shown);
  FormResize();
}

void TMainFormFm::MnDisplayButtonsClick(QObject* /*Sender*/) {
  ui->MnDisplayButtons->setChecked(!ui->MnDisplayButtons->isChecked());
  ui->ToolBar->setVisible(ui->MnDisplayButtons->isChecked());
}

void TMainFormFm::MnTextLabelsClick(QObject* /*Sender*/) {
  ui->MnTextLabels->setChecked(!ui->MnTextLabels->isChecked());
  ApplyTextLabels(ui->MnTextLabels->isChecked());
}

// Captions under the images make the buttons 52 high and at least 40 wide; like the classic
// toolbar control, every button widens to the widest caption so no caption is cut.
void TMainFormFm::ApplyTextLabels(bool Shown) {
  const auto buttons = ToolButtons();
  for (QToolButton* button : buttons)
    button->setToolButtonStyle(Shown ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
  int width = kIconOnlySize, height = kIconOnlySize;
  if (Shown) {
    height = kLabelledHeight;
    width = kLabelledWidth;
    for (QToolButton* button : buttons)
      width = qMax(width, button->fontMetrics().horizontalAdvance(button->text()) + 10);
  }
  for (QToolButton* button : buttons) button->setFixedSize(width, height);
  ui->ToolBar->setFixedHeight(height);
}

// The line above and below the toolbar.
void TMainFormFm::PaintToolBarEdges() {
  QPainter painter(ui->ToolBar);
  const QRect area = ui->ToolBar->rect();
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawLine(area.topLeft(), area.topRight());
  painter.drawLine(area.bottomLeft(), area.bottomRight());
}
