// Icons and pictures painted on demand at the size and pixel ratio they are shown at, so they stay
// sharp at any screen scale instead of being stretched from one bitmap; and the colours the
// dialogs' pictures take from a palette. In the lowest of the window libraries, for all of them.
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <functional>

class QPainter;
class QPalette;

// Renders the picture on an image of `Pixels` device pixels, in the Normal, Active or Selected
// look. The Disabled look is derived from the Normal one, as the style derives it for any icon.
using TPictureRenderer = std::function<QImage(const QSize& Pixels, QIcon::Mode Mode)>;

QIcon RenderedIcon(TPictureRenderer Render);

// A transparent image of `Pixels` on which `Draw` paints in the units of a `Grid` by `Grid`
// square, scaled to fit and centred.
QImage PaintPicture(const QSize& Pixels, qreal Grid, const std::function<void(QPainter&)>& Draw);

// A `Size` by `Size` picture (in device-independent pixels) painted at the pixel ratio `Ratio`.
QPixmap PaintPixmap(int Size, qreal Ratio, qreal Grid, const std::function<void(QPainter&)>& Draw);

// What a dialog's picture draws its lines, metal, glass and holes with, taken from the
// widget's palette so that the picture reads on its window, light or dark. The materials (the
// cardboard, the gold, the folder's yellow, the arrows) keep their own colours in any theme.
struct TPictureInk {
  QColor Line;
  QColor Metal;
  QColor Glass;
  QColor Hole;
};

TPictureInk PaletteInk(const QPalette& Colours);
