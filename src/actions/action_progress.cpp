#include "actions/action_progress.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/zip_engine.h"

namespace {

constexpr int kBarRange = 1000;
constexpr int kWindowWidth = 420;

}  // namespace

TActionProgress::TActionProgress(QWidget* Parent) : QWidget(Parent, Qt::Dialog) {
  setWindowTitle(QStringLiteral("Parcelix"));
  FTask = new QLabel(this);
  FEntry = new QLabel(this);
  FEntry->setTextFormat(Qt::PlainText);
  FTask->setTextFormat(Qt::PlainText);
  FBar = new QProgressBar(this);
  FBar->setRange(0, kBarRange);
  FBar->setValue(0);
  FBar->setTextVisible(true);
  auto* buttons = new QDialogButtonBox(this);
  FAbort = buttons->addButton(tr("Abort"), QDialogButtonBox::RejectRole);
  connect(FAbort, &QPushButton::clicked, this, &TActionProgress::RequestAbort);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FTask);
  layout->addWidget(FEntry);
  layout->addWidget(FBar);
  layout->addWidget(buttons);
  setFixedWidth(kWindowWidth);
}

void TActionProgress::Begin(const QString& Task, std::int64_t TotalBytes) {
  FTask->setText(Task);
  FEntry->clear();
  FTotal = std::max<std::int64_t>(TotalBytes, 0);
  FDone = FCurrent = FPartial = 0;
  ShowBytes();
}

void TActionProgress::Entry(const QString& Name, std::int64_t Size) {
  FDone += FCurrent;
  FCurrent = std::max<std::int64_t>(Size, 0);
  FPartial = 0;
  // A long name keeps the window's width: its middle gives way.
  const int room = FEntry->contentsRect().width() > 0 ? FEntry->contentsRect().width() : kWindowWidth - 40;
  FEntry->setText(FEntry->fontMetrics().elidedText(Name, Qt::ElideMiddle, room));
  FEntry->setToolTip(Name);
  ShowBytes();
}

void TActionProgress::EntryPercent(int Percent) {
  FPartial = FCurrent * std::clamp(Percent, 0, 100) / 100;
  ShowBytes();
}

QString TActionProgress::TaskText() const {
  return FTask->text();
}

QString TActionProgress::EntryText() const {
  return FEntry->toolTip();
}

int TActionProgress::Permille() const {
  return FBar->value();
}

void TActionProgress::ShowBytes() {
  // Entries that claim more than the listing said never push the bar past its end.
  const std::int64_t done = std::min(FDone + FPartial, FTotal);
  FBar->setValue(FTotal > 0 ? static_cast<int>(done * kBarRange / FTotal) : 0);
}

void TActionProgress::RequestAbort() {
  FAbortRequested = true;
  FAbort->setEnabled(false);
  if (FEngine) FEngine->Abort = true;
}

void TActionProgress::closeEvent(QCloseEvent* Event) {
  // Closing the window while the engine works means: stop. The window goes when the work does.
  RequestAbort();
  Event->ignore();
}
