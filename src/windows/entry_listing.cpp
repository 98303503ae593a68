#include "windows/entry_listing.h"

#include "engine/zip_engine.h"

int ListEachEntry(TZipEngine& Engine, const std::function<void(const TZipFileStats&)>& Each) {
  struct TRestoreListing {
    TZipEngine& Engine;
    TZipFileStatsEvent Saved = Engine.OnListing;
    ~TRestoreListing() { Engine.OnListing = Saved; }
  } restore{Engine};
  Engine.OnListing = [&Each](TZipEngine&, const TZipFileStats& Stats) { Each(Stats); };
  Engine.FilesToProcess.clear();
  return Engine.List();
}
