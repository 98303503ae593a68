// Loading the two libraries and calling their entry points.
#include "engine/zip_engine.h"

namespace {
// The system shows no box of its own when a file cannot be opened.
constexpr unsigned kFailCriticalErrors = 0x8000;
}  // namespace

platform::ModuleHandle TZipEngine::LoadEngineLibrary(const char* LibraryName, const char* EntryName,
                                                     zipabi::EngineEntryFn& Entry) {
  const unsigned previousMode = platform::SetErrorMode(kFailCriticalErrors);
  platform::ModuleHandle library = platform::LoadLibrary(LibraryName);
  platform::SetErrorMode(previousMode);
  if (!library) return nullptr;
  auto* address = platform::GetProcAddress(library, EntryName);
  if (!address) {
    platform::FreeLibrary(library);
    return nullptr;
  }
  Entry = reinterpret_cast<zipabi::EngineEntryFn>(address);
  return library;
}

int TZipEngine::CallEngine(platform::ModuleHandle& Library, zipabi::EngineEntryFn& Entry,
                           const char* LibraryName, const char* EntryName, int ArgCount, void* Args) {
  // A failed load is not remembered, so a library placed later is found by the next call.
  if (!Library) {
    Entry = nullptr;
    Library = LoadEngineLibrary(LibraryName, EntryName, Entry);
  }
  if (!Library || !Entry) {
    ResultHigh = zipabi::zrLibraryMissing;
    return zipabi::zrLibraryMissing;
  }
  FEventClock.invalidate();  // the call's first message lets the window catch up at once
  const std::int32_t returned =
      Entry(zipabi::kInterfaceVersion, ArgCount, Args, &TZipEngine::EngineCallback, this);
  const auto value = static_cast<std::uint32_t>(returned);
  ResultHigh = value >> 16;
  return static_cast<int>(value & 0xFFFFu);
}

int TZipEngine::CallZipEngine(int ArgCount, void* Args) {
  return CallEngine(ZipLibrary, ZipEntry, zipabi::kZipLibraryName, zipabi::kZipEntryName, ArgCount, Args);
}

int TZipEngine::CallUnzipEngine(int ArgCount, void* Args) {
  return CallEngine(UnzipLibrary, UnzipEntry, zipabi::kUnzipLibraryName, zipabi::kUnzipEntryName, ArgCount,
                    Args);
}

int TZipEngine::CallLibrary(TEngineLibrary Library, int ArgCount, void* Args) {
  return Library == TEngineLibrary::Zip ? CallZipEngine(ArgCount, Args) : CallUnzipEngine(ArgCount, Args);
}

void TZipEngine::UnloadLibraries() {
  if (ZipLibrary) platform::FreeLibrary(ZipLibrary);
  if (UnzipLibrary) platform::FreeLibrary(UnzipLibrary);
  ZipLibrary = UnzipLibrary = nullptr;
  ZipEntry = UnzipEntry = nullptr;
}
