// The records the engine's events carry to their handlers, the small types of the component's
// properties, and the names of the result codes and skip reasons. Strings are Qt strings; the
// libraries' own records are in zipengine_abi.h and are turned into these in file_stats.cpp.
#pragma once

#include <QString>
#include <cstdint>

#include "libs/zipeng/include/zipengine_abi.h"

// What an operation returns (zrOk, or why it failed or warns) and why a file was skipped: the
// call interface's own names, so the program never reads a bare number.
using zipabi::TZipResult;
using enum zipabi::TZipResult;
using zipabi::TZipSkipReason;
using enum zipabi::TZipSkipReason;

// Two warnings the result table knows that no library of ours returns; should one come, it is
// passed over in silence, as zrNothingToDo is.
enum TZipReservedWarning : std::int32_t { zrReservedWarning30 = 30, zrReservedWarning140 = 140 };

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
  QString FileName;       // stored name, path included
  std::int64_t Size = 0;  // uncompressed bytes
  std::int64_t CompressedSize = 0;
  std::uint32_t LibraryValue1 = 0;  // carried through, not read by the program
  TZipAttributes Attributes;
  TDateTime DateTime = 0;
  std::uint32_t LibraryValue2 = 0;  // carried through, not read by the program
  std::uint8_t Ratio = 0;           // percent
  std::uint8_t PercentDone = 0;     // progress of the current item, percent
  std::uint8_t LibraryByte = 0;     // carried through, not read by the program
  bool LibraryFlag = false;         // true for an encrypted entry
  QString Comment;                  // at most 255 bytes of UTF-8

  bool operator==(const TZipFileStats&) const = default;
};

// A file that was left out; Reason is a TZipSkipReason (zsrFileNotFound ... zsrCorruptData).
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
  static constexpr std::uint8_t kSupplied = zipabi::kPasswordSupplied;
  QString FileName;
  QString Password;  // at most 80 bytes reach the library
  std::uint8_t Response = 0;
};

// The library asks for the comment of a file being added.
struct TZipFileComment {
  QString FileName;
  QString Comment;  // at most 255 bytes reach the library
};
