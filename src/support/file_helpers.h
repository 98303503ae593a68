// Whole-file copy used where the program keeps a copy of an archive.
#pragma once

#include <string>

// Copies every byte of `source` into a newly created `dest` (an existing one is overwritten).
// False when anything fails; a destination created before the failure stays on disk. A copy
// of a file onto itself is refused, because creating the destination would empty the source.
bool CopyFileByStream(const std::string& source, const std::string& dest);

// Moves `source` to `dest`, replacing a file of that name, across file systems too (copy, then
// remove the source only once the copy is complete). False, with the source in place, when it
// cannot be done.
bool MoveFileReplacing(const std::string& source, const std::string& dest);
