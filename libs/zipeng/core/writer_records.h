// What the write side puts on disk for one entry: local header, central directory record,
// and the end records (with their ZIP64 forms when sizes, offsets or the count need them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/zip_format.h"

namespace zipeng {

// Sizes at or above this get a ZIP64 extra already in the local header: a deflate stream can
// outgrow its input by a few bytes per block, so leave room before the 32-bit limit.
inline constexpr uint64_t kZip64LocalThreshold = 0xFFFF0000ull;

// One entry as the writer records it. Kept entries from an existing archive carry their
// original central record fields; new entries are filled by the compressor.
struct WriterEntry {
  std::string name;                        // stored name, "/" separators, UTF-8
  uint16_t versionMadeBy = (3 << 8) | 30;  // Unix, 3.0
  uint16_t versionNeeded = 20;
  uint16_t flags = 0;
  uint16_t method = kMethodDeflate;
  uint32_t dosDateTime = 0;  // high 16 bits date, low 16 bits time
  uint32_t crc = 0;
  uint64_t compressedSize = 0;  // includes the 12-byte encryption header when encrypted
  uint64_t size = 0;
  uint32_t diskStart = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  uint64_t localOffset = 0;  // offset of the local header within its disk / the archive
  std::string centralExtra;  // extra fields of the central record, without ZIP64 (rebuilt)
  std::string localExtra;    // extra fields of the local header, without ZIP64
  std::string comment;
  bool hasMtime = false;  // write the extended timestamp
  int64_t mtime = 0;      // Unix seconds
};

// Makes `e` an AES entry of the AE-2 form: method 99, with the key strength (1 for 128-bit, 3 for
// 256-bit keys) and the real method in an AES extra field of both headers, no CRC (the MAC checks
// the data), version 5.1 needed.
void markAesEntry(WriterEntry& e, uint8_t strength, uint16_t realMethod);

// Removes any ZIP64 (0x0001) field from an extra block; the writer adds its own.
std::string stripZip64Extra(const std::string& extra);
// Extended timestamp (0x5455) with the modification time only.
std::string extendedTimestampExtra(int64_t mtime);

// The local header; `zip64Local` reserves a ZIP64 extra holding both sizes.
std::string buildLocalHeader(const WriterEntry& e, bool zip64Local);
// True when the local header of a new entry of this (expected) size needs the ZIP64 extra.
inline bool needsZip64Local(uint64_t expectedSize) {
  return expectedSize >= kZip64LocalThreshold;
}
std::string buildCentralRecord(const WriterEntry& e);
// The data descriptor after an entry's data: signature, CRC, then 8-byte sizes when `wide`.
std::string buildDataDescriptor(const WriterEntry& e, bool wide);

// End records for a central directory of `count` entries at `cdOffset` of `cdSize` bytes.
// `diskOfCd` / `thisDisk` are 0 for a single-file archive.
std::string buildEndRecords(uint64_t count, uint64_t cdOffset, uint64_t cdSize, uint64_t endOffset,
                            const std::string& comment, uint32_t thisDisk = 0, uint32_t diskOfCd = 0,
                            uint64_t countOnThisDisk = UINT64_MAX);

// True when the name is well-formed UTF-8 beyond ASCII (then the UTF-8 flag is set).
bool needsUtf8Flag(const std::string& name);

}  // namespace zipeng
