// The archive browser's two button pictures, drawn here rather than shipped as files. Each is an
// icon drawn again at the size and screen scale asked for, in the colours of the palette given
// (the button's); the disabled look is derived from it.
#pragma once

#include <QIcon>

class QPalette;

// An open folder under a magnifying glass: choose the folder to browse. Drawn on 32 by 32.
QIcon BrowseFolderIcon(const QPalette& Colours);
// A parcel with an arrow leaving it: open the chosen archive. Drawn on 32 by 32.
QIcon OpenArchiveIcon(const QPalette& Colours);
