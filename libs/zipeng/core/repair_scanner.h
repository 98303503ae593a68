// Finding the entries that can still be saved from a damaged archive. The normal scan walks
// the local entries from the start, following their sizes and data descriptors, and jumps
// over a damaged one to the next position the central directory names (when it survives).
// The aggressive scan also searches every offset for a local header, and recovers entries whose
// sizes are missing by decompressing until the stream ends. Every entry kept has data that
// passes the checks of the entry reading chain: sizes, CRC and, for AES, the authentication code
// (or, when encrypted and no password is given, a structure that holds); every other entry found
// is listed as left out, with the reason.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/archive_source.h"

namespace zipeng {

struct RecoveredEntry {
  uint64_t start = 0;      // local header position
  uint64_t dataStart = 0;  // first byte of the data (encryption header included)
  uint64_t end = 0;        // after the data and its descriptor
  std::string rawName;     // the directory's name for it when its record survives
  // Set when a name that the local header alone gave (its own or its Unicode name field's) would
  // leave the folder the entry is extracted to: that name. `rawName` is then the header's own
  // name made relative as extraction makes it, and the Unicode name field no longer applies.
  std::string storedName;
  uint16_t versionNeeded = 20;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t dosDateTime = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t size = 0;
  std::string localExtra;
  uint16_t localDosTime = 0;  // as the local header gave it (the check byte of encrypted entries)
  // From the surviving central directory when it names this entry.
  bool hasCentral = false;
  uint16_t versionMadeBy = 20;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  std::string centralExtra;
  std::string comment;
};

struct RepairOptions {
  bool aggressive = false;
  std::string password;  // used to check encrypted entries when given
  // Called with the scan's position before each candidate is examined and at least every few
  // megabytes read while one is; false stops the scan.
  std::function<bool(uint64_t)> keepGoing;
};

// An entry the scan found, by its local header or the surviving directory, but could not save.
struct LeftOutEntry {
  uint64_t start = 0;   // where its local header is (or was)
  std::string rawName;  // the directory's name for it when it has one, else the local header's
  uint8_t reason = 0;   // zipabi::TZipSkipReason
};

// Scans the source. `aborted` is set when keepGoing stopped it. `leftOut`, when given, receives
// the entries that could not be saved, in the order of their positions.
std::vector<RecoveredEntry> scanForEntries(ArchiveSource& source, const RepairOptions& options, bool* aborted,
                                           std::vector<LeftOutEntry>* leftOut = nullptr);

}  // namespace zipeng
