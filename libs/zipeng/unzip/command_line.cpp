#include "command_line.h"

#include <string_view>

#include "core/name_encoding.h"

namespace zipeng {

bool parseCommand(int argc, const char* const* argv, Command& command) {
  if (argc < 1) return false;
  command.password = argv[0] ? argv[0] : "";
  int i = 1;
  for (; i < argc; ++i) {
    std::string_view a = argv[i] ? argv[i] : "";
    if (a.size() < 2 || a[0] != '-') break;
    if (a == "-O") {
      if (i + 1 >= argc || !argv[i + 1] || !knownCharset(argv[i + 1])) return false;
      command.nameCharset = argv[++i];
      continue;
    }
    if (a == "-d") {  // tolerated before the archive too
      if (i + 1 < argc && argv[i + 1]) command.directory = argv[++i];
      continue;
    }
    // Switches may be given one by one or together ("-jo").
    for (char c : a.substr(1)) {
      switch (c) {
        case 'v':
          command.operation = Operation::List;
          break;
        case 't':
          command.operation = Operation::Test;
          break;
        case 'z':
          command.operation = Operation::Comment;
          break;
        case 'f':
          command.freshen = true;
          break;
        case 'u':
          command.update = true;
          break;
        case 'j':
          command.junkPaths = true;
          break;
        case '!':
          command.spanned = true;
          break;
        case 'n':
          command.neverOverwrite = true;
          command.alwaysOverwrite = false;
          break;
        case 'o':
          command.alwaysOverwrite = true;
          command.neverOverwrite = false;
          break;
        default:
          break;  // unknown switches are ignored, as older callers may send more
      }
    }
  }
  if (i >= argc || !argv[i] || !*argv[i]) return false;
  command.archive = argv[i++];
  enum { Names, Excludes } mode = Names;
  bool literal = false;  // after "--" every word is a name, "-d" and "-x" included
  for (; i < argc; ++i) {
    std::string_view a = argv[i] ? argv[i] : "";
    if (literal) {
      if (!a.empty()) command.names.emplace_back(a);
      continue;
    }
    if (a == "--") {
      literal = true;
      continue;
    }
    if (a == "-d") {
      if (i + 1 < argc && argv[i + 1]) command.directory = argv[++i];
      continue;
    }
    if (a == "-x") {
      mode = Excludes;
      continue;
    }
    if (a == "-i") {
      mode = Names;
      continue;
    }
    if (a.empty()) continue;  // an empty name selects nothing and is not read past its end
    (mode == Names ? command.names : command.excludes).emplace_back(a);
  }
  return true;
}

}  // namespace zipeng
