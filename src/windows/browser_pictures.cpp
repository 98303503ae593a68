#include "windows/browser_pictures.h"

#include <QPainter>
#include <cmath>

#include "settings/painted_picture.h"
#include "windows/parcel_picture.h"

namespace {

void DrawBrowseFolder(QPainter& p, const TPictureInk& ink) {
  // The folder, its back and tab, then its open front.
  p.setPen(QPen(ink.Line, 1.2));
  p.setBrush(QColor(240, 200, 80));
  p.drawRect(QRectF(2, 9, 22, 16));
  p.drawRect(QRectF(2, 6, 9, 3));
  // Two small parcels inside, the archives of the folder.
  DrawParcel(p, QRectF(6, 5, 7, 8), ink.Line);
  DrawParcel(p, QRectF(14, 4, 7, 9), ink.Line);
  p.setPen(QPen(ink.Line, 1.2));
  p.setBrush(QColor(250, 222, 120));
  p.drawPolygon(QPolygonF{QPointF(6, 13), QPointF(27, 13), QPointF(24, 25), QPointF(2, 25)});
  // The magnifying glass over its corner.
  p.setPen(QPen(QColor(110, 60, 20), 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(25, 25), QPointF(30, 30));
  p.setPen(QPen(ink.Line, 2));
  p.setBrush(ink.Glass);
  p.drawEllipse(QRectF(15, 14, 11, 11));
}

void DrawOpenArchive(QPainter& p, const TPictureInk& ink) {
  DrawParcel(p, QRectF(3, 13, 19, 16), ink.Line);
  // The lid lifted.
  p.setPen(QPen(ink.Line, 1.2));
  p.setBrush(QColor(232, 190, 120));
  p.drawPolygon(QPolygonF{QPointF(3, 13), QPointF(1, 7), QPointF(17, 7), QPointF(22, 13)});
  // The arrow out towards the window it opens in.
  const QPointF from(14, 16), to(26, 4);
  const QColor green(20, 150, 40);
  p.setPen(QPen(green, 3.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to);
  const QPointF d = (to - from) / std::hypot((to - from).x(), (to - from).y());
  const QPointF n(-d.y(), d.x());
  p.setPen(Qt::NoPen);
  p.setBrush(green);
  p.drawPolygon(QPolygonF{to + d * 3, to - d * 4 + n * 5, to - d * 4 - n * 5});
}

QIcon Icon(const QPalette& Colours, void (*Draw)(QPainter&, const TPictureInk&)) {
  return RenderedIcon([ink = PaletteInk(Colours), Draw](const QSize& pixels, QIcon::Mode) {
    return PaintPicture(pixels, 32, [&](QPainter& p) { Draw(p, ink); });
  });
}

}  // namespace

QIcon BrowseFolderIcon(const QPalette& Colours) {
  return Icon(Colours, DrawBrowseFolder);
}

QIcon OpenArchiveIcon(const QPalette& Colours) {
  return Icon(Colours, DrawOpenArchive);
}
