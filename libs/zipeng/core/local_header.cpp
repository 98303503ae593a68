#include "local_header.h"

#include "archive_source.h"
#include "zip_format.h"

namespace zipeng {

bool readLocalHeader(ArchiveSource& source, uint64_t position, LocalHeader& header) {
  uint8_t fixed[kLocalHeaderSize];
  if (!source.read(position, fixed, sizeof fixed) || get32(fixed) != kLocalHeaderSig) return false;
  header.versionNeeded = get16(fixed + 4);
  header.flags = get16(fixed + 6);
  header.method = get16(fixed + 8);
  header.dosTime = get16(fixed + 10);
  header.dosDate = get16(fixed + 12);
  header.crc = get32(fixed + 14);
  header.compressedSize = get32(fixed + 18);
  header.uncompressedSize = get32(fixed + 22);
  uint16_t nameLength = get16(fixed + 26);
  uint16_t extraLength = get16(fixed + 28);
  header.rawName.resize(nameLength);
  header.extra.resize(extraLength);
  uint64_t at = position + kLocalHeaderSize;
  if (nameLength && !source.read(at, header.rawName.data(), nameLength)) return false;
  at += nameLength;
  if (extraLength && !source.read(at, header.extra.data(), extraLength)) return false;
  at += extraLength;
  header.dataPosition = at;
  const uint8_t* z64;
  size_t z64Size;
  if (findExtraField(header.extra, kExtraZip64, &z64, &z64Size)) {
    ByteReader r(z64, z64Size);
    if (header.uncompressedSize == k32Max && r.remaining() >= 8) header.uncompressedSize = r.u64();
    if (header.compressedSize == k32Max && r.remaining() >= 8) header.compressedSize = r.u64();
  }
  return true;
}

}  // namespace zipeng
