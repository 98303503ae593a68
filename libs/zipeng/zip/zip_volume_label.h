// The label of the file system that holds a file, for "-$".
#pragma once

#include <string>

namespace zipeng {

// Empty when the file system has no label that can be found.
std::string volumeLabelOf(const std::string& path);

}  // namespace zipeng
