#include "platform/progman/conversation.h"

#include "platform/progman/exec_quoting.h"
#include "platform/progman/launch_choice.h"

namespace progman {

bool Conversation::Execute(std::string_view commandText) {
  const std::optional<Command> command = ParseCommand(commandText, isRegularFile_);
  if (!command) return false;
  return command->kind == CommandKind::CreateGroup ? CreateGroup(*command) : AddItem(*command);
}

bool Conversation::CreateGroup(const Command& command) {
  MenuGroup group = DescribeGroup(command.groupName);
  if (!WriteGroup(folders_, group)) return false;
  currentGroup_ = std::move(group);
  return true;
}

bool Conversation::AddItem(const Command& command) {
  if (!currentGroup_) return false;
  const MenuItem item{command.file, command.title, StartsDirectly(command.file)};
  if (item.startsDirectly && !CanBeExecProgram(item.file)) return false;
  return WriteItem(folders_, *currentGroup_, item);
}

}  // namespace progman
