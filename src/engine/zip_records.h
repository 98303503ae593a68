// The records the engine's events carry to their handlers, and the small types of the
// component's properties. Strings are Qt strings; the libraries' own records are in
// zipengine_abi.h and are turned into these in file_stats.cpp.
#pragma once

#include <QString>

#include <cstdint>

// Days since 30 December 1899 plus the fraction of the day.
using TDateTime = double;

// Compression level 0 (store) to 9.
using TZipCompressionLevel = std::uint8_t;

// What Extract does with a file that already exists.
enum TZipOverwrite : std::uint8_t { zowAsk, zowNever, zowAlways };

// The six attribute flags of an entry, flag i being bit i of the library's attribute byte.
enum TZipAttribute : std::uint8_t {
  zatReadOnly = 0,
  zatHidden = 1,
  zatSystem = 2,
  zatVolumeLabel = 3,
  zatDirectory = 4,
  zatArchive = 5,
};

struct TZipAttributes {
  std::uint8_t Bits = 0;  // only the low six bits are ever set

  bool Contains(TZipAttribute flag) const { return (Bits >> flag) & 1u; }
  bool operator==(const TZipAttributes&) const = default;
};

// One archive entry.
struct TZipFileStats {
  QString FileName;              // stored name, path included
  std::int64_t Size = 0;         // uncompressed bytes
  std::int64_t CompressedSize = 0;
  std::uint32_t LibraryValue1 = 0;  // carried through, not read by the program
  TZipAttributes Attributes;
  TDateTime DateTime = 0;
  std::uint32_t LibraryValue2 = 0;  // carried through, not read by the program
  std::uint8_t Ratio = 0;        // percent
  std::uint8_t PercentDone = 0;  // progress of the current item, percent
  std::uint8_t LibraryByte = 0;  // carried through, not read by the program
  bool LibraryFlag = false;      // true for an encrypted entry
  QString Comment;               // at most 255 bytes of UTF-8

  bool operator==(const TZipFileStats&) const = default;
};

// A file that was left out. Reason: 0 file not found, 1 unknown compression, 2 CRC does not
// check out, 3 already up to date, 4 unable to open, 5 invalid or no password, 6 corrupted data.
struct TZipSkipping {
  QString FileName;
  std::uint8_t Reason = 0;
};

// Extraction would overwrite FileName; the handler sets Replace (true = replace).
struct TZipReplace {
  QString FileName;
  QString NewName;  // empty on entry
  bool Replace = false;
};

// The library needs a password for FileName. Response 2 means a password is supplied.
struct TZipPwdQuery {
  static constexpr std::uint8_t kSupplied = 2;
  QString FileName;
  QString Password;  // at most 80 bytes reach the library
  std::uint8_t Response = 0;
};

// The library asks for the comment of a file being added.
struct TZipFileComment {
  QString FileName;
  QString Comment;  // at most 255 bytes reach the library
};
