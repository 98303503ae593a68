// The decompression library's one entry point.
#include <exception>
#include <new>

#include "command_line.h"
#include "commands.h"

extern "C" __attribute__((visibility("default"))) int32_t unzeng(int32_t version, int32_t argCount, void* args,
                                                                 zipabi::EngineCallbackFn callback, void* userData) {
  using namespace zipabi;
  // No exception may cross into the caller: each becomes a result code.
  try {
    if (version != kInterfaceVersion || args == nullptr || argCount < 1) return PackResult(zrCannotAccess);
    if (IsQueryBlock(argCount, args)) {
      auto* block = static_cast<TZipQueryBlock*>(args);
      return PackResult(unzlib::answerQuery(block->ZipFileName, block->Selector, callback, userData));
    }
    unzlib::Command command;
    if (!unzlib::parseCommand(argCount, static_cast<const char* const*>(args), command))
      return PackResult(zrArchiveNotFound);
    unzlib::Session session(command, callback, userData);
    int32_t rc = zrOk;
    switch (command.operation) {
      case unzlib::Operation::List: rc = unzlib::listEntries(session); break;
      case unzlib::Operation::Test: rc = unzlib::testEntries(session); break;
      case unzlib::Operation::Comment: rc = unzlib::reportComment(session); break;
      case unzlib::Operation::Extract: rc = unzlib::extractEntries(session); break;
    }
    return PackResult(rc);
  } catch (const std::bad_alloc&) {
    return PackResult(zrOutOfMemory);
  } catch (...) {
    return PackResult(zrArchiveTooCorrupted);
  }
}
