// Turning a stored entry name into a relative path that stays inside the target folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zipeng {

// "\" counts as a separator; leading "/", drive letters ("C:"), empty, "." and ".." components
// are dropped. With `junkPaths` only the last component is kept. Returns nothing when no
// component is left (the entry cannot be placed). A trailing "/" is not kept.
std::optional<std::string> safeRelativePath(std::string_view name, bool junkPaths);

// Whether a stored name would leave the folder it is extracted to: absolute (a leading "/" or
// "\", or a drive letter) or with a ".." component. safeRelativePath makes such a name relative.
bool nameLeavesFolder(std::string_view name);

// Whether a symbolic link stored at relative path `linkPath` with target `target` stays inside
// the folder when judged lexically: relative target, never climbing above the folder.
bool linkTargetStaysInside(std::string_view linkPath, std::string_view target);

}  // namespace zipeng
