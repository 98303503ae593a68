// Reading a secret typed by the user: from the terminal without echo, or one line of standard
// input when that is not a terminal (a script's pipe or file). No Qt, for the engine tools.
#pragma once

#include <string>

namespace platform {

// Reads one line into `text`, without its line end. When standard input is a terminal, `prompt`
// is shown on stderr and what is typed is not echoed; the terminal's settings are put back
// afterwards, also when an interrupt ends the program meanwhile. False at end of input before
// any line, on a read error, or for a line longer than `limit` bytes.
bool ReadSecretLine(const char* prompt, std::string& text, size_t limit = 1024);

}  // namespace platform
