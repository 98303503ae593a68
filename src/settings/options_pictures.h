// The configuration dialog's two decorative pictures, drawn here rather than shipped as files.
// Each is drawn for the label that shows it: at its screen's scale, in its palette's colours.
#pragma once

#include <QPixmap>

class QWidget;

// Beside the "&Settings:" group: a parcel with a gear, the program's box being set up.
QPixmap SettingsPicture(const QWidget& Target, int Size);

// Beside the password note: a padlock with its key.
QPixmap PasswordPicture(const QWidget& Target, int Size);
