// The settings file: its name, the width limits of the texts it keeps, the reading rules shared
// by the settings, the recent archives and the window placement, and the one way a key is written.
#pragma once

#include <QString>
#include <cstdint>

#include "platform/text_limits.h"

namespace platform {
class TDialogs;
}

inline const QString kSettingsFileName = QStringLiteral("PARCELIX.INI");

// Width limits of the fields that receive texts: folders and file names take the platform's
// path limit, the extension list 255 bytes, the password 80.
inline constexpr int kPathLimit = 4095;
inline constexpr int kExtensionListLimit = 255;
inline constexpr int kPasswordLimit = 80;

// The text of Key in Section, cut to Limit bytes at a character boundary (paths come back whole,
// other texts through the usual 1023-byte read).
QString ReadSettingText(const QString& Section, const QString& Key, const QString& Default, int Limit);
// A 32-bit integer in decimal, or in hexadecimal after "0x", "0X" or "$"; anything else, or a
// missing key, gives Default.
std::int32_t ReadSettingInt(const QString& Section, const QString& Key, std::int32_t Default);
// An integer that is true when not 0.
bool ReadSettingBool(const QString& Section, const QString& Key, bool Default);
// Parses a setting's integer text as ReadSettingInt does; false when it is none.
bool ParseSettingInt(const QString& Text, std::int32_t& Value);

// Writes Key in Section of the settings file. A failure is told to the user through Dialogs and
// gives false, so a caller writing several keys stops at the first and the user hears once.
bool WriteSetting(const QString& Section, const QString& Key, const QString& Value,
                  platform::TDialogs& Dialogs);
// Tells the user that the settings file FileName could not be written.
void ReportUnwritableSettings(platform::TDialogs& Dialogs, const QString& FileName = kSettingsFileName);

// Text cut to a number of bytes of UTF-8 without splitting a character.
using platform::CutToBytes;
