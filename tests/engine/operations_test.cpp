// The component's operations: initial state, multi-disk refusals, the names list, queries,
// Abort and failing handlers.
#include <QTimer>
#include <stdexcept>

#include "engine/comment_buffer.h"
#include "engine_test_access.h"
#include "fake_fixture.h"

using namespace zipabi;

TEST_F(FakeEngineTest, NewInstanceHasItsInitialValues) {
  TZipEngine e;
  EXPECT_TRUE(e.FilesToProcess.isEmpty());
  EXPECT_EQ(e.Compression, 6);
  EXPECT_FALSE(e.ClearDisks || e.MoveFiles || e.MultidiskMode || e.IncludeHiddenFiles ||
               e.IncludeDirectoryEntries || e.IncludeVolumeLabel || e.Recurse || e.Abort);
  EXPECT_TRUE(e.UsePaths);
  EXPECT_TRUE(e.UseTempFile);
  EXPECT_EQ(e.Overwrite, zowAsk);
  EXPECT_EQ(e.StoredExtensions, ".ZIP;.LZH;.ARC;.ARJ;.ZOO");
  EXPECT_TRUE(e.ExtractDirectory.isEmpty() && e.Password.isEmpty() && e.TempPath.isEmpty() &&
              e.ZipFileName.isEmpty());
  EXPECT_FALSE(e.OnAdding || e.OnDeleting || e.OnExtracting || e.OnFileComment || e.OnFixing || e.OnListing ||
               e.OnReplace || e.OnPwdQuery || e.OnTesting || e.OnUpdating || e.OnSkippingFile || e.OnStatus ||
               e.OnNewdisk);
  EXPECT_EQ(TZipEngineTestAccess::AfterDate(e), 29221.0);  // 1 January 1980
  EXPECT_FALSE(TZipEngineTestAccess::ZipLoaded(e) || TZipEngineTestAccess::UnzipLoaded(e));
}

TEST_F(FakeEngineTest, FilesToProcessIsACopyOfTheAssignedList) {
  QStringList source{"a.txt", "b.txt"};
  Engine.FilesToProcess = source;
  source[0] = "changed.txt";
  source << "c.txt";
  EXPECT_EQ(Engine.FilesToProcess, (QStringList{"a.txt", "b.txt"}));
}

TEST_F(FakeEngineTest, MultidiskRefusalsLoadNothingAndEmptyTheNames) {
  const std::vector<std::pair<const char*, std::function<int(TZipEngine&)>>> refused = {
      {"Add(1)", [](TZipEngine& e) { return e.Add(1); }},
      {"Add(2)", [](TZipEngine& e) { return e.Add(2); }},
      {"Extract(1)", [](TZipEngine& e) { return e.Extract(1); }},
      {"Extract(2)", [](TZipEngine& e) { return e.Extract(2); }},
      {"Delete", [](TZipEngine& e) { return e.Delete(); }},
      {"Fix", [](TZipEngine& e) { return e.Fix(false); }},
      {"Fix aggressive", [](TZipEngine& e) { return e.Fix(true); }},
      {"UpdateArchiveDate", [](TZipEngine& e) { return e.UpdateArchiveDate(); }},
  };
  for (const auto& [name, run] : refused) {
    SCOPED_TRACE(name);
    TZipEngine e;
    e.MultidiskMode = true;
    e.FilesToProcess = {"a.txt"};
    e.Abort = true;
    EXPECT_EQ(run(e), zrRefusedMultidisk);
    EXPECT_TRUE(e.FilesToProcess.isEmpty());
    EXPECT_FALSE(e.Abort);
    EXPECT_FALSE(TZipEngineTestAccess::ZipLoaded(e) || TZipEngineTestAccess::UnzipLoaded(e));
  }
  EXPECT_TRUE(Fakes().Calls.empty());
}

TEST_F(FakeEngineTest, MultidiskSetCommentDoesNothingAtAll) {
  std::string text = "kept";
  TZipLibCommentText lib{text.data(), 4, 0, 0};
  Play([&](TFakeCall& call) { call.Send(zcmArchiveComment, &lib); });
  QString comment;
  Engine.GetArchiveComment(comment);
  Fakes().Reset();
  Engine.MultidiskMode = true;
  Engine.FilesToProcess = {"x"};
  Engine.SetArchiveComment("new");
  EXPECT_EQ(CommentBuffer, "kept");
  EXPECT_TRUE(Fakes().Calls.empty());
  EXPECT_FALSE(TZipEngineTestAccess::ZipLoaded(Engine));
  EXPECT_EQ(Engine.FilesToProcess, QStringList{"x"});
}

TEST_F(FakeEngineTest, NamesAreEmptiedAfterEveryOperationButThree) {
  const std::vector<std::tuple<const char*, std::function<void(TZipEngine&)>, bool>> operations = {
      {"Add", [](TZipEngine& e) { e.Add(0); }, true},
      {"Delete", [](TZipEngine& e) { e.Delete(); }, true},
      {"Extract", [](TZipEngine& e) { e.Extract(0); }, true},
      {"Fix", [](TZipEngine& e) { e.Fix(false); }, true},
      {"List", [](TZipEngine& e) { e.List(); }, true},
      {"Test", [](TZipEngine& e) { e.Test(); }, true},
      {"UpdateArchiveDate", [](TZipEngine& e) { e.UpdateArchiveDate(); }, true},
      {"GetArchiveComment",
       [](TZipEngine& e) {
         QString c;
         e.GetArchiveComment(c);
       },
       true},
      {"SetArchiveComment", [](TZipEngine& e) { e.SetArchiveComment("c"); }, false},
      {"GetEntryCount", [](TZipEngine& e) { e.GetEntryCount(); }, false},
      {"GetEntryStats",
       [](TZipEngine& e) {
         TZipFileStats s;
         e.GetEntryStats(0, s);
       },
       false},
  };
  Play([](TFakeCall&) {}, PackResult(zrCannotAccess));  // also after a failure
  for (const auto& [name, run, emptied] : operations) {
    SCOPED_TRACE(name);
    Engine.FilesToProcess = {"a.txt"};
    run(Engine);
    EXPECT_EQ(Engine.FilesToProcess.isEmpty(), emptied);
  }
}

TEST_F(FakeEngineTest, EntryCountComesFromMessage70AndIsZeroOnFailure) {
  int32_t count = 12;
  Play([&](TFakeCall& call) { call.Send(zcmEntryCount, &count); });
  EXPECT_EQ(Engine.GetEntryCount(), 12);
  // Not cleared before a call: a library that answers 0 without message 70 gives the last count.
  Fakes().Script = nullptr;
  EXPECT_EQ(Engine.GetEntryCount(), 12);
  Play([&](TFakeCall& call) { call.Send(zcmEntryCount, &count); }, PackResult(zrArchiveNotFound));
  EXPECT_EQ(Engine.GetEntryCount(), 0);
}

TEST_F(FakeEngineTest, EntryStatsAreFilledOnlyOnSuccess) {
  TLibStatsHolder entry("third.txt", 300);
  Play([&](TFakeCall& call) { call.Send(zcmEntryStats, entry.Get()); });
  TZipFileStats stats;
  stats.FileName = "stale";
  Engine.GetEntryStats(2, stats);
  EXPECT_EQ(stats.FileName, "third.txt");
  EXPECT_EQ(stats.Size, 300);
  EXPECT_EQ(OnlyCall().Selector, 3);

  Play([&](TFakeCall& call) { call.Send(zcmEntryStats, entry.Get()); }, PackResult(zrArchiveTooCorrupted));
  Engine.GetEntryStats(2, stats);
  EXPECT_EQ(stats, TZipFileStats());
}

TEST_F(FakeEngineTest, NegativeOrHugeEntryIndexCallsNothing) {
  TZipFileStats stats;
  stats.FileName = "stale";
  Engine.GetEntryStats(-1, stats);
  EXPECT_EQ(stats, TZipFileStats());
  // Index + 1 would be the multi-disk count selector, or overflow.
  Engine.GetEntryStats(1234567889, stats);
  Engine.GetEntryStats(INT32_MAX, stats);
  EXPECT_TRUE(Fakes().Calls.empty());
  EXPECT_FALSE(TZipEngineTestAccess::UnzipLoaded(Engine));
}

TEST_F(FakeEngineTest, AbortSetBeforeAnOperationHasNoEffect) {
  TLibStatsHolder entry("a");
  Play([&](TFakeCall& call) { call.Send(zcmListing, entry.Get()); });
  for (int round = 0; round < 2; ++round) {
    Engine.Abort = true;
    if (round == 0)
      EXPECT_EQ(Engine.List(), 0);
    else
      EXPECT_EQ(Engine.GetEntryCount(), 0);
    EXPECT_EQ(Fakes().Answers.back(), std::vector<int32_t>{0});
  }
}

// The library stops as soon as the callback answers 1, then returns 190.
int32_t ListUntilStopped(TFakeCall& call, int entries) {
  TLibStatsHolder entry("e");
  for (int i = 0; i < entries; ++i)
    if (call.Send(zcmListing, entry.Get()) == 1) return PackResult(zrAborted);
  return 0;
}

TEST_F(FakeEngineTest, AbortFromAHandlerStopsOneOperation) {
  int listed = 0;
  Engine.OnListing = [&](TZipEngine& e, const TZipFileStats&) {
    if (++listed == 2) e.Abort = true;
  };
  Fakes().Script = [](const TRecordedCall&, TFakeCall& call) { return ListUntilStopped(call, 5); };
  EXPECT_EQ(Engine.List(), zrAborted);
  EXPECT_EQ(Fakes().Answers[0], (std::vector<int32_t>{0, 1}));
  EXPECT_FALSE(Engine.Abort);
  // The next operation runs to its end.
  listed = 10;
  EXPECT_EQ(Engine.List(), 0);
  EXPECT_EQ(listed, 15);
}

TEST_F(FakeEngineTest, WaitingEventsRunAtEachCallbackSoAbortCanBeClicked) {
  // Stands for the Abort button: a click waiting in the event queue when the library calls back.
  QTimer::singleShot(0, [this] { Engine.Abort = true; });
  Fakes().Script = [](const TRecordedCall&, TFakeCall& call) { return ListUntilStopped(call, 3); };
  EXPECT_EQ(Engine.List(), zrAborted);
  EXPECT_EQ(Fakes().Answers[0], std::vector<int32_t>{1});
}

TEST_F(FakeEngineTest, HandlerExceptionStopsTheLibraryAndReachesTheCaller) {
  int raised = 0;
  Engine.OnListing = [&](TZipEngine&, const TZipFileStats&) {
    ++raised;
    throw std::runtime_error("handler failed");
  };
  Engine.FilesToProcess = {"a"};
  Fakes().Script = [](const TRecordedCall&, TFakeCall& call) { return ListUntilStopped(call, 3); };
  EXPECT_THROW(Engine.List(), std::runtime_error);
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(Fakes().Answers[0], std::vector<int32_t>{1});  // the library returned normally
  EXPECT_FALSE(Engine.Abort);
  EXPECT_TRUE(Engine.FilesToProcess.isEmpty());
  // The error is not kept for the next operation.
  Engine.OnListing = nullptr;
  EXPECT_EQ(Engine.List(), 0);
}

TEST_F(FakeEngineTest, ReturnedValueIsSplitIntoCodeAndHighWord) {
  Play([](TFakeCall&) {}, PackResult(zrSomeSkipped, 0x1234));
  EXPECT_EQ(Engine.Add(0), zrSomeSkipped);
  EXPECT_EQ(TZipEngineTestAccess::ResultHigh(Engine), 0x1234u);
  Play([](TFakeCall&) {}, PackResult(0xFFFF, 0xFFFF));
  EXPECT_EQ(Engine.Test(), 0xFFFF);  // the low word is a code, never negative
  EXPECT_EQ(TZipEngineTestAccess::ResultHigh(Engine), 0xFFFFu);
}
