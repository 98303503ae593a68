#include "dos_time.h"

#include <algorithm>

namespace zipeng {

int64_t dosToUnix(uint16_t dosDate, uint16_t dosTime) {
  std::tm tm{};
  tm.tm_year = ((dosDate >> 9) & 0x7F) + 80;
  tm.tm_mon = std::clamp(((dosDate >> 5) & 0x0F) - 1, 0, 11);
  tm.tm_mday = std::clamp(dosDate & 0x1F, 1, 31);
  tm.tm_hour = std::min((dosTime >> 11) & 0x1F, 23);
  tm.tm_min = std::min((dosTime >> 5) & 0x3F, 59);
  tm.tm_sec = std::min((dosTime & 0x1F) * 2, 59);
  tm.tm_isdst = -1;
  return static_cast<int64_t>(mktime(&tm));
}

uint32_t unixToDos(int64_t unixTime) {
  std::time_t t = static_cast<std::time_t>(unixTime);
  std::tm tm{};
  if (localtime_r(&t, &tm) == nullptr || tm.tm_year < 80) return (0u | (1u << 5) | 1u) << 16;
  if (tm.tm_year > 207) return (static_cast<uint32_t>((127 << 9) | (12 << 5) | 31) << 16) | ((23 << 11) | (59 << 5) | 29);
  uint32_t date = static_cast<uint32_t>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  uint32_t time = static_cast<uint32_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
  return (date << 16) | time;
}

}  // namespace zipeng
