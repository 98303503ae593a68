// The archive browser's two button pictures, drawn here rather than shipped as files.
#pragma once

#include <QIcon>
#include <QImage>

// An open folder under a magnifying glass: choose the folder to browse. 32 by 32.
QImage BrowseFolderPicture();
// A parcel with an arrow leaving it: open the chosen archive. 32 by 32.
QImage OpenArchivePicture();

// The picture as a button icon; the disabled look is derived from it.
QIcon BrowserButtonIcon(const QImage& Picture);
