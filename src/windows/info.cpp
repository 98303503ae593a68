#include "windows/info.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <cmath>

#include "engine/zip_engine.h"
#include "platform/text_limits.h"
#include "support/centre_on_screen.h"
#include "ui_info.h"
#include "windows/entry_listing.h"

namespace {

constexpr int kCommentLimit = 255;

// Read when the dialog opens, so it follows the language loaded at start.
QString Unavailable() {
  return TFrmArchiveInfo::tr("Unavailable");
}

}  // namespace

QString CompressionText(std::int64_t SizeTotal, std::int64_t PackedTotal) {
  // An archive of empty entries saves nothing rather than dividing by zero.
  const double percent =
      SizeTotal == 0 ? 0.0
                     : 100.0 - (static_cast<double>(PackedTotal) / static_cast<double>(SizeTotal)) * 100.0;
  // Rounded first, so a figure just under 0 never shows as "-0".
  return QLocale::system().toString(static_cast<qlonglong>(std::llround(percent))) + QStringLiteral("%");
}

QString FileDateTimeText(const QDateTime& Stamp) {
  const QDateTime local = Stamp.toLocalTime();
  QTime time = local.time();
  time = QTime(time.hour(), time.minute(), time.second() - time.second() % 2);
  const QLocale locale = QLocale::system();
  QString text = locale.toString(local.date(), QLocale::ShortFormat);
  if (time != QTime(0, 0)) text += QStringLiteral(" ") + locale.toString(time, QLocale::LongFormat);
  return text;
}

QString CutComment(const QString& Text) {
  return platform::CutToBytes(Text, kCommentLimit);
}

TFrmArchiveInfo::TFrmArchiveInfo(TZipEngine& Engine, bool OnTop, QWidget* Owner)
    : QDialog(Owner,
              Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint),
      ui(std::make_unique<Ui::FrmArchiveInfo>()),
      FEngine(Engine) {
  ui->setupUi(this);
  ui->EdComment->hide();
  ui->EdComment->setMaxLength(kCommentLimit);
  // The limit is in bytes: a comment of wide characters is cut where the archive would cut it.
  connect(ui->EdComment, &QLineEdit::textEdited, this, [this](const QString& text) {
    const QString cut = CutComment(text);
    if (cut != text) ui->EdComment->setText(cut);
  });
  connect(ui->Button1, &QPushButton::clicked, this, &TFrmArchiveInfo::Button1Click);
  FormCreate(OnTop);
}

TFrmArchiveInfo::~TFrmArchiveInfo() = default;

void TFrmArchiveInfo::FormCreate(bool OnTop) {
  const QFileInfo file(FEngine.ZipFileName);
  // A file that cannot be opened has no size or date to show; the entries may still be listed.
  QFile probe(FEngine.ZipFileName);
  const bool readable = probe.open(QIODevice::ReadOnly);
  const qint64 fileSize = readable ? probe.size() : -1;
  probe.close();

  ui->LbFile->setText(FEngine.ZipFileName);
  ui->LbDate->setText(readable && file.lastModified().isValid() ? FileDateTimeText(file.lastModified())
                                                                : Unavailable());
  // One listing gives the count and both totals; asking entry by entry would read the
  // archive's index once per entry.
  int count = 0;
  std::int64_t packedTotal = 0;
  std::int64_t sizeTotal = 0;
  ListEachEntry(FEngine, [&](const TZipFileStats& stats) {
    ++count;
    packedTotal += stats.CompressedSize;
    sizeTotal += stats.Size;
  });
  ui->LbSize->setText(fileSize >= 0 ? QString::number(fileSize) : Unavailable());
  ui->LbFiles->setText(QString::number(count));
  ui->LbCompression->setText(CompressionText(sizeTotal, packedTotal));

  QString comment;
  FEngine.GetArchiveComment(comment);
  ui->LbComment->setText(comment);
  if (OnTop) setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void TFrmArchiveInfo::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  CentreOnScreen(*this);
  if (!FShown) {
    FShown = true;
    FormShow();
  }
}

void TFrmArchiveInfo::FormShow() {
  if (Tag != 1) {
    ui->Button1->setFocus();
    return;
  }
  ui->LbComment->hide();
  ui->EdComment->show();
  QString comment;
  FEngine.GetArchiveComment(comment);
  ui->EdComment->setText(CutComment(comment));
  ui->EdComment->setFocus();
}

// Esc presses the one button, like Enter.
void TFrmArchiveInfo::reject() {
  Button1Click();
}

void TFrmArchiveInfo::Button1Click() {
  if (Tag == 1 && FShown) {
    QString current;
    FEngine.GetArchiveComment(current);
    const QString wanted = ui->EdComment->text();
    if (wanted != current) {
      FEngine.SetArchiveComment(wanted);
      // The engine does not say whether the archive took the comment, so read it back; in
      // multi-disk mode the engine leaves comments alone on purpose.
      if (!FEngine.MultidiskMode) {
        QString written;
        FEngine.GetArchiveComment(written);
        FCommentWriteFailed = written != CutComment(wanted);
      }
    }
  }
  accept();
}
