// The toolbar's nine images, the program icon and the list's mark for encrypted entries, drawn
// here rather than shipped as files.
#pragma once

#include <QIcon>
#include <QImage>

// Image `index` (0 New, 1 Open, 2 Close, 3 Add, 4 Extract, 5 Remove, 6 View, 7 Configure,
// 8 Abort), 32 by 32, in colour or in the black-and-white look.
QImage ToolbarImage(int index, bool colour);

// Black-and-white normally, colour while the mouse is over the button.
QIcon ToolbarIcon(int index);

// The program's icon: a parcel closed with a zip.
QIcon ProgramIcon();
QPixmap ProgramPicture(int size);

// A small padlock, shown beside the name of an encrypted entry.
QIcon EncryptedMarkIcon();
