// The program both tools are: the command line checked, the library run, its result reported.
#pragma once

#include "command_line.h"

namespace cli {

// Refuses a bad command line (a usage line on stderr, status 2), answers --help and --version,
// reads a "-P -" password, runs the library, prints the result's words on stderr after the
// "result N" line and returns the exit status.
int toolMain(const Syntax& syntax, const char* libraryName, const char* entryName, int argc, char** argv);

}  // namespace cli
