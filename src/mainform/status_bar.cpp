// The status bar: panel 0's texts, the hints that reach it, and the progress bar laid over it.
#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QStatusBar>

#include "mainform/contents_model.h"
#include "mainform/mainform.h"
#include "ui_mainform.h"

namespace {

constexpr int kStatusBarHeight = 19;
constexpr int kProgressHeight = 13;

// Panel 0 takes the width the window gives it, yet never holds the window wider: a fixed width
// set while the window was wide would forbid making it narrow again.
class TStatusPanel : public QLabel {
 public:
  using QLabel::QLabel;
  void SetWidth(int width) {
    FWidth = width;
    updateGeometry();
    resize(width, height());  // at once, not when the status bar next lays itself out
  }
  QSize sizeHint() const override { return {FWidth, QLabel::sizeHint().height()}; }
  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

 private:
  int FWidth = 260;
};

void SetPanelWidth(QLabel* panel, int width) {
  static_cast<TStatusPanel*>(panel)->SetWidth(width);
}

}  // namespace

void TMainFormFm::BuildStatusBar() {
  QStatusBar* bar = ui->StatusBar1;
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(qMax(kStatusBarHeight, fontMetrics().height() + 4));
  StatusPanel0 = new TStatusPanel(bar);
  StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
  StatusPanel0->setFrameShape(QFrame::Panel);
  StatusPanel0->setFrameShadow(QFrame::Sunken);
  StatusPanel0->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
  StatusPanel1 = new QLabel(bar);
  StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
  StatusPanel1->setFrameShape(QFrame::Panel);
  StatusPanel1->setFrameShadow(QFrame::Sunken);
  StatusPanel1->resize(200, StatusPanel1->height());
  bar->addWidget(StatusPanel0);
  bar->addWidget(StatusPanel1, 1);

  // A child of the window rather than of the status bar, so FormResize places it freely.
  ProgressBar2 = new QProgressBar(this);
  ProgressBar2->setObjectName(QStringLiteral("ProgressBar2"));
  ProgressBar2->setRange(0, 100);
  ProgressBar2->setValue(0);
  ProgressBar2->setTextVisible(false);
  ProgressBar2->raise();
}

QString TMainFormFm::TotalsText() const {
  const QLocale locale;
  return tr("%1 Entries, %2 Bytes, %3 Bytes.")
      .arg(QString::number(ListModel->TotalRows()), locale.toString(static_cast<qlonglong>(FTotalSize)),
           locale.toString(static_cast<qlonglong>(FTotalPacked)));
}

void TMainFormFm::DisplayHint(const QString& Hint) {
  StatusPanel0->setText(Hint);
}

void TMainFormFm::InstallHintHandler() {
  // Installing again moves the filter to the front, ahead of any other window's.
  qApp->installEventFilter(this);
}

// The hint of the control under the mouse, or of its nearest enclosing control that has one,
// or nothing. Qt sends status tips only for controls that have one, so entering a control
// without a hint is handled here.
bool TMainFormFm::HandleHintEvent(QObject* Watched, QEvent* Event) {
  if (Event->type() != QEvent::Enter || !Watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(Watched);
  if (widget->window() != this || widget == this) return false;
  QString hint;
  for (QWidget* at = widget; at && at != this; at = at->parentWidget()) {
    if (!at->statusTip().isEmpty()) {
      hint = at->statusTip();
      break;
    }
  }
  DisplayHint(hint);
  return false;
}

void TMainFormFm::FormResize() {
  if (!ProgressBar2) return;
  const int width = frameGeometry().width();
  const int top = ui->StatusBar1->geometry().top() + 4;
  if (width >= 445) {
    SetPanelWidth(StatusPanel0, width - 180);
    ProgressBar2->setGeometry(width - 175, top, 153, kProgressHeight);
  } else {
    SetPanelWidth(StatusPanel0, 260);
    // Below 287 pixels nothing is left for the bar; it shrinks to nothing rather than overlap.
    ProgressBar2->setGeometry(264, top, qMax(0, width - 287), kProgressHeight);
  }
  ProgressBar2->raise();
}

void TMainFormFm::MainXzStatus(TZipEngine& /*ZipEngine*/, const TZipFileStats& FileStats) {
  ProgressBar2->setValue(FileStats.PercentDone);
}
