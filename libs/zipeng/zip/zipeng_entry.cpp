// The compression library's entry point: parse the argument vector, run one operation.
#include <new>

#include "core/archive_guard.h"
#include "core/dos_time.h"
#include "zip/zip_operations.h"

__attribute__((visibility("default"))) int32_t zipabi::zipeng(int32_t version, int32_t argCount, void* args,
                                                              zipabi::EngineCallbackFn callback,
                                                              void* userData) {
  using namespace zipeng;
  (void)version;
  if (argCount < 1 || args == nullptr || zipabi::IsQueryBlock(argCount, args))
    return zipabi::PackResult(zipabi::zrCannotAccess);
  try {
    refreshLocalTime();
    Callback cb(callback, userData);
    ZipSession session{ZipCommand{}, cb};
    if (!parseZipCommand(argCount, static_cast<const char* const*>(args), session.cmd))
      return zipabi::PackResult(zipabi::zrCannotAccess);
    ZipCommand& cmd = session.cmd;
    cmd.archive = resolveArchivePath(cmd.archive);
    // One writer at a time; then whatever an interrupted change left is undone first.
    const bool creates = (cmd.action == ZipAction::Add || cmd.action == ZipAction::Update) && !cmd.spanned;
    WriterLock lock;
    int rc = lock.acquire(cmd.archive, creates);
    if (rc != zipabi::zrOk && rc != zipabi::zrArchiveNotFound) return zipabi::PackResult(rc);
    if (rc == zipabi::zrOk && (rc = recoverInterruptedChange(cmd.archive)) != zipabi::zrOk)
      return zipabi::PackResult(rc);
    clearStaleTemporaries(folderOf(cmd.archive));
    if (!cmd.tempFolder.empty()) clearStaleTemporaries(cmd.tempFolder);
    switch (cmd.action) {
      case ZipAction::Add:
      case ZipAction::Freshen:
      case ZipAction::Update:
        rc = runAdd(session);
        break;
      case ZipAction::Delete:
        rc = runDelete(session);
        break;
      case ZipAction::Fix:
      case ZipAction::FixAggressive:
        rc = runRepair(session);
        break;
      case ZipAction::Redate:
        rc = runRedate(session);
        break;
      case ZipAction::Comment:
        rc = runArchiveComment(session);
        break;
      default:
        rc = zipabi::zrCannotAccess;
        break;
    }
    if (cb.aborted() && rc != zipabi::zrArchiveTooCorrupted) rc = zipabi::zrAborted;
    return zipabi::PackResult(rc);
  } catch (const std::bad_alloc&) {
    return zipabi::PackResult(zipabi::zrOutOfMemory);
  } catch (...) {
    return zipabi::PackResult(zipabi::zrCannotAccess);
  }
}
