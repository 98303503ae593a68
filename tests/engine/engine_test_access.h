// Read access to the component's private fields, for the tests.
#pragma once

#include "engine/zip_engine.h"

class TZipEngineTestAccess {
 public:
  static std::uint32_t ResultHigh(const TZipEngine& e) { return e.ResultHigh; }
  static std::int32_t EntryCount(const TZipEngine& e) { return e.EntryCount; }
  static const TZipFileStats& EntryStats(const TZipEngine& e) { return e.EntryStats; }
  static TDateTime AfterDate(const TZipEngine& e) { return e.AfterDate; }
  static bool ZipLoaded(const TZipEngine& e) { return e.ZipLibrary != nullptr; }
  static bool UnzipLoaded(const TZipEngine& e) { return e.UnzipLibrary != nullptr; }
  static void* ZipHandle(const TZipEngine& e) { return e.ZipLibrary; }
};
