// The decompression library's argument vector, read into one command.
#pragma once

#include <string>
#include <vector>

namespace zipeng {

enum class Operation { Extract, List, Test, Comment };

struct Command {
  Operation operation = Operation::Extract;
  std::string password;          // element 0
  bool freshen = false;          // -f
  bool update = false;           // -u
  bool junkPaths = false;        // -j
  bool spanned = false;          // -!
  bool neverOverwrite = false;   // -n
  bool alwaysOverwrite = false;  // -o
  std::string nameCharset;       // -O: code page of names without the UTF-8 flag (detected if empty)
  std::string archive;
  std::vector<std::string> names;     // names and patterns of entries to take (all when empty)
  std::vector<std::string> excludes;  // after -x
  std::string directory;              // after -d
};

// Element 0 is the password; switches come before the archive name; after it come names,
// "-i" (the names that follow are patterns to include), "-x" (patterns to exclude) and
// "-d DIR". "-O CHARSET" before the archive names the code page of names stored without the UTF-8
// flag. False when no archive name is given, or a code page that iconv does not know.
bool parseCommand(int argc, const char* const* argv, Command& command);

}  // namespace zipeng
