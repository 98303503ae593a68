// Writing a file so that readers see either the old or the complete new content, and so that a
// link planted where the file goes is replaced, never followed.
#pragma once

#include <string>
#include <string_view>

namespace progman {

// Creates `folder` and any missing parent (new ones with mode 0700). True when it is a folder now.
bool MakeFolders(const std::string& folder);

// Writes `content` to a new temporary file beside `path`, flushes it and renames it over `path`.
bool WriteFileAtomically(const std::string& path, std::string_view content);

}  // namespace progman
