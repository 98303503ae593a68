// Loading the libraries lazily, not remembering a failure, and unloading at destruction.
#include "engine_test_access.h"
#include "fake_fixture.h"

using namespace zipabi;

namespace {
int LoadedCount(const char* name) {
  return Fakes().Loaded[name];
}
}  // namespace

TEST_F(FakeEngineTest, MissingLibraryGives240UntilItIsPlaced) {
  RemoveFakeLibraries();
  Engine.FilesToProcess = {"a"};
  EXPECT_EQ(Engine.List(), zrLibraryMissing);
  EXPECT_EQ(TZipEngineTestAccess::ResultHigh(Engine), 240u);
  EXPECT_TRUE(Engine.FilesToProcess.isEmpty());
  EXPECT_EQ(Engine.Add(0), zrLibraryMissing);
  EXPECT_EQ(Engine.GetEntryCount(), 0);
  QString comment;
  Engine.GetArchiveComment(comment);
  EXPECT_EQ(comment, "Error #240");
  EXPECT_TRUE(Fakes().Calls.empty());
  EXPECT_FALSE(TZipEngineTestAccess::UnzipLoaded(Engine));

  PlaceFakeLibraries();
  EXPECT_EQ(Engine.List(), 0);
  EXPECT_EQ(Engine.Add(0), 0);
  EXPECT_EQ(Fakes().Calls.size(), 2u);
}

TEST_F(FakeEngineTest, LibraryWithoutEntryPointIsUnloadedAndGives240) {
  PlaceFakeLibraries("zipeng32");
  EXPECT_EQ(Engine.Delete(), zrLibraryMissing);
  EXPECT_EQ(TZipEngineTestAccess::ResultHigh(Engine), 240u);
  EXPECT_FALSE(TZipEngineTestAccess::ZipLoaded(Engine));
  EXPECT_EQ(LoadedCount("noentry"), 0);
  EXPECT_EQ(Engine.Test(), 0);  // the other library is not affected
  PlaceFakeLibraries();
  EXPECT_EQ(Engine.Delete(), 0);
}

TEST_F(FakeEngineTest, EachLibraryIsLoadedOnceAndKeptBetweenOperations) {
  EXPECT_EQ(LoadedCount("zipeng"), 0);
  EXPECT_EQ(LoadedCount("unzeng"), 0);
  Engine.List();
  EXPECT_FALSE(TZipEngineTestAccess::ZipLoaded(Engine));  // only the library the operation needs
  Engine.Test();
  Engine.GetEntryCount();
  EXPECT_EQ(LoadedCount("unzeng"), 1);
  Engine.Fix(false);
  void* handle = TZipEngineTestAccess::ZipHandle(Engine);
  Engine.UpdateArchiveDate();
  EXPECT_EQ(TZipEngineTestAccess::ZipHandle(Engine), handle);
  EXPECT_EQ(LoadedCount("zipeng"), 1);
}

TEST_F(FakeEngineTest, DestructionUnloadsBothLibrariesAlsoAfterAFailedCall) {
  {
    TZipEngine first;
    TZipEngine second;
    first.List();
    second.List();
    Play([](TFakeCall&) {}, PackResult(zrDiskFull));
    EXPECT_EQ(first.Add(0), zrDiskFull);
    EXPECT_EQ(LoadedCount("zipeng"), 1);
    EXPECT_EQ(LoadedCount("unzeng"), 1);
    // The system counts the loads: one instance going away leaves the other's library usable.
    {
      TZipEngine third;
      third.Add(0);
    }
    EXPECT_EQ(LoadedCount("zipeng"), 1);
    EXPECT_EQ(first.Add(0), zrDiskFull);
  }
  EXPECT_EQ(LoadedCount("zipeng"), 0);
  EXPECT_EQ(LoadedCount("unzeng"), 0);
}
