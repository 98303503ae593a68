// The decompression library's one entry point.
#include <exception>
#include <new>

#include "command_line.h"
#include "commands.h"
#include "core/dos_time.h"

__attribute__((visibility("default"))) int32_t zipabi::unzeng(int32_t version, int32_t argCount, void* args,
                                                              zipabi::EngineCallbackFn callback,
                                                              void* userData) {
  using namespace zipabi;
  // No exception may cross into the caller: each becomes a result code.
  try {
    if (version != kInterfaceVersion || args == nullptr || argCount < 1) return PackResult(zrCannotAccess);
    zipeng::refreshLocalTime();
    if (IsQueryBlock(argCount, args)) {
      auto* block = static_cast<TZipQueryBlock*>(args);
      return PackResult(zipeng::answerQuery(block->ZipFileName, block->Selector, callback, userData));
    }
    zipeng::Command command;
    if (!zipeng::parseCommand(argCount, static_cast<const char* const*>(args), command))
      return PackResult(zrArchiveNotFound);
    zipeng::Session session(command, callback, userData);
    int32_t rc = zrOk;
    switch (command.operation) {
      case zipeng::Operation::List:
        rc = zipeng::listEntries(session);
        break;
      case zipeng::Operation::Test:
        rc = zipeng::testEntries(session);
        break;
      case zipeng::Operation::Comment:
        rc = zipeng::reportComment(session);
        break;
      case zipeng::Operation::Extract:
        rc = zipeng::extractEntries(session);
        break;
    }
    return PackResult(rc);
  } catch (const std::bad_alloc&) {
    return PackResult(zrOutOfMemory);
  } catch (...) {
    return PackResult(zrArchiveTooCorrupted);
  }
}
