#include "platform/progman/menu_entries.h"

#include "platform/progman/exec_quoting.h"
#include "platform/progman/safe_names.h"

namespace progman {

namespace {

// Bounds the readable part of a file name; the fingerprint keeps it unique.
constexpr std::size_t kNamePartLimit = 40;

std::string FolderOf(const std::string& file) {
  const std::size_t slash = file.rfind('/');
  return slash == 0 || slash == std::string::npos ? std::string("/") : file.substr(0, slash);
}

}  // namespace

MenuGroup DescribeGroup(const std::string& name) {
  const std::string fingerprint = Fingerprint(name);
  return {name, "parcelix-" + FileNamePart(name, kNamePartLimit) + "-" + fingerprint,
          "X-Parcelix-" + fingerprint};
}

std::string DirectoryFileName(const MenuGroup& group) {
  return group.fileStem + ".directory";
}

std::string MergedMenuFileName(const MenuGroup& group) {
  return group.fileStem + ".menu";
}

std::string LauncherFileName(const MenuGroup& group, const MenuItem& item) {
  // The same file under the same title is the same item; anything else is a new one.
  return group.fileStem + "-" + FileNamePart(item.title, kNamePartLimit) + "-" +
         Fingerprint(item.file + '\0' + item.title) + ".desktop";
}

std::string DirectoryEntryText(const MenuGroup& group) {
  return "[Desktop Entry]\n"
         "Version=1.0\n"
         "Type=Directory\n"
         "Name=" +
         EscapeStringValue(group.name) +
         "\n"
         "Icon=folder\n";
}

std::string MergedMenuText(const MenuGroup& group) {
  // Only the stem and the category go in, and both are made of letters, digits, "_" and "-", so
  // nothing here needs XML escaping.
  // Menu readers take the file without a document type; none is fetched or checked.
  return "<Menu>\n"
         "  <Name>Applications</Name>\n"
         "  <Menu>\n"
         "    <Name>" +
         group.fileStem +
         "</Name>\n"
         "    <Directory>" +
         DirectoryFileName(group) +
         "</Directory>\n"
         "    <Include>\n"
         "      <Category>" +
         group.category +
         "</Category>\n"
         "    </Include>\n"
         "  </Menu>\n"
         "</Menu>\n";
}

std::string LauncherText(const MenuGroup& group, const MenuItem& item) {
  const std::vector<std::string> command = item.startsDirectly
                                               ? std::vector<std::string>{item.file}
                                               : std::vector<std::string>{"xdg-open", item.file};
  return "[Desktop Entry]\n"
         "Version=1.0\n"
         "Type=Application\n"
         "Name=" +
         EscapeStringValue(item.title) +
         "\n"
         "Exec=" +
         ExecValue(command) +
         "\n"
         "Path=" +
         EscapeStringValue(FolderOf(item.file)) +
         "\n"
         "Terminal=false\n"
         "Categories=" +
         group.category + ";\n";
}

}  // namespace progman
