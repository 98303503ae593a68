#include <sys/stat.h>

#include <cstring>

#include "archive_index.h"
#include "callback.h"
#include "dos_time.h"
#include "zip_format.h"

namespace zipeng {

bool ZipEntry::isUnixMade() const {
  // Only trust the mode when the high half actually holds a file type.
  return host() == kHostUnix && (unixMode() & S_IFMT) != 0;
}

bool ZipEntry::readable() const {
  if (flags & kFlagStrongEncryption) return false;
  if (method == kMethodAes) return aesStrength >= 1 && aesStrength <= 3 && isReadableMethod(aesMethod);
  return isReadableMethod(method);
}

bool ZipEntry::isDirectory() const {
  if (!name.empty() && (name.back() == '/' || name.back() == '\\')) return true;
  if (isUnixMade()) return S_ISDIR(unixMode());
  return (externalAttributes & zipabi::kAttrDirectory) != 0 && uncompressedSize == 0;
}

bool ZipEntry::isSymlink() const {
  return isUnixMade() && S_ISLNK(unixMode());
}

bool ZipEntry::isVolumeLabel() const {
  return !isUnixMade() && (externalAttributes & zipabi::kAttrVolumeLabel) != 0 && !isDirectory();
}

uint8_t ZipEntry::dosAttributes() const {
  uint8_t attrs = 0;
  if (isUnixMade()) {
    if ((unixMode() & 0222) == 0) attrs |= zipabi::kAttrReadOnly;
  } else {
    attrs = static_cast<uint8_t>(externalAttributes & 0x3F);
  }
  if (isDirectory()) attrs |= zipabi::kAttrDirectory;
  // A name whose last component begins with "." is hidden on this system.
  size_t end = name.size();
  while (end > 0 && name[end - 1] == '/') --end;
  const void* slash = end ? memrchr(name.data(), '/', end) : nullptr;
  size_t first = slash ? static_cast<size_t>(static_cast<const char*>(slash) - name.data()) + 1 : 0;
  if (first < end && name[first] == '.') attrs |= zipabi::kAttrHidden;
  return attrs;
}

int64_t ZipEntry::mtime() const {
  return hasUnixMtime ? unixMtime : dosToUnix(dosDate, dosTime);
}

uint32_t ZipEntry::displayDosDateTime() const {
  return hasUnixMtime ? unixToDos(unixMtime) : dosDateTime();
}

uint8_t ZipEntry::ratio() const {
  return ratioPercent(uncompressedSize, compressedSize);
}

}  // namespace zipeng
