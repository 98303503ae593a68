// The configuration dialog's two decorative pictures, drawn here rather than shipped as files.
#pragma once

#include <QPixmap>

// Beside the "&Settings:" group: a parcel with a gear, the program's box being set up.
QPixmap SettingsPicture(int Size);

// Beside the password note: a padlock with its key.
QPixmap PasswordPicture(int Size);
