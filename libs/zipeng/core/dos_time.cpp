#include "dos_time.h"

#include <algorithm>
#include <array>

namespace zipeng {

namespace {

int64_t floorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days since 1970-01-01 of a civil date; months and days beyond their range carry over, as
// mktime() carries them.
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
  y += floorDiv(m - 1, 12);
  m = m - 12 * floorDiv(m - 1, 12);
  y -= m <= 2;
  const int64_t era = floorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int64_t& y, int& m, int& d) {
  z += 719468;
  const int64_t era = floorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}

// The local zone's offset from UTC, asked of the C library once per bucket of time and then
// remembered: mktime() and localtime() look at the zone file again at every call, which costs
// more than everything else a listing of many entries does. Offsets change only at whole
// quarter hours, so a bucket never straddles a change.
class OffsetCache {
 public:
  template <typename Ask>
  int64_t offset(int64_t bucket, Ask ask) {
    Slot& slot = slots_[static_cast<size_t>(bucket) & (slots_.size() - 1)];
    if (!slot.valid || slot.bucket != bucket) slot = {bucket, ask(), true};
    return slot.offset;
  }
  void clear() { slots_.fill({}); }

 private:
  struct Slot {
    int64_t bucket = 0;
    int64_t offset = 0;
    bool valid = false;
  };
  std::array<Slot, 1024> slots_{};
};

constexpr int64_t kBucket = 900;

int64_t utcOffsetAt(int64_t unixTime) {
  const std::time_t moment = static_cast<std::time_t>(unixTime);
  std::tm tm{};
  return localtime_r(&moment, &tm) ? static_cast<int64_t>(tm.tm_gmtoff) : int64_t{0};
}
thread_local OffsetCache localBuckets;  // keyed by local time: dosToUnix
thread_local OffsetCache utcBuckets;    // keyed by UTC: unixToDos

}  // namespace

void refreshLocalTime() {
  tzset();
  localBuckets.clear();
  utcBuckets.clear();
}

int64_t dosToUnix(uint16_t dosDate, uint16_t dosTime) {
  const int year = ((dosDate >> 9) & 0x7F) + 1980;
  const int month = std::clamp(((dosDate >> 5) & 0x0F) - 1, 0, 11) + 1;
  const int day = std::clamp(dosDate & 0x1F, 1, 31);
  const int hour = std::min((dosTime >> 11) & 0x1F, 23);
  const int minute = std::min((dosTime >> 5) & 0x3F, 59);
  const int second = std::min((dosTime & 0x1F) * 2, 59);
  const int64_t local = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  const int64_t bucket = floorDiv(local, kBucket);
  const int64_t offset = localBuckets.offset(bucket, [&] {
    // The offsets in force half a day before and after the start of the bucket (changes are
    // further apart than that); one that reads back as this local time is the answer. A time
    // the clocks pass twice takes the earlier moment, one they skip the offset from before,
    // as mktime() does. localtime_r() reads the zone file once; mktime() reads it every call.
    const int64_t start = bucket * kBucket;
    const int64_t before = utcOffsetAt(start - 43200);
    const int64_t after = utcOffsetAt(start + 43200);
    const bool beforeFits = utcOffsetAt(start - before) == before;
    const bool afterFits = utcOffsetAt(start - after) == after;
    if (beforeFits && afterFits) return std::max(before, after);
    return afterFits ? after : before;
  });
  return local - offset;
}

uint32_t unixToDos(int64_t unixTime) {
  constexpr uint32_t kEarliest = (0u | (1u << 5) | 1u) << 16;
  constexpr uint32_t kLatest =
      (static_cast<uint32_t>((127 << 9) | (12 << 5) | 31) << 16) | ((23 << 11) | (59 << 5) | 29);
  // Far outside the DOS years: no need to ask the zone.
  if (unixTime < 0) return kEarliest;
  if (unixTime > int64_t{4'400'000'000}) return kLatest;
  const int64_t bucket = floorDiv(unixTime, kBucket);
  const int64_t offset = utcBuckets.offset(bucket, [&] { return utcOffsetAt(bucket * kBucket); });
  const int64_t local = unixTime + offset;
  int64_t year;
  int month, day;
  civilFromDays(floorDiv(local, 86400), year, month, day);
  if (year < 1980) return kEarliest;
  if (year > 2107) return kLatest;
  const int64_t secondOfDay = local - floorDiv(local, 86400) * 86400;
  const uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  const uint32_t time = static_cast<uint32_t>(((secondOfDay / 3600) << 11) | ((secondOfDay / 60 % 60) << 5) |
                                              (secondOfDay % 60 / 2));
  return (date << 16) | time;
}

}  // namespace zipeng
