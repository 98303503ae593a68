// The compression library's entry point: parse the argument vector, run one operation.
#include <new>

#include "zip/zip_operations.h"

extern "C" __attribute__((visibility("default"))) int32_t zipeng(int32_t version, int32_t argCount, void* args,
                                                                  zipabi::EngineCallbackFn callback,
                                                                  void* userData) {
  using namespace zipcore;
  (void)version;
  if (argCount < 1 || args == nullptr || zipabi::IsQueryBlock(argCount, args))
    return zipabi::PackResult(zipabi::zrCannotAccess);
  try {
    Callback cb(callback, userData);
    ZipSession session{ZipCommand{}, cb};
    if (!ParseZipCommand(argCount, static_cast<const char* const*>(args), session.cmd))
      return zipabi::PackResult(zipabi::zrCannotAccess);
    int rc;
    switch (session.cmd.action) {
      case ZipAction::Add:
      case ZipAction::Freshen:
      case ZipAction::Update: rc = RunAdd(session); break;
      case ZipAction::Delete: rc = RunDelete(session); break;
      case ZipAction::Fix:
      case ZipAction::FixAggressive: rc = RunRepair(session); break;
      case ZipAction::Redate: rc = RunRedate(session); break;
      case ZipAction::Comment: rc = RunArchiveComment(session); break;
      default: rc = zipabi::zrCannotAccess; break;
    }
    if (cb.aborted()) rc = zipabi::zrAborted;
    return zipabi::PackResult(rc);
  } catch (const std::bad_alloc&) {
    return zipabi::PackResult(zipabi::zrOutOfMemory);
  } catch (...) {
    return zipabi::PackResult(zipabi::zrCannotAccess);
  }
}
