// Turning the libraries' entry records into the component's own.
#pragma once

#include <cstdint>

#include "engine/zip_records.h"

// MS-DOS packed date and time (high 16 bits date, low 16 bits time) as a date-time value.
// A value that names no real date or time gives 0.
TDateTime DosDateTimeToDateTime(std::uint32_t dosDateTime);
