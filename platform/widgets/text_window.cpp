#include "platform/widgets/text_window.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>

namespace platform {

TTextWindow::TTextWindow(const QString& file) {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName(QStringLiteral("TextWindow"));
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setWindowTitle(QFileInfo(file).fileName() + QStringLiteral(" - Parcelix"));
  // Escape closes it, as it closes the program's other windows that only show something.
  connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);

  QFile source(file);
  if (source.open(QIODevice::ReadOnly)) {
    const QByteArray bytes = source.read(kShownBytes);
    // Bytes that are not UTF-8 show as replacement marks rather than stopping the text.
    QString text = QString::fromUtf8(bytes);
    if (source.size() > kShownBytes)
      text += tr("\n\n(Only the first %1 MB of this file are shown.)").arg(kShownBytes / (1024 * 1024));
    setPlainText(text);
  } else {
    setPlainText(tr("Unable to read \"%1\": %2").arg(file, source.errorString()));
  }
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize room = screen ? screen->availableGeometry().size() : QSize(1024, 768);
  resize(qMin(720, room.width() * 3 / 4), qMin(560, room.height() * 3 / 4));
}

}  // namespace platform
