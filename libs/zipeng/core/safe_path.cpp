#include "safe_path.h"

#include <vector>

namespace zipeng {

namespace {
std::vector<std::string_view> splitComponents(std::string_view name) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || name[i] == '/' || name[i] == '\\') {
      if (i > start) parts.push_back(name.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

// A drive letter ("C:") at the front is a Windows absolute path.
bool hasDriveLetter(std::string_view name) {
  return name.size() >= 2 && name[1] == ':' &&
         ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
}
}  // namespace

std::optional<std::string> safeRelativePath(std::string_view name, bool junkPaths) {
  if (hasDriveLetter(name)) name.remove_prefix(2);
  std::vector<std::string_view> kept;
  for (std::string_view part : splitComponents(name)) {
    if (part == "." || part == "..") continue;
    if (part.find('\0') != std::string_view::npos) return std::nullopt;
    kept.push_back(part);
  }
  if (kept.empty()) return std::nullopt;
  if (junkPaths) return std::string(kept.back());
  std::string out;
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i) out += '/';
    out += kept[i];
  }
  return out;
}

bool nameLeavesFolder(std::string_view name) {
  if (hasDriveLetter(name) || (!name.empty() && (name.front() == '/' || name.front() == '\\'))) return true;
  for (std::string_view part : splitComponents(name))
    if (part == "..") return true;
  return false;
}

bool linkTargetStaysInside(std::string_view linkPath, std::string_view target) {
  if (target.empty() || target.front() == '/' || target.find('\\') != std::string_view::npos ||
      target.find('\0') != std::string_view::npos)
    return false;
  if (target.size() >= 2 && target[1] == ':') return false;
  // Depth of the folder holding the link, then walk the target from there.
  auto linkParts = splitComponents(linkPath);
  long depth = static_cast<long>(linkParts.size()) - 1;
  if (depth < 0) return false;
  for (std::string_view part : splitComponents(target)) {
    if (part == ".") continue;
    if (part == "..") {
      if (--depth < 0) return false;
    } else {
      ++depth;
    }
  }
  return true;
}

}  // namespace zipeng
