// Reading an entry's local header to find where its data starts.
#pragma once

#include <cstdint>
#include <string>

namespace zipeng {

class ArchiveSource;

struct LocalHeader {
  uint16_t versionNeeded = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t dosTime = 0;
  uint16_t dosDate = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;    // ZIP64 extra applied
  uint64_t uncompressedSize = 0;
  std::string rawName;
  std::string extra;
  uint64_t dataPosition = 0;      // absolute position of the first data byte
};

// Reads the local header at absolute position `position`. False when the signature is wrong or
// the header runs past the end of the source.
bool readLocalHeader(ArchiveSource& source, uint64_t position, LocalHeader& header);

}  // namespace zipeng
