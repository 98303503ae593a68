#include "windows/parcel_picture.h"

#include <QPainter>

void DrawParcel(QPainter& p, const QRectF& box, const QColor& line) {
  p.setPen(QPen(line, 1.2));
  p.setBrush(QColor(214, 168, 96));
  p.drawRect(box);
  // The zip down the middle, drawn on the cardboard and so in fixed colours.
  const qreal mid = box.center().x();
  p.setPen(QPen(QColor(90, 90, 100), 1.0));
  for (qreal y = box.top() + 2; y < box.bottom() - 1; y += 2.5)
    p.drawLine(QPointF(mid - 1.5, y), QPointF(mid + 1.5, y));
  p.setBrush(QColor(200, 200, 210));
  p.drawRect(QRectF(mid - 2, box.top() + 1, 4, 3));
}
