// The call interface between the engine component and the two engine libraries
// (libzipeng32.so, entry "zipeng"; libunzeng32.so, entry "unzeng").
//
// This header is shared by both sides and holds nothing else: the entry and callback
// signatures, the query block, the callback message codes, the library-side records, the
// skip reasons and the result codes. Plain C++ with fixed-width types, no Qt, so the libraries
// can include it.
//
// Layout: fields in the documented order with natural alignment; addresses are native pointers
// and sizes are signed 64-bit, so entries and archives over 2 GiB report true figures.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zipabi {

// ---- entry point and callback -------------------------------------------------------------

inline constexpr int32_t kInterfaceVersion = 100;

// Returns 1 to ask the library to stop (the component's Abort flag), else 0.
using EngineCallbackFn = int32_t (*)(int32_t message, void* data, void* userData);

// version: always 100. argCount: elements of the vector (1 for a query block).
// args: `const char* const*` argument vector, or a `TZipQueryBlock*` when argCount is 1 and
// the first word points at the block's selector (see below).
// Returned value: low 16 bits result code, high 16 bits the library's extra value.
using EngineEntryFn = int32_t (*)(int32_t version, int32_t argCount, void* args, EngineCallbackFn callback,
                                  void* userData);

inline constexpr const char* kZipLibraryName = "ZIPENG32.DLL";
inline constexpr const char* kUnzipLibraryName = "UNZENG32.DLL";
inline constexpr const char* kZipEntryName = "zipeng";
inline constexpr const char* kUnzipEntryName = "unzeng";

// ---- query block ----------------------------------------------------------------------------

inline constexpr int32_t kSelectorCount = 0;
inline constexpr int32_t kSelectorMultidiskCount = 1234567890;

// Three consecutive words. Word 0 holds the address of word 2, which is how a library tells a
// query block from an argument vector of one element (an argument vector's element 0 points
// at a string, never into the block itself).
struct TZipQueryBlock {
  int32_t* SelectorAddress;  // word 0: &Selector
  const char* ZipFileName;   // word 1: archive file name, zero-terminated
  int32_t Selector;          // word 2: 0 count, n >= 1 entry n, 1234567890 multi-disk count
};

// True when `args`, passed with argCount 1, is a query block rather than a vector.
inline bool IsQueryBlock(int32_t argCount, const void* args) {
  if (argCount != 1 || args == nullptr) return false;
  auto* block = static_cast<const TZipQueryBlock*>(args);
  return block->SelectorAddress == &block->Selector;
}

// ---- callback messages ----------------------------------------------------------------------

enum TZipCallbackMessage : int32_t {
  zcmReplace = 10,             // TZipLibReplace
  zcmTesting = 50,             // TZipLibFileStats
  zcmExtracting = 60,          // TZipLibFileStats
  zcmEntryCount = 70,          // int32_t
  zcmListing = 80,             // TZipLibFileStats
  zcmEntryStats = 90,          // TZipLibFileStats
  zcmPassword = 100,           // TZipLibPwdQuery
  zcmNewDisk = 110,            // int32_t disk number (0 = last)
  zcmFileComment = 120,        // TZipLibFileComment
  zcmArchiveComment = 130,     // TZipLibCommentText (read)
  zcmNewArchiveComment = 140,  // TZipLibCommentText (written by the component)
  zcmUpdating = 1000,          // TZipLibFileStats
  zcmAdding = 1010,            // TZipLibFileStats
  zcmDeleting = 1020,          // const char* file name
  zcmStatus = 1030,            // TZipLibFileStats (PercentDone)
  zcmSkipping = 1060,          // TZipLibSkipping
  zcmFixing = 1070,            // const char* file name
  zcmNameCodePage = 1080,      // int32_t: the code page (437, 866, 932, ...) names without the UTF-8
                               // flag were read in; sent at the end of a listing that had such names
};

// ---- library-side records -------------------------------------------------------------------

// Attribute bits of TZipLibFileStats::Attributes.
enum : uint8_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrVolumeLabel = 0x08,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
};

struct TZipLibFileStats {
  const char* FileName;    // stored name, zero-terminated, may include a path
  int64_t Size;            // uncompressed size
  int64_t CompressedSize;  // compressed size
  uint32_t LibraryValue1;  // carried through unread (the libraries put the CRC-32 here)
  uint8_t Attributes;      // kAttr* bits
  uint8_t Padding1[3];
  uint32_t DosDateTime;    // high 16 bits date, low 16 bits time (MS-DOS packed form)
  uint32_t LibraryValue2;  // carried through unread (the libraries put the method here)
  uint8_t Ratio;           // compression ratio in percent
  uint8_t PercentDone;     // progress of the current item in percent
  uint8_t LibraryByte;     // carried through unread
  uint8_t LibraryFlag;     // carried through unread (non-zero = true; encrypted entry)
  uint8_t Padding2[4];
  const char* Comment;    // comment characters, not necessarily terminated
  uint8_t CommentLength;  // 0..255
  uint8_t Padding3[7];
};

struct TZipLibReplace {
  const char* FileName;  // the file that already exists
  char* NewNameBuffer;   // receives a zero-terminated replacement name
  uint8_t Answer;        // 1 replace, 0 keep (in and out)
  uint8_t Padding[7];
};
inline constexpr std::size_t kReplaceNameCapacity = 4096;  // bytes of NewNameBuffer

struct TZipLibPwdQuery {
  const char* FileName;  // entry that needs a password
  char* PasswordBuffer;  // at least 81 bytes: up to 80 characters and a terminator
  uint8_t Response;      // 2 = a password is supplied (in and out)
  uint8_t Padding[7];
};
inline constexpr std::size_t kPasswordCapacity = 81;
inline constexpr uint8_t kPasswordSupplied = 2;

struct TZipLibSkipping {
  const char* FileName;
  uint8_t Reason;  // TZipSkipReason
  uint8_t Padding[7];
};

struct TZipLibFileComment {
  const char* FileName;
  char* CommentBuffer;  // at least 255 bytes, no terminator written
  uint8_t Length;       // out
  uint8_t Padding[7];
};
inline constexpr std::size_t kCommentCapacity = 255;

struct TZipLibCommentText {
  char* Text;       // 130: library's text (read); 140: library buffer of >= 255 bytes
  uint16_t Length;  // 130: read; 140: written
  uint16_t Padding1;
  int32_t Flag;  // 140 only: written as 1
};

static_assert(offsetof(TZipLibFileStats, FileName) == 0);
static_assert(offsetof(TZipLibFileStats, Size) == 8);
static_assert(offsetof(TZipLibFileStats, CompressedSize) == 16);
static_assert(offsetof(TZipLibFileStats, LibraryValue1) == 24);
static_assert(offsetof(TZipLibFileStats, Attributes) == 28);
static_assert(offsetof(TZipLibFileStats, DosDateTime) == 32);
static_assert(offsetof(TZipLibFileStats, LibraryValue2) == 36);
static_assert(offsetof(TZipLibFileStats, Ratio) == 40);
static_assert(offsetof(TZipLibFileStats, PercentDone) == 41);
static_assert(offsetof(TZipLibFileStats, LibraryByte) == 42);
static_assert(offsetof(TZipLibFileStats, LibraryFlag) == 43);
static_assert(offsetof(TZipLibFileStats, Comment) == 48);
static_assert(offsetof(TZipLibFileStats, CommentLength) == 56);
static_assert(sizeof(TZipLibFileStats) == 64);
static_assert(offsetof(TZipLibReplace, Answer) == 16);
static_assert(offsetof(TZipLibPwdQuery, Response) == 16);
static_assert(offsetof(TZipLibSkipping, Reason) == 8);
static_assert(offsetof(TZipLibFileComment, Length) == 16);
static_assert(offsetof(TZipLibCommentText, Length) == 8);
static_assert(offsetof(TZipLibCommentText, Flag) == 12);
static_assert(offsetof(TZipQueryBlock, Selector) == 16);

// ---- skip reasons (message 1060) ------------------------------------------------------------

enum TZipSkipReason : uint8_t {
  zsrFileNotFound = 0,
  zsrUnknownCompression = 1,
  zsrBadCrc = 2,
  zsrUpToDate = 3,
  zsrCannotOpen = 4,
  zsrBadPassword = 5,
  zsrCorruptData = 6,
};

// ---- result codes ---------------------------------------------------------------------------

enum TZipResult : int32_t {
  zrOk = 0,
  zrNothingToDo = 10,
  zrSomeSkipped = 40,
  zrArchiveNotFound = 100,
  zrArchiveTooCorrupted = 110,
  zrOutOfMemory = 120,
  zrDiskFull = 150,
  zrEntryStructureCorrupted = 160,
  zrArchiveBusy = 180,  // another operation is changing this archive
  zrAborted = 190,
  zrTestErrors = 200,
  zrNothingTested = 210,
  zrLibraryMissing = 240,  // made by the component
  zrTempFileProblem = 280,
  zrRemoveParentDirectory = 350,
  zrRepeatedNames = 370,
  zrOnlyFolders = 380,
  zrCannotAccess = 400,
  zrSpannedNotMultidisk = 410,
  zrRefusedMultidisk = 430,  // made by the component
  zrVectorFailed = -1,       // made by the component
};

// Packs a result code and the library's extra value the way the entry returns them.
inline int32_t PackResult(int32_t code, int32_t high = 0) {
  return static_cast<int32_t>((static_cast<uint32_t>(high) << 16) | (static_cast<uint32_t>(code) & 0xFFFFu));
}

}  // namespace zipabi

// The entry points the libraries export (C linkage, the platform's C calling convention). They are
// declared inside the interface's namespace so the engine's own namespace may carry the same name;
// the exported symbols are the plain names all the same.
namespace zipabi {
extern "C" {
int32_t zipeng(int32_t version, int32_t argCount, void* args, EngineCallbackFn callback, void* userData);
int32_t unzeng(int32_t version, int32_t argCount, void* args, EngineCallbackFn callback, void* userData);
}
}  // namespace zipabi
