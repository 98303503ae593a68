#include "settings/painted_picture.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <utility>

namespace {

QColor Mix(const QColor& a, const QColor& b, qreal bShare) {
  return QColor::fromRgbF(
      a.redF() + (b.redF() - a.redF()) * bShare, a.greenF() + (b.greenF() - a.greenF()) * bShare,
      a.blueF() + (b.blueF() - a.blueF()) * bShare, a.alphaF() + (b.alphaF() - a.alphaF()) * bShare);
}

class TRenderedIconEngine final : public QIconEngine {
 public:
  explicit TRenderedIconEngine(TPictureRenderer Render) : FRender(std::move(Render)) {}

  QIconEngine* clone() const override { return new TRenderedIconEngine(FRender); }

  QPixmap pixmap(const QSize& Size, QIcon::Mode Mode, QIcon::State) override {
    if (Size.isEmpty()) return {};
    if (Mode != QIcon::Disabled) return QPixmap::fromImage(FRender(Size, Mode));
    const QPixmap normal = QPixmap::fromImage(FRender(Size, QIcon::Normal));
    // The style's disabled look, when there is a style (the icon renderer of the build has none).
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return normal;
    QStyleOption option;
    option.palette = QGuiApplication::palette();
    return QApplication::style()->generatedIconPixmap(QIcon::Disabled, normal, &option);
  }

  void paint(QPainter* Painter, const QRect& Rect, QIcon::Mode Mode, QIcon::State State) override {
    const qreal ratio = Painter->device() ? Painter->device()->devicePixelRatio() : 1.0;
    QPixmap picture = pixmap(Rect.size() * ratio, Mode, State);
    picture.setDevicePixelRatio(ratio);
    Painter->drawPixmap(Rect.topLeft(), picture);
  }

  QString key() const override { return QStringLiteral("parcelix-rendered"); }

 private:
  TPictureRenderer FRender;
};

}  // namespace

QIcon RenderedIcon(TPictureRenderer Render) {
  return QIcon(new TRenderedIconEngine(std::move(Render)));
}

QImage PaintPicture(const QSize& Pixels, qreal Grid, const std::function<void(QPainter&)>& Draw) {
  QImage image(Pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal side = qMin(Pixels.width(), Pixels.height());
  painter.translate((Pixels.width() - side) / 2, (Pixels.height() - side) / 2);
  painter.scale(side / Grid, side / Grid);
  Draw(painter);
  return image;
}

QPixmap PaintPixmap(int Size, qreal Ratio, qreal Grid, const std::function<void(QPainter&)>& Draw) {
  const int pixels = qRound(Size * Ratio);
  QPixmap pixmap = QPixmap::fromImage(PaintPicture(QSize(pixels, pixels), Grid, Draw));
  pixmap.setDevicePixelRatio(Ratio);
  return pixmap;
}

TPictureInk PaletteInk(const QPalette& Colours) {
  const QColor window = Colours.color(QPalette::Window);
  // Lines a little softer than text, as the fixed look's dark grey is beside black.
  const QColor line = Mix(Colours.color(QPalette::WindowText), window, 0.15);
  // Metal halfway to the text, so that it stands apart from a light window and a dark one; the
  // shackle of the padlock has no outline of its own.
  const QColor metal = Mix(window, Colours.color(QPalette::WindowText), 0.4);
  QColor glass = Colours.color(QPalette::Highlight);
  glass.setAlphaF(0.45);
  return {line, metal, glass, window};
}
