// The libraries' records (the call interface's) turned into the component's own, and the
// handlers' answers written back: one conversion per record kind, each in one place.
#pragma once

#include <cstdint>

#include "engine/zip_records.h"
#include "zipengine_abi.h"

// MS-DOS packed date and time (high 16 bits date, low 16 bits time) as a date-time value.
// A value that names no real date or time gives 0.
TDateTime DosDateTimeToDateTime(std::uint32_t dosDateTime);

// What a message brings: the record its handler receives.
TZipFileStats FromLibrary(const zipabi::TZipLibFileStats& lib);
TZipSkipping FromLibrary(const zipabi::TZipLibSkipping& lib);
TZipReplace FromLibrary(const zipabi::TZipLibReplace& lib);
TZipPwdQuery FromLibrary(const zipabi::TZipLibPwdQuery& lib);
TZipFileComment FromLibrary(const zipabi::TZipLibFileComment& lib);

// A handler's answer into the library's record; texts are cut to the buffers on a character
// boundary.
void ToLibrary(const TZipReplace& answer, zipabi::TZipLibReplace& lib);
void ToLibrary(const TZipPwdQuery& answer, zipabi::TZipLibPwdQuery& lib);
void ToLibrary(const TZipFileComment& answer, zipabi::TZipLibFileComment& lib);
