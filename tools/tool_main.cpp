#include "tool_main.h"

#include <cstdio>

#include "parcelix_version.h"
#include "platform/terminal.h"
#include "result_words.h"

namespace cli {

int toolMain(const Syntax& syntax, const char* libraryName, const char* entryName, int argc, char** argv) {
  Options options;
  std::string problem;
  switch (parseCommandLine(syntax, argc, argv, options, problem)) {
    case Parsed::Help:
      std::printf("usage: %s %s\n%s", syntax.name, syntax.synopsis, syntax.help);
      return 0;
    case Parsed::Version:
      std::printf("%s (Parcelix) %s\n", syntax.name, PARCELIX_VERSION);
      return 0;
    case Parsed::Refused:
      if (!problem.empty()) std::fprintf(stderr, "%s: %s\n", syntax.name, problem.c_str());
      std::fprintf(stderr, "usage: %s %s\n", syntax.name, syntax.synopsis);
      return kUsageStatus;
    case Parsed::Run:
      break;
  }
  if (options.passwordFromInput && !platform::ReadSecretLine("Password: ", options.password)) {
    std::fprintf(stderr, "%s: no password was read\n", syntax.name);
    return kUsageStatus;
  }
  const int32_t code = run(libraryName, entryName, options);
  if (code != zipabi::zrOk)
    std::fprintf(stderr, "%s: %s: %s\n", syntax.name, options.archive.c_str(), resultWords(code));
  return exitStatus(code);
}

}  // namespace cli
