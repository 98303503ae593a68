// One client's conversation with the service: carries out its commands in order and remembers the
// group it created last, which its items go into.
#pragma once

#include <optional>
#include <string_view>
#include <utility>

#include "platform/progman/command_parser.h"
#include "platform/progman/menu_writer.h"

namespace progman {

class Conversation {
 public:
  explicit Conversation(MenuFolders folders, RegularFileCheck isRegularFile = IsExistingRegularFile)
      : folders_(std::move(folders)), isRegularFile_(std::move(isRegularFile)) {}

  // True when `commandText` (without its line end) was a command and was carried out.
  bool Execute(std::string_view commandText);

 private:
  bool CreateGroup(const Command& command);
  bool AddItem(const Command& command);

  MenuFolders folders_;
  RegularFileCheck isRegularFile_;
  std::optional<MenuGroup> currentGroup_;
};

}  // namespace progman
