// The local header: one parser for every reader of it (entry reading, repair, rewriting).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zipeng {

class ArchiveSource;

struct LocalHeader {
  uint16_t versionNeeded = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t dosTime = 0;
  uint16_t dosDate = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;  // ZIP64 extra applied
  uint64_t uncompressedSize = 0;
  std::string rawName;
  std::string extra;
  bool zip64 = false;         // a ZIP64 extra is present (descriptors then carry 8-byte sizes)
  uint64_t dataPosition = 0;  // absolute position of the first data byte
  size_t headerLength() const { return 30 + rawName.size() + extra.size(); }
};

// Parses a local header held in memory at `bytes` (which came from absolute `position`). False
// when the signature is wrong or the header runs past `size`.
bool parseLocalHeader(const uint8_t* bytes, size_t size, uint64_t position, LocalHeader& header);
// Reads and parses the local header at absolute `position`.
bool readLocalHeader(ArchiveSource& source, uint64_t position, LocalHeader& header);

// The sizes of a ZIP64 extra field: each value present only where the record's 32-bit field is
// saturated, in the fixed order uncompressed, compressed, offset, disk. False when the field is
// too short for what the record says it holds.
struct Zip64Values {
  uint64_t* uncompressed = nullptr;
  uint64_t* compressed = nullptr;
  uint64_t* offset = nullptr;
  uint32_t* disk = nullptr;
};
bool applyZip64Extra(std::string_view extra, const Zip64Values& values, bool* present = nullptr);

}  // namespace zipeng
