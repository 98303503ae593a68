#include "mainform/toolbar_images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

#include "settings/painted_picture.h"
#include "windows/parcel_picture.h"

namespace {

const QColor kOutline = kFixedLine;

void Page(QPainter& p, const QRectF& r) {
  QPainterPath path;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - 6, r.top());
  path.lineTo(r.right(), r.top() + 6);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setPen(QPen(kOutline, 1.2));
  p.setBrush(Qt::white);
  p.drawPath(path);
  p.drawLine(QPointF(r.right() - 6, r.top()), QPointF(r.right() - 6, r.top() + 6));
  p.drawLine(QPointF(r.right() - 6, r.top() + 6), QPointF(r.right(), r.top() + 6));
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour) {
  p.setPen(QPen(colour, 3.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to);
  const QPointF d = (to - from) / std::hypot((to - from).x(), (to - from).y());
  const QPointF n(-d.y(), d.x());
  QPolygonF head{to + d * 3, to - d * 4 + n * 5, to - d * 4 - n * 5};
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPolygon(head);
}

void Folder(QPainter& p, bool open) {
  p.setPen(QPen(kOutline, 1.2));
  p.setBrush(QColor(240, 200, 80));
  p.drawRect(QRectF(3, 10, 24, 17));
  p.drawRect(QRectF(3, 7, 10, 3));
  if (open) {
    p.setBrush(QColor(250, 222, 120));
    p.drawPolygon(QPolygonF{QPointF(7, 15), QPointF(30, 15), QPointF(26, 27), QPointF(3, 27)});
  }
}

void Cross(QPainter& p, const QPointF& c, qreal r) {
  p.setPen(QPen(QColor(200, 30, 30), 3.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
  p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
}

void Draw(QPainter& p, int index) {
  switch (index) {
    case 0:  // New: a fresh page with a star
      Page(p, QRectF(6, 3, 20, 26));
      DrawParcel(p, QRectF(10, 14, 12, 11));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(250, 210, 0));
      p.drawEllipse(QRectF(20, 1, 10, 10));
      break;
    case 1:  // Open: an opened folder with a parcel
      Folder(p, false);
      DrawParcel(p, QRectF(11, 4, 12, 12));
      p.setBrush(QColor(250, 222, 120));
      p.setPen(QPen(kOutline, 1.2));
      p.drawPolygon(QPolygonF{QPointF(7, 15), QPointF(30, 15), QPointF(26, 27), QPointF(3, 27)});
      break;
    case 2:  // Close: a parcel with a cross
      DrawParcel(p, QRectF(4, 6, 20, 20));
      Cross(p, QPointF(24, 24), 5);
      break;
    case 3:  // Add: an arrow into the parcel
      DrawParcel(p, QRectF(4, 14, 20, 15));
      Arrow(p, QPointF(27, 2), QPointF(17, 14), QColor(20, 150, 40));
      break;
    case 4:  // Extract: an arrow out of the parcel
      DrawParcel(p, QRectF(4, 14, 20, 15));
      Arrow(p, QPointF(14, 16), QPointF(25, 4), QColor(30, 90, 200));
      break;
    case 5:  // Remove: a page struck out beside the parcel
      DrawParcel(p, QRectF(3, 12, 18, 17));
      Page(p, QRectF(16, 2, 13, 16));
      Cross(p, QPointF(22.5, 10), 5);
      break;
    case 6:  // View: a magnifier over a page
      Page(p, QRectF(4, 2, 18, 24));
      p.setPen(QPen(QColor(120, 120, 120), 1));
      for (int y = 9; y < 24; y += 3) p.drawLine(7, y, 18, y);
      p.setPen(QPen(kOutline, 2));
      p.setBrush(QColor(170, 220, 255, 170));
      p.drawEllipse(QRectF(13, 12, 11, 11));
      p.setPen(QPen(QColor(110, 60, 20), 4, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(23, 22), QPointF(29, 28));
      break;
    case 7: {  // Configure: a gear
      p.translate(16, 16);
      p.setPen(QPen(kOutline, 1.2));
      p.setBrush(QColor(150, 160, 175));
      for (int tooth = 0; tooth < 8; ++tooth) {
        p.drawRect(QRectF(-2.5, -14, 5, 6));
        p.rotate(45);
      }
      p.drawEllipse(QRectF(-10, -10, 20, 20));
      p.setBrush(Qt::white);
      p.drawEllipse(QRectF(-4, -4, 8, 8));
      break;
    }
    case 8: {  // Abort: a stop sign
      QPolygonF octagon;
      for (int corner = 0; corner < 8; ++corner) {
        const double angle = (22.5 + 45.0 * corner) * 3.14159265358979 / 180.0;
        octagon << QPointF(16 + 14 * std::cos(angle), 16 + 14 * std::sin(angle));
      }
      p.setPen(QPen(Qt::white, 1.5));
      p.setBrush(QColor(205, 25, 25));
      p.drawPolygon(octagon);
      p.setPen(QPen(Qt::white, 3.5));
      p.drawLine(QPointF(11, 16), QPointF(21, 16));
      break;
    }
  }
}

QImage Grey(const QImage& colour) {
  QImage grey = colour.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < grey.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
    for (int x = 0; x < grey.width(); ++x) {
      const int level = qGray(line[x]);
      line[x] = qRgba(level, level, level, qAlpha(line[x]));
    }
  }
  return grey;
}

}  // namespace

QImage ToolbarImage(int index, bool colour, const QSize& pixels) {
  const QImage image = PaintPicture(pixels, 32, [index](QPainter& painter) { Draw(painter, index); });
  return colour ? image : Grey(image);
}

QIcon ToolbarIcon(int index) {
  return RenderedIcon([index](const QSize& pixels, QIcon::Mode mode) {
    return ToolbarImage(index, mode == QIcon::Active, pixels);
  });
}

namespace {

void DrawProgram(QPainter& painter) {
  DrawParcel(painter, QRectF(3, 8, 26, 21));
  // The lid.
  painter.setPen(QPen(kOutline, 1.2));
  painter.setBrush(QColor(232, 190, 120));
  painter.drawPolygon(QPolygonF{QPointF(3, 8), QPointF(8, 3), QPointF(24, 3), QPointF(29, 8)});
}

void DrawPadlock(QPainter& painter) {
  // The shackle, then the body with its keyhole.
  painter.setPen(QPen(QColor(90, 90, 100), 1.6));
  painter.setBrush(Qt::NoBrush);
  painter.drawArc(QRectF(4.5, 1.5, 7, 8), 0, 180 * 16);
  painter.drawLine(QPointF(4.5, 5.5), QPointF(4.5, 7.5));
  painter.drawLine(QPointF(11.5, 5.5), QPointF(11.5, 7.5));
  painter.setPen(QPen(kOutline, 1.0));
  painter.setBrush(QColor(222, 176, 60));
  painter.drawRoundedRect(QRectF(2.5, 7, 11, 8), 1.5, 1.5);
  painter.setBrush(kOutline);
  painter.drawEllipse(QPointF(8, 10.5), 1.2, 1.2);
  painter.drawRect(QRectF(7.6, 10.5, 0.8, 2.5));
}

}  // namespace

QPixmap ProgramPicture(int size) {
  return QPixmap::fromImage(PaintPicture(QSize(size, size), 32, DrawProgram));
}

QIcon ProgramIcon() {
  return RenderedIcon([](const QSize& pixels, QIcon::Mode) { return PaintPicture(pixels, 32, DrawProgram); });
}

QIcon EncryptedMarkIcon() {
  return RenderedIcon([](const QSize& pixels, QIcon::Mode) { return PaintPicture(pixels, 16, DrawPadlock); });
}
