// The toolbar's nine images, the program icon and the list's mark for encrypted entries, drawn
// here rather than shipped as files, and drawn again at each size and screen scale asked for.
#pragma once

#include <QIcon>
#include <QImage>

// Image `index` (0 New, 1 Open, 2 Close, 3 Add, 4 Extract, 5 Remove, 6 View, 7 Configure,
// 8 Abort), in colour or in the black-and-white look; its own size is 32 by 32.
QImage ToolbarImage(int index, bool colour, const QSize& pixels = QSize(32, 32));

// Black-and-white normally, colour while the mouse is over the button.
QIcon ToolbarIcon(int index);

// The program's icon: a parcel closed with a zip.
QIcon ProgramIcon();
QPixmap ProgramPicture(int size);  // size by size pixels, for the desktop's icon theme

// A small padlock, shown beside the name of an encrypted entry.
QIcon EncryptedMarkIcon();
