// Puts program groups and their items into the user's applications menu.
#pragma once

#include <optional>
#include <string>

#include "platform/progman/menu_entries.h"

namespace progman {

struct MenuFolders {
  std::string applications;        // launchers: $XDG_DATA_HOME/applications
  std::string desktopDirectories;  // submenu entries: $XDG_DATA_HOME/desktop-directories
  std::string mergedMenus;         // submenus: $XDG_CONFIG_HOME/menus/applications-merged
};

// The folders of this user, from XDG_DATA_HOME and XDG_CONFIG_HOME (an unset or relative one
// stands for ~/.local/share and ~/.config); nothing when the home folder is unknown.
std::optional<MenuFolders> UserMenuFolders();

// Writes the submenu entry and the merged menu file of `group`.
bool WriteGroup(const MenuFolders& folders, const MenuGroup& group);

// Writes the launcher of `item` into `group`.
bool WriteItem(const MenuFolders& folders, const MenuGroup& group, const MenuItem& item);

}  // namespace progman
