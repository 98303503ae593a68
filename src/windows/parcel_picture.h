// The program's parcel with its zip: the toolbar's images, the program icon and the browser's
// button pictures are built on it.
#pragma once

#include <QColor>

class QPainter;
class QRectF;

// The outline of the toolbar's and the program icon's own look, the same on any theme.
inline const QColor kFixedLine(40, 40, 40);

// The parcel in `box`, outlined with `line`.
void DrawParcel(QPainter& p, const QRectF& box, const QColor& line = kFixedLine);
