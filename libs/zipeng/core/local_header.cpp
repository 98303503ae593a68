#include "local_header.h"

#include "archive_source.h"
#include "zip_format.h"

namespace zipeng {

bool applyZip64Extra(std::string_view extra, const Zip64Values& v, bool* present) {
  const uint8_t* z;
  size_t n;
  bool found = findExtraField(extra, kExtraZip64, &z, &n);
  if (present) *present = found;
  if (!found) return true;
  ByteReader r(z, n);
  if (v.uncompressed && *v.uncompressed == k32Max) *v.uncompressed = r.u64();
  if (v.compressed && *v.compressed == k32Max) *v.compressed = r.u64();
  if (v.offset && *v.offset == k32Max) *v.offset = r.u64();
  if (v.disk && *v.disk == k16Max) *v.disk = r.u32();
  return r.ok();
}

bool parseLocalHeader(const uint8_t* p, size_t size, uint64_t position, LocalHeader& header) {
  if (size < kLocalHeaderSize || get32(p) != kLocalHeaderSig) return false;
  header.versionNeeded = get16(p + 4);
  header.flags = get16(p + 6);
  header.method = get16(p + 8);
  header.dosTime = get16(p + 10);
  header.dosDate = get16(p + 12);
  header.crc = get32(p + 14);
  header.compressedSize = get32(p + 18);
  header.uncompressedSize = get32(p + 22);
  size_t nameLength = get16(p + 26), extraLength = get16(p + 28);
  if (size - kLocalHeaderSize < nameLength + extraLength) return false;
  header.rawName.assign(reinterpret_cast<const char*>(p + kLocalHeaderSize), nameLength);
  header.extra.assign(reinterpret_cast<const char*>(p + kLocalHeaderSize + nameLength), extraLength);
  header.dataPosition = position + kLocalHeaderSize + nameLength + extraLength;
  // A local ZIP64 field that is too short is tolerated: the central record's sizes rule.
  applyZip64Extra(header.extra, {&header.uncompressedSize, &header.compressedSize, nullptr, nullptr},
                  &header.zip64);
  return true;
}

bool readLocalHeader(ArchiveSource& source, uint64_t position, LocalHeader& header) {
  uint8_t fixed[kLocalHeaderSize];
  if (!source.read(position, fixed, sizeof fixed) || get32(fixed) != kLocalHeaderSig) return false;
  size_t variable = static_cast<size_t>(get16(fixed + 26)) + get16(fixed + 28);
  std::string bytes(kLocalHeaderSize + variable, '\0');
  std::memcpy(bytes.data(), fixed, sizeof fixed);
  if (variable && !source.read(position + kLocalHeaderSize, bytes.data() + kLocalHeaderSize, variable))
    return false;
  return parseLocalHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), position, header);
}

}  // namespace zipeng
