#include "platform/progman/menu_writer.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/progman/atomic_file.h"

namespace progman {

namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  const passwd* entry = getpwuid(geteuid());
  return entry && entry->pw_dir && entry->pw_dir[0] == '/' ? std::string(entry->pw_dir) : std::string();
}

// An XDG base folder: the variable when it holds an absolute path, else the fallback under home.
std::string BaseFolder(const char* variable, const char* underHome) {
  const char* value = std::getenv(variable);
  if (value && value[0] == '/') return value;
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : home + underHome;
}

bool WriteInto(const std::string& folder, const std::string& name, const std::string& content) {
  return MakeFolders(folder) && WriteFileAtomically(folder + "/" + name, content);
}

}  // namespace

std::optional<MenuFolders> UserMenuFolders() {
  const std::string data = BaseFolder("XDG_DATA_HOME", "/.local/share");
  const std::string config = BaseFolder("XDG_CONFIG_HOME", "/.config");
  if (data.empty() || config.empty()) return std::nullopt;
  return MenuFolders{data + "/applications", data + "/desktop-directories",
                     config + "/menus/applications-merged"};
}

bool WriteGroup(const MenuFolders& folders, const MenuGroup& group) {
  // The directory entry first: a merged menu never names an entry that is not there.
  return WriteInto(folders.desktopDirectories, DirectoryFileName(group), DirectoryEntryText(group)) &&
         WriteInto(folders.mergedMenus, MergedMenuFileName(group), MergedMenuText(group));
}

bool WriteItem(const MenuFolders& folders, const MenuGroup& group, const MenuItem& item) {
  return WriteInto(folders.applications, LauncherFileName(group, item), LauncherText(group, item));
}

}  // namespace progman
