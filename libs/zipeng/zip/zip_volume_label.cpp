#include "zip/zip_volume_label.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>

namespace zipeng {

namespace {

// udev escapes unusual bytes in link names as \xHH.
std::string unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
      out.push_back(static_cast<char>(strtol(s.substr(i + 2, 2).c_str(), nullptr, 16)));
      i += 3;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

}  // namespace

std::string volumeLabelOf(const std::string& path) {
  struct stat file {};
  if (stat(path.c_str(), &file) != 0) return {};
  const std::string folder = "/dev/disk/by-label";
  DIR* d = opendir(folder.c_str());
  if (!d) return {};
  std::string label;
  while (dirent* de = readdir(d)) {
    std::string name = de->d_name;
    if (name == "." || name == "..") continue;
    struct stat dev {};
    if (stat((folder + "/" + name).c_str(), &dev) == 0 && S_ISBLK(dev.st_mode) &&
        dev.st_rdev == file.st_dev) {
      label = unescape(name);
      break;
    }
  }
  closedir(d);
  return label;
}

}  // namespace zipeng
