// unzeng: the decompression library from the command line, for scripts and benchmarks.
//   unzeng [-P PASSWORD] SWITCHES... ARCHIVE [NAMES...] [-d DIR]
#include "cli_common.h"

int main(int argc, char** argv) {
  cli::Options options;
  if (!cli::parseOptions(argc, argv, false, options)) return 2;
  if (options.args.empty()) {
    std::fprintf(stderr,
                 "usage: unzeng [-P PASSWORD] SWITCHES... ARCHIVE [NAMES...] [-x PATTERNS...] [-d DIR] [-- "
                 "NAMES...]\n");
    return 2;
  }
  return cli::run(zipabi::kUnzipLibraryName, zipabi::kUnzipEntryName, options);
}
