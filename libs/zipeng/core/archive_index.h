// The parsed central directory: one record per entry plus the archive-level facts.
// One parse serves listing, testing, extracting and rewriting, so all see the same entries.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "zipengine_abi.h"

namespace zipeng {

class ArchiveSource;

inline constexpr uint8_t kHostUnixMade = 3;

struct ZipEntry {
  std::string name;     // UTF-8, as stored ("/" separators, folders end with "/")
  std::string rawName;  // the bytes of the central header
  uint16_t versionMadeBy = 0;
  uint16_t versionNeeded = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t dosTime = 0;  // as stored in the central header
  uint16_t dosDate = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  uint32_t disk = 0;                 // disk (segment) of the local header
  uint64_t localHeaderOffset = 0;    // offset in its disk as stored
  uint64_t localHeaderPosition = 0;  // absolute position in the archive source (prefix and
                                     // earlier segments included)
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  int64_t unixMtime = 0;      // the exact time an extra field gave (hasUnixMtime)
  bool hasUnixMtime = false;  // true when the extended timestamp gave it
  std::string extra;          // central extra field
  std::string comment;        // UTF-8
  bool overlaps = false;      // refused when read: its data overlaps another entry or the
                              // directory, or its record cannot place it
  // AES encryption (method 99): key strength 1, 2 or 3 (128, 192, 256 bits), 0 when none; the
  // scheme's version (1 keeps the CRC, 2 leaves it out) and the method the data really has.
  uint8_t aesStrength = 0;
  uint16_t aesVersion = 0;
  uint16_t aesMethod = 0;

  uint8_t host() const { return static_cast<uint8_t>(versionMadeBy >> 8); }
  bool encrypted() const { return (flags & 0x0001) != 0; }
  // The compression method of the data once decrypted.
  uint16_t dataMethod() const { return aesStrength ? aesMethod : method; }
  // Whether the read side can take this entry at all (method, cipher).
  bool readable() const;
  bool hasDataDescriptor() const { return (flags & 0x0008) != 0; }
  bool isUnixMade() const;
  uint32_t unixMode() const { return externalAttributes >> 16; }  // meaningful when isUnixMade()
  // Permission bits a Unix tool stored, with or without the file-type bits (some writers leave
  // those out); 0 when the entry carries none.
  uint32_t unixPermissions() const { return host() == kHostUnixMade ? unixMode() & 07777 : 0; }
  bool isDirectory() const;
  bool isSymlink() const;
  bool isVolumeLabel() const;
  uint8_t dosAttributes() const;  // zipabi::kAttr* bits
  uint32_t dosDateTime() const { return (static_cast<uint32_t>(dosDate) << 16) | dosTime; }  // as stored
  // The modification time: the exact one when an extra field gives it, else the DOS time read
  // as local time (worked out only when asked: a listing never needs it).
  int64_t mtime() const;
  // The date shown to the user: from the exact time when the archive has one, in local time.
  uint32_t displayDosDateTime() const;
  uint8_t ratio() const;  // space saved, percent 0..100
};

struct ArchiveIndex {
  std::vector<ZipEntry> entries;
  std::string comment;  // UTF-8 (code page 437 converted when not valid UTF-8)
  std::string rawComment;
  uint64_t centralDirectoryOffset = 0;  // absolute position in the source
  uint64_t centralDirectorySize = 0;
  uint64_t endRecordPosition = 0;  // absolute position of the end of central directory record
  uint64_t prefixBytes = 0;        // bytes before the archive proper (self-extractor stub)
  uint64_t dataEnd = 0;            // where the entries' data ends (start of the directory)
  uint64_t trailingBytes = 0;      // bytes after the end record and its comment
  uint32_t diskNumber = 0;         // disk of the end record (segments - 1 for a spanned set)
  bool zip64 = false;
  bool duplicates = false;  // some names occur more than once
  uint64_t entryCount = 0;  // entries in the directory (also when not kept)
  // The code page names and comments without the UTF-8 flag were read in; empty when there were
  // none.
  std::string nameCharset;
};

// Receives each entry of a directory read without keeping it; false stops the reading (the
// result is then zrAborted).
using EntryVisitor = std::function<bool(const ZipEntry& entry)>;

// The end of central directory record with its ZIP64 form applied.
struct EndRecord {
  uint64_t position = 0;  // absolute position of the end of central directory record
  uint64_t cdEnd = 0;     // where the directory must end (this record or the ZIP64 record)
  uint32_t disk = 0;
  uint32_t cdDisk = 0;
  uint64_t totalEntries = 0;
  uint64_t cdSize = 0;
  uint64_t cdOffset = 0;
  uint16_t commentLength = 0;
  bool zip64 = false;
  // The comment reaches exactly the end of the file (no trailing data).
  bool endsFile(uint64_t size) const { return position + 22 + commentLength == size; }
};

// The one search for the end record: every candidate in the file's tail, most believable first.
// Empty with *failure set when the tail cannot be read.
std::vector<EndRecord> findEndRecords(ArchiveSource& source, int32_t* failure);

// The one walk of the central directory at absolute `start`, `length` bytes long: calls `visit`
// with each whole record and its offset in the directory. False when a record is malformed,
// runs past the end, the visitor refuses one, or a read fails (*failure then set).
using DirectoryVisitor = std::function<bool(const uint8_t* record, size_t length, uint64_t offset)>;
bool walkCentralDirectory(ArchiveSource& source, uint64_t start, uint64_t length,
                          const DirectoryVisitor& visit, int32_t* failure);

// Parses the end records and the central directory. Returns zipabi::zrOk or a result code:
// zrArchiveTooCorrupted (no end record, or a directory that does not fit), zrSpannedNotMultidisk
// (the end record names other disks and `allowSpanned` is false), zrOutOfMemory.
// With `visit`, the directory is checked whole first, then its entries are handed to `visit` in
// archive order and not kept: a listing of any size takes the memory of one entry. The entries
// are then not checked against each other (overlaps, duplicate names). An empty `visit` only
// counts them (entryCount).
// Names and comments without the UTF-8 flag are read in `nameCharset` (as iconv names it), or
// when it is empty in the code page detected from those names (index.nameCharset says which).
int32_t readArchiveIndex(ArchiveSource& source, ArchiveIndex& index, bool allowSpanned,
                         const EntryVisitor* visit = nullptr, const std::string& nameCharset = std::string());

}  // namespace zipeng
