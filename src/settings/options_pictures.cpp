#include "settings/options_pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include "settings/painted_picture.h"

namespace {

// Both pictures are drawn on a 40 by 40 grid and scaled to the size asked for.
template <class TDraw>
QPixmap Picture(const QWidget& Target, int Size, TDraw Draw) {
  const TPictureInk ink = PaletteInk(Target.palette());
  return PaintPixmap(Size, Target.devicePixelRatioF(), 40, [&](QPainter& p) { Draw(p, ink); });
}

void Gear(QPainter& p, const TPictureInk& Ink, const QPointF& Centre, qreal Radius) {
  p.save();
  p.translate(Centre);
  p.setPen(QPen(Ink.Line, 1.2));
  p.setBrush(Ink.Metal);
  for (int tooth = 0; tooth < 8; ++tooth) {
    p.drawRect(QRectF(-Radius * 0.22, -Radius * 1.3, Radius * 0.44, Radius * 0.6));
    p.rotate(45);
  }
  p.drawEllipse(QRectF(-Radius, -Radius, 2 * Radius, 2 * Radius));
  p.setBrush(Ink.Hole);
  p.drawEllipse(QRectF(-Radius * 0.4, -Radius * 0.4, Radius * 0.8, Radius * 0.8));
  p.restore();
}

}  // namespace

QPixmap SettingsPicture(const QWidget& Target, int Size) {
  return Picture(Target, Size, [](QPainter& p, const TPictureInk& ink) {
    // The parcel, closed with its zip.
    p.setPen(QPen(ink.Line, 1.2));
    p.setBrush(QColor(214, 168, 96));
    p.drawRect(QRectF(3, 14, 26, 22));
    p.setBrush(QColor(232, 190, 120));
    p.drawPolygon(QPolygonF{QPointF(3, 14), QPointF(8, 9), QPointF(24, 9), QPointF(29, 14)});
    // The zip is drawn on the cardboard, in the cardboard's fixed colours.
    p.setPen(QPen(QColor(90, 90, 100), 1.0));
    for (qreal y = 16; y < 35; y += 2.5) p.drawLine(QPointF(14.5, y), QPointF(17.5, y));
    // The gear that sets it up.
    Gear(p, ink, QPointF(29, 27), 7.5);
  });
}

QPixmap PasswordPicture(const QWidget& Target, int Size) {
  return Picture(Target, Size, [](QPainter& p, const TPictureInk& ink) {
    // The shackle, then the body over its feet.
    p.setPen(QPen(ink.Metal, 3.5, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    shackle.moveTo(8, 20);
    shackle.lineTo(8, 12);
    shackle.arcTo(QRectF(8, 4, 16, 16), 180, -180);
    shackle.lineTo(24, 20);
    p.drawPath(shackle);
    p.setPen(QPen(ink.Line, 1.2));
    p.setBrush(QColor(230, 180, 40));
    p.drawRoundedRect(QRectF(3, 18, 26, 19), 2.5, 2.5);
    // The keyhole, cut into the gold and so dark in any theme.
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(QRectF(13.5, 23, 5, 5));
    p.drawRect(QRectF(15, 27, 2, 5));
    // The key lying across the corner.
    p.save();
    p.translate(31, 24);
    p.rotate(-60);
    p.setPen(QPen(ink.Line, 1.0));
    p.setBrush(ink.Metal);
    p.drawEllipse(QRectF(-4.5, -4.5, 9, 9));
    p.drawRect(QRectF(4, -1.2, 12, 2.4));
    p.drawRect(QRectF(11, 1.2, 2, 3));
    p.drawRect(QRectF(14, 1.2, 2, 2));
    p.setBrush(ink.Hole);
    p.drawEllipse(QRectF(-1.5, -1.5, 3, 3));
    p.restore();
  });
}
