// unzeng: the decompression library from the command line, for scripts and benchmarks.
//   unzeng [-P PASSWORD|-] SWITCHES... ARCHIVE [NAMES...] [-d DIR]
#include "tool_main.h"

int main(int argc, char** argv) {
  return cli::toolMain(cli::kUnzengSyntax, zipabi::kUnzipLibraryName, zipabi::kUnzipEntryName, argc, argv);
}
