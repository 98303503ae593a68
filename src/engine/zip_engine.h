// TZipEngine: the program's only way to work on an archive. A caller sets the properties, runs
// one operation and gets an integer result code back (0 = success); while the library works,
// its callback messages become the events below. The component shows no message of its own.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <exception>
#include <functional>

#include "engine/zip_records.h"
#include "platform/module.h"
#include "zipengine_abi.h"

class TZipEngine;
class TArgumentVector;

// Files with these extensions are stored without compression: the component's default, and the
// default of the program's StoredExt setting.
inline constexpr char kDefaultStoredExtensions[] = ".ZIP;.LZH;.ARC;.ARJ;.ZOO";

// Handlers receive the component first. Records passed by const reference are read-only; the
// others are answered in place.
using TZipFileNameEvent = std::function<void(TZipEngine& ZipEngine, const QString& FileName)>;
using TZipFileStatsEvent = std::function<void(TZipEngine& ZipEngine, const TZipFileStats& FileStats)>;
using TZipSkippingEvent = std::function<void(TZipEngine& ZipEngine, const TZipSkipping& Skipping)>;
using TZipReplaceEvent = std::function<void(TZipEngine& ZipEngine, TZipReplace& Replace)>;
using TZipPwdQueryEvent = std::function<void(TZipEngine& ZipEngine, TZipPwdQuery& PwdQuery)>;
using TZipNewdiskEvent = std::function<void(TZipEngine& ZipEngine, std::int32_t Disknumber)>;
using TZipFileCommentEvent = std::function<void(TZipEngine& ZipEngine, TZipFileComment& FileComment)>;

class TZipEngine : public QObject {
  Q_OBJECT

 public:
  // The owner (a window) destroys the component with itself.
  explicit TZipEngine(QObject* Owner = nullptr);
  ~TZipEngine() override;

  // ---- properties (plain fields: setting one has no side effect; FilesToProcess is a value,
  // so assigning a list copies it) ----
  QStringList FilesToProcess;  // names or patterns; ">" include and "<" exclude patterns
  // FilesToProcess holds names taken as they stand: a leading ">" or "<" is part of the name,
  // so an entry called "<draft>.txt" that a user picked acts on itself alone.
  bool ExactNames = false;
  TZipCompressionLevel Compression = 6;
  bool ClearDisks = false;
  bool MoveFiles = false;
  bool MultidiskMode = false;
  QString ExtractDirectory;
  bool IncludeHiddenFiles = false;
  bool IncludeDirectoryEntries = false;
  bool IncludeVolumeLabel = false;
  TZipOverwrite Overwrite = zowAsk;
  bool Recurse = false;
  QString Password;
  // New entries with a password: AES with 256-bit keys, else the traditional encryption that old
  // unzip programs read.
  bool AesEncryption = true;
  // The code page of names stored without the UTF-8 flag (437, 866, 932, ...); 0 lets the library
  // find it from the names.
  std::int32_t NameCodePage = 0;
  // The code page the last listing read such names in; 0 when it had none.
  std::int32_t NameCodePageRead = 0;
  QString StoredExtensions = QString::fromLatin1(kDefaultStoredExtensions);
  QString TempPath;
  bool UsePaths = true;
  bool UseTempFile = true;
  QString ZipFileName;

  // ---- events (raised only when assigned) ----
  TZipFileStatsEvent OnAdding;
  TZipFileNameEvent OnDeleting;
  TZipFileStatsEvent OnExtracting;
  TZipFileCommentEvent OnFileComment;
  TZipFileNameEvent OnFixing;
  TZipFileStatsEvent OnListing;
  TZipReplaceEvent OnReplace;
  TZipPwdQueryEvent OnPwdQuery;
  TZipFileStatsEvent OnTesting;
  TZipFileStatsEvent OnUpdating;
  TZipSkippingEvent OnSkippingFile;
  TZipFileStatsEvent OnStatus;
  TZipNewdiskEvent OnNewdisk;

  // Set to true during an operation to stop it. Every operation clears it before it calls a
  // library, so one request stops one operation.
  bool Abort = false;

  // ---- operations ----
  // Number of entries of ZipFileName, 0 on failure.
  int GetEntryCount();
  // Entry Index (0-based) into Stats; Stats is left empty on failure or a negative Index.
  void GetEntryStats(int Index, TZipFileStats& Stats);
  // The archive comment, or "Error #" and the result code when it cannot be read.
  void GetArchiveComment(QString& Comment);
  // Replaces the archive comment (its first 255 bytes); a failure is not reported. Does
  // nothing in multi-disk mode.
  void SetArchiveComment(const QString& Comment);
  int Add(int Mode);  // 0 add, 1 freshen, 2 update
  int Delete();
  int Extract(int Mode);  // 0 extract the named entries, 1 freshen, 2 update
  int Fix(bool Aggressive);
  int List();
  int Test();
  int UpdateArchiveDate();

  // An exception thrown by an event handler never passes through a library: the callback
  // catches it, asks the library to stop, and the operation rethrows it to its caller once the
  // library has returned and everything is cleaned up.

 private:
  friend class TZipEngineTestAccess;  // lets the tests read the private fields below

  enum class TEngineLibrary { Zip, Unzip };

  TDateTime AfterDate = 0;       // 1 January 1980, set by the constructor, sent by Add
  std::uint32_t ResultHigh = 0;  // high 16 bits of the last returned value
  std::int32_t EntryCount = 0;   // written by message 70
  TZipFileStats EntryStats;      // written by message 90

  platform::ModuleHandle ZipLibrary = nullptr;
  platform::ModuleHandle UnzipLibrary = nullptr;
  zipabi::EngineEntryFn ZipEntry = nullptr;
  zipabi::EngineEntryFn UnzipEntry = nullptr;

  // When the window last handled its events during the current call; invalid before the first.
  QElapsedTimer FEventClock;

  // The first error thrown by a handler during the current call, rethrown after it.
  std::exception_ptr FHandlerError;

  // ---- the library boundary ----
  static platform::ModuleHandle LoadEngineLibrary(const char* LibraryName, const char* EntryName,
                                                  zipabi::EngineEntryFn& Entry);
  int CallZipEngine(int ArgCount, void* Args);
  int CallUnzipEngine(int ArgCount, void* Args);
  int CallEngine(platform::ModuleHandle& Library, zipabi::EngineEntryFn& Entry, const char* LibraryName,
                 const char* EntryName, int ArgCount, void* Args);
  int CallLibrary(TEngineLibrary Library, int ArgCount, void* Args);
  void UnloadLibraries();
  void AppendFilesToProcess(TArgumentVector& Args, bool AllowInclude) const;
  static std::int32_t EngineCallback(std::int32_t Message, void* Data, void* UserData);
  void HandleMessage(std::int32_t Message, void* Data);

  // ---- argument vectors, one per operation ----
  // "-O CPnnn" after the password when a code page was chosen for names without the UTF-8 flag.
  void AppendNameCodePage(TArgumentVector& Args) const;
  void BuildAddVector(TArgumentVector& Args, int Mode) const;
  void BuildDeleteVector(TArgumentVector& Args) const;
  void BuildFixVector(TArgumentVector& Args, bool Aggressive) const;
  void BuildUpdateArchiveDateVector(TArgumentVector& Args) const;
  void BuildSetArchiveCommentVector(TArgumentVector& Args) const;
  void BuildExtractVector(TArgumentVector& Args, int Mode) const;
  void BuildListVector(TArgumentVector& Args) const;
  void BuildTestVector(TArgumentVector& Args) const;
  void BuildGetArchiveCommentVector(TArgumentVector& Args) const;

  // The common shape of the operations that send an argument vector.
  int RunVector(TEngineLibrary Library, bool Refused, bool EmptyFilesAfter,
                const std::function<void(TArgumentVector&)>& Build);
  int RunQuery(std::int32_t Selector);
  void RethrowHandlerError();
};
