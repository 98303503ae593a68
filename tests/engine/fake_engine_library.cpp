// A stand-in for an engine library. It holds no logic of its own: every call is handed to the
// test program that loaded it (ParcelixFakeEntry, exported by the test executable), which
// records the vector and plays the scripted callback messages. Loading and unloading are
// reported the same way, so the tests can see when the component frees a library.
#include <dlfcn.h>

#include "zipengine_abi.h"

#define FAKE_STRINGIFY2(x) #x
#define FAKE_STRINGIFY(x) FAKE_STRINGIFY2(x)

namespace {

#ifdef FAKE_ENTRY
const char* const kName = FAKE_STRINGIFY(FAKE_ENTRY);
#else
const char* const kName = "noentry";
#endif

using EntryHook = int32_t (*)(const char*, int32_t, int32_t, void*, zipabi::EngineCallbackFn, void*);
using LoadHook = void (*)(const char*, int);

void Notify(int delta) {
  if (auto hook = reinterpret_cast<LoadHook>(dlsym(RTLD_DEFAULT, "ParcelixFakeLoaded"))) hook(kName, delta);
}

__attribute__((constructor)) void OnLoad() {
  Notify(+1);
}
__attribute__((destructor)) void OnUnload() {
  Notify(-1);
}

}  // namespace

#ifdef FAKE_ENTRY
extern "C" __attribute__((visibility("default"))) int32_t FAKE_ENTRY(int32_t version, int32_t argCount,
                                                                     void* args,
                                                                     zipabi::EngineCallbackFn callback,
                                                                     void* userData) {
  auto hook = reinterpret_cast<EntryHook>(dlsym(RTLD_DEFAULT, "ParcelixFakeEntry"));
  if (!hook) return zipabi::PackResult(zipabi::zrCannotAccess);
  return hook(kName, version, argCount, args, callback, userData);
}
#endif
