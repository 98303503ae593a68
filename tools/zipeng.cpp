// zipeng [-P PASSWORD] [-c COMMENT] SWITCHES... ARCHIVE [NAMES...]
// The compression library from the command line: one line per callback message, then
// "result N". -c gives the text answered to message 140 (the new archive comment).
#include "cli_common.h"

int main(int argc, char** argv) {
  cli::Options options;
  if (!cli::parseOptions(argc, argv, true, options)) return 2;
  if (options.args.empty()) {
    std::fprintf(stderr,
                 "usage: zipeng [-P PASSWORD] [-c COMMENT] SWITCHES... ARCHIVE [NAMES...] [-i/-x "
                 "PATTERNS...] [-- NAMES...]\n");
    return 2;
  }
  return cli::run(zipabi::kZipLibraryName, zipabi::kZipEntryName, options);
}
