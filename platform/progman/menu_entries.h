// What the files of a program group say: the submenu's directory entry, the merged menu file that
// places the submenu in the applications menu, and one launcher per item. A launcher belongs to its
// group through a category of the group's own, which the merged menu includes.
#pragma once

#include <string>

namespace progman {

struct MenuGroup {
  std::string name;      // as the user gave it; shown as the submenu's name
  std::string fileStem;  // "parcelix-" + safe part of the name + "-" + fingerprint
  std::string category;  // "X-Parcelix-" + fingerprint
};

struct MenuItem {
  std::string file;             // absolute path of the file the item opens
  std::string title;            // shown as the item's name
  bool startsDirectly = false;  // the file is the launcher's program; otherwise xdg-open opens it
};

MenuGroup DescribeGroup(const std::string& name);

// File names, without folder.
std::string DirectoryFileName(const MenuGroup& group);
std::string MergedMenuFileName(const MenuGroup& group);
std::string LauncherFileName(const MenuGroup& group, const MenuItem& item);

// File contents.
std::string DirectoryEntryText(const MenuGroup& group);
std::string MergedMenuText(const MenuGroup& group);
std::string LauncherText(const MenuGroup& group, const MenuItem& item);

}  // namespace progman
