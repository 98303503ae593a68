// MS-DOS packed date and time <-> Unix time. DOS times are local time, 2-second resolution.
#pragma once

#include <cstdint>
#include <ctime>

namespace zipeng {

// Reads the local time zone again and forgets the offsets learnt from it; each operation starts
// with this, so a zone changed between operations is seen.
void refreshLocalTime();

// Unix time (seconds, UTC) of a DOS date and time taken as local time. Invalid fields are
// clamped into range rather than rejected, as archives from odd tools carry them.
int64_t dosToUnix(uint16_t dosDate, uint16_t dosTime);
// DOS date (high 16 bits) and time (low 16 bits) of a Unix time, in local time. Times before
// 1980 give 1 January 1980 00:00; after 2107 give the last representable moment.
uint32_t unixToDos(int64_t unixTime);

}  // namespace zipeng
