// File helpers the fuzz targets share for their scratch folders.
#pragma once

#include <string>
#include <vector>

namespace fuzzkit {

std::string readAll(const std::string& path);
// The names in `folder` (without "." and ".."); a folder whose restored mode shuts us out is
// opened up first.
std::vector<std::string> children(const std::string& folder);
// Removes `path` and everything below it, whatever modes the extraction left.
void removeTree(const std::string& path);

}  // namespace fuzzkit
