#include "settings/settings_file.h"

#include <QCoreApplication>
#include <algorithm>
#include <limits>

#include "platform/dialogs.h"
#include "platform/profile.h"

QString ReadSettingText(const QString& Section, const QString& Key, const QString& Default, int Limit) {
  // A path may be longer than the usual read buffer; it must come back whole, not cut.
  const int buffer = std::max(platform::kProfileBufferLength, Limit + 1);
  return CutToBytes(platform::GetPrivateProfileString(Section, Key, Default, buffer, kSettingsFileName),
                    Limit);
}

bool ParseSettingInt(const QString& Text, std::int32_t& Value) {
  QStringView text = QStringView(Text).trimmed();
  bool negative = false;
  if (!text.isEmpty() && (text[0] == u'-' || text[0] == u'+')) {
    negative = text[0] == u'-';
    text = text.mid(1);
  }
  int base = 10;
  if (text.startsWith(u'$')) {
    base = 16;
    text = text.mid(1);
  } else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
    base = 16;
    text = text.mid(2);
  }
  if (text.isEmpty()) return false;
  std::int64_t magnitude = 0;
  for (QChar c : text) {
    int digit = -1;
    if (c >= u'0' && c <= u'9')
      digit = c.unicode() - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f')
      digit = c.unicode() - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F')
      digit = c.unicode() - u'A' + 10;
    if (digit < 0) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > 0xFFFFFFFFLL) return false;
  }
  std::int64_t value = negative ? -magnitude : magnitude;
  // Hexadecimal spells the 32 bits themselves ($FFFFFFFF is -1); decimal must fit.
  if (base == 16 && !negative && value > std::numeric_limits<std::int32_t>::max())
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
    return false;
  Value = static_cast<std::int32_t>(value);
  return true;
}

std::int32_t ReadSettingInt(const QString& Section, const QString& Key, std::int32_t Default) {
  const QString text = platform::GetPrivateProfileString(Section, Key, QString(),
                                                         platform::kProfileBufferLength, kSettingsFileName);
  std::int32_t value = Default;
  return ParseSettingInt(text, value) ? value : Default;
}

bool ReadSettingBool(const QString& Section, const QString& Key, bool Default) {
  return ReadSettingInt(Section, Key, Default ? 1 : 0) != 0;
}

bool WriteSetting(const QString& Section, const QString& Key, const QString& Value,
                  platform::TDialogs& Dialogs) {
  if (platform::WritePrivateProfileString(Section, Key, Value, kSettingsFileName)) return true;
  ReportUnwritableSettings(Dialogs);
  return false;
}

void ReportUnwritableSettings(platform::TDialogs& Dialogs, const QString& FileName) {
  Dialogs.MessageDlg(QCoreApplication::translate("Settings", "Unable to write to %1")
                         .arg(platform::ProfileFilePath(FileName)),
                     platform::TMsgDlgType::mtError, platform::mbOK);
}
