// The tools' own command lines. Each tool knows the words its library accepts, so a mistyped or
// unknown option is refused before anything is read or written, instead of reaching a library
// that would read it letter by letter or take it for the archive.
#pragma once

#include <string>

#include "cli_common.h"

namespace cli {

// What a tool accepts. Word lists are blank-separated.
struct Syntax {
  const char* name;           // "unzeng"
  const char* letters;        // single-letter switches, alone or run together ("-jo")
  bool levelDigits;           // "-0" to "-9" among the letters
  const char* words;          // switches that stand alone, before the archive ("-FF")
  const char* valued;         // switches before the archive that take the next word
  const char* markers;        // after the archive ("-i", "-x")
  const char* valuedMarkers;  // after the archive, taking the next word ("-d")
  bool acceptComment;         // "-c COMMENT"
  const char* synopsis;       // the usage line after the tool's name
  const char* help;           // what --help prints after the usage line
};

extern const Syntax kUnzengSyntax;
extern const Syntax kZipengSyntax;

enum class Parsed { Run, Help, Version, Refused };

// Reads the whole command line into `options` (the library's words in options.args, the archive
// name in options.archive). Refused leaves why in `problem` ("unknown option --list").
Parsed parseCommandLine(const Syntax& syntax, int argc, char** argv, Options& options, std::string& problem);

}  // namespace cli
