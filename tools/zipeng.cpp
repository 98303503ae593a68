// zipeng [-P PASSWORD|-] [-c COMMENT] SWITCHES... ARCHIVE [NAMES...]
// The compression library from the command line: one line per callback message, then
// "result N". -c gives the text answered to message 140 (the new archive comment).
#include "tool_main.h"

int main(int argc, char** argv) {
  return cli::toolMain(cli::kZipengSyntax, zipabi::kZipLibraryName, zipabi::kZipEntryName, argc, argv);
}
