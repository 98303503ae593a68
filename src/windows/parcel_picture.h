// The program's parcel with its zip: the toolbar's images, the program icon and the browser's
// button pictures are built on it.
#pragma once

class QPainter;
class QRectF;

// The parcel in `box`.
void DrawParcel(QPainter& p, const QRectF& box);
