// Shared by the zipeng and unzeng command-line front ends: loading a library the way the program
// does, building the argument vector, printing every callback message as MESSAGE<TAB>fields, and
// the closing "result N" line, which scripts read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "zipengine_abi.h"

namespace cli {

struct Options {
  std::string password;            // -P: element 0 of the vector, and the answer to message 100
  bool passwordFromInput = false;  // "-P -": read from the terminal or standard input first
  std::string comment;             // -c: the text answered to message 140
  bool hasComment = false;
  std::vector<std::string> args;  // the library's words, in order: switches, archive, names
  std::string archive;            // the archive's name as given, for messages
  bool overwrite = false;         // "-o" among the switches: message 10 is answered "yes"
};

// Loads `libraryName` ("UNZENG32.DLL") from the program's folder or the search path and calls
// `entryName` with element 0 = password followed by options.args. Prints one line per message
// and "result N" at the end to `out`, and returns N. A library that cannot be loaded gives 240.
int32_t run(const char* libraryName, const char* entryName, const Options& options, std::FILE* out = stdout);

// The printing callback on its own, for tests: formats one message into `line` (no newline).
void formatMessage(int32_t message, const void* data, std::string& line);

// "YYYY-MM-DD HH:MM:SS" of an MS-DOS packed date and time.
std::string formatDosDateTime(uint32_t dosDateTime);

}  // namespace cli
