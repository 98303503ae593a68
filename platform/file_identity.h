// Which file a name stands for right now, so a caller can tell whether a file was written anew
// (created, or replaced by renaming another file over it) between two looks at the same name.
#pragma once

#include <QString>
#include <cstdint>

namespace platform {

struct TFileIdentity {
  bool IsFile = false;  // a regular file (a link is followed)
  std::uint64_t Device = 0;
  std::uint64_t Node = 0;
  std::int64_t ChangeSeconds = 0;  // status change time
  std::int64_t ChangeNanoseconds = 0;

  bool operator==(const TFileIdentity&) const = default;
};

// What `path` names now; IsFile false when nothing or no regular file is there.
TFileIdentity IdentifyFile(const QString& path);

}  // namespace platform
