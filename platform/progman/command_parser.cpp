#include "platform/progman/command_parser.h"

#include <sys/stat.h>

#include "platform/progman/safe_names.h"

namespace progman {

namespace {

bool IsAbsolute(std::string_view path) {
  return !path.empty() && path.front() == '/';
}

std::optional<Command> ParseCreateGroup(std::string_view arguments) {
  if (!IsAcceptableGroupName(arguments) || !IsBalanced(arguments)) return std::nullopt;
  Command command;
  command.kind = CommandKind::CreateGroup;
  command.groupName = std::string(arguments);
  return command;
}

std::optional<Command> ParseAddItem(std::string_view arguments, const RegularFileCheck& isRegularFile) {
  std::string file;
  std::string_view title;
  if (!arguments.empty() && arguments.front() == '"') {
    const std::size_t close = arguments.find('"', 1);
    if (close == std::string_view::npos || close + 1 >= arguments.size() || arguments[close + 1] != ',')
      return std::nullopt;
    file = std::string(arguments.substr(1, close - 1));
    title = arguments.substr(close + 2);
    if (!IsAbsolute(file) || !isRegularFile(file)) return std::nullopt;
  } else {
    bool found = false;
    for (std::size_t comma = arguments.find(','); comma != std::string_view::npos && !found;
         comma = arguments.find(',', comma + 1)) {
      file = std::string(arguments.substr(0, comma));
      found = IsAbsolute(file) && isRegularFile(file);
      title = arguments.substr(comma + 1);
    }
    if (!found) return std::nullopt;
  }
  if (title.empty() || !IsBalanced(title)) return std::nullopt;
  Command command;
  command.kind = CommandKind::AddItem;
  command.file = std::move(file);
  command.title = std::string(title);
  return command;
}

}  // namespace

bool IsExistingRegularFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<Command> ParseCommand(std::string_view text, const RegularFileCheck& isRegularFile) {
  if (!IsCleanText(text) || text.size() < 4 || text.front() != '[' || !text.ends_with(")]"))
    return std::nullopt;
  const std::size_t open = text.find('(');
  if (open == std::string_view::npos) return std::nullopt;
  const std::string_view name = text.substr(1, open - 1);
  const std::string_view arguments = text.substr(open + 1, text.size() - open - 3);
  if (name == "CreateGroup") return ParseCreateGroup(arguments);
  if (name == "AddItem") return ParseAddItem(arguments, isRegularFile);
  return std::nullopt;
}

}  // namespace progman
