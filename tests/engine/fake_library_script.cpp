#include "fake_library_script.h"

#include <unistd.h>

#include <filesystem>

#include "platform/module.h"

namespace fs = std::filesystem;

TFakeLibraries& Fakes() {
  static TFakeLibraries fakes;
  return fakes;
}

int32_t TFakeCall::Send(int32_t message, void* data) {
  const int32_t answer = FCallback(message, data, FUserData);
  Answers.push_back(answer);
  return answer;
}

TLibStatsHolder::TLibStatsHolder(std::string name, int64_t size, std::string comment)
    : Name(std::move(name)), Comment(std::move(comment)) {
  Stats.Size = size;
  Stats.CommentLength = static_cast<uint8_t>(Comment.size());
}

extern "C" __attribute__((visibility("default"))) int32_t ParcelixFakeEntry(const char* library,
                                                                            int32_t version, int32_t argCount,
                                                                            void* args,
                                                                            zipabi::EngineCallbackFn callback,
                                                                            void* userData) {
  TRecordedCall call;
  call.Library = library;
  call.Version = version;
  call.ArgCount = argCount;
  call.UserData = userData;
  if (zipabi::IsQueryBlock(argCount, args)) {
    auto* block = static_cast<zipabi::TZipQueryBlock*>(args);
    call.IsQuery = true;
    call.QueryName = QString::fromUtf8(block->ZipFileName);
    call.Selector = block->Selector;
  } else {
    auto** elements = static_cast<char**>(args);
    for (int32_t i = 0; i < argCount; ++i) call.Args << QString::fromUtf8(elements[i]);
  }
  TFakeLibraries& fakes = Fakes();
  fakes.Calls.push_back(call);
  TFakeCall player(callback, userData);
  const int32_t returned = fakes.Script ? fakes.Script(call, player) : 0;
  fakes.Answers.push_back(player.Answers);
  return returned;
}

extern "C" __attribute__((visibility("default"))) void ParcelixFakeLoaded(const char* library, int delta) {
  Fakes().Loaded[library] += delta;
}

namespace {

// Replace by rename, so a module still mapped by an earlier load is never overwritten in place.
void CopyModule(const std::string& from, const std::string& to) {
  const std::string temporary = to + ".part";
  fs::copy_file(from, temporary, fs::copy_options::overwrite_existing);
  fs::rename(temporary, to);
}

}  // namespace

void PlaceFakeLibraries(const std::string& asNoEntry) {
  const std::string here = platform::ProgramFolder();
  for (const std::string kind : {"zipeng32", "unzeng32"}) {
    const std::string source = kind == asNoEntry ? "libnoentry.so" : "lib" + kind + ".so";
    CopyModule(std::string(FAKE_MODULE_DIR) + "/" + source, here + "/lib" + kind + ".so");
  }
}

void RemoveFakeLibraries() {
  const std::string here = platform::ProgramFolder();
  std::error_code ignored;
  fs::remove(here + "/libzipeng32.so", ignored);
  fs::remove(here + "/libunzeng32.so", ignored);
}
