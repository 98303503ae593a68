// The command language of the program group service, read strictly: a command is carried out
// only when every part of it is where it belongs.
//
//   [CreateGroup(NAME)]
//   [AddItem(COMMAND LINE,TITLE)]
//
// COMMAND LINE names one file by its absolute path, either "in double quotes" (then it ends at the
// closing quote, which a "," follows) or bare (then it may hold "," itself: the shortest part before
// a "," that names an existing regular file is taken).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace progman {

enum class CommandKind { CreateGroup, AddItem };

struct Command {
  CommandKind kind = CommandKind::CreateGroup;
  std::string groupName;  // CreateGroup
  std::string file;       // AddItem: an absolute path to an existing regular file
  std::string title;      // AddItem
};

// Whether `path` names an existing regular file (a link to one counts).
using RegularFileCheck = std::function<bool(const std::string& path)>;
bool IsExistingRegularFile(const std::string& path);

// The command in `text` (its line end already taken off), or nothing when it is not one.
std::optional<Command> ParseCommand(std::string_view text,
                                    const RegularFileCheck& isRegularFile = IsExistingRegularFile);

}  // namespace progman
