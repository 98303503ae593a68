// What a tool makes of the library's result code: the words it prints on stderr and the exit
// status a script tests.
#pragma once

#include <cstdint>

namespace cli {

// The result's words in lower case, to follow "tool: archive: ". A code the table does not
// know gets "unexpected result".
const char* resultWords(int32_t code);

// The result code divided by ten, so a script can tell a missing archive (10) from a damaged one
// (11) or a busy one (18). 0 only for result 0. A code that would not survive the division
// (not a multiple of ten, or beyond what an exit status holds) gives kOtherResultStatus, and so
// does 20, whose status 2 is the refused command line.
int exitStatus(int32_t code);

inline constexpr int kUsageStatus = 2;
inline constexpr int kOtherResultStatus = 99;

}  // namespace cli
