#include "platform/file_identity.h"

#include <sys/stat.h>

namespace platform {

TFileIdentity IdentifyFile(const QString& path) {
  struct stat st {};
  TFileIdentity identity;
  if (::stat(path.toUtf8().constData(), &st) != 0 || !S_ISREG(st.st_mode)) return identity;
  identity.IsFile = true;
  identity.Device = static_cast<std::uint64_t>(st.st_dev);
  identity.Node = static_cast<std::uint64_t>(st.st_ino);
  identity.ChangeSeconds = static_cast<std::int64_t>(st.st_ctim.tv_sec);
  identity.ChangeNanoseconds = static_cast<std::int64_t>(st.st_ctim.tv_nsec);
  return identity;
}

}  // namespace platform
