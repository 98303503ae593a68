// Whether a launcher starts its file itself or hands it to the desktop's opener.
#pragma once

#include <string>

namespace progman {

// True when `file` may be the program of an Exec line: a real program (a regular file with an
// executable bit whose content is an ELF image or names its interpreter with "#!") whose name does
// not say it is a document. A desktop hands an Exec program that the kernel does not take to
// /bin/sh, so anything less than a real program would run as shell commands; and a "readme.txt"
// that starts with "#!" is shown, not run. Everything else opens by its type.
bool StartsDirectly(const std::string& file);

}  // namespace progman
