// Testing's helpers on the other cores. Entries that report no progress (readable, below the
// size from which reading reports progress) are decoded and checked by workers, each with a
// reader and a source of its own; encrypted ones once the testing thread has found a password
// that opens one, with that password (an entry it does not open goes back to the testing thread,
// which asks about it in turn). The testing thread still sends every message in archive order
// and tests the other entries itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "core/archive_index.h"
#include "core/archive_source.h"
#include "core/entry_reader.h"

namespace zipeng {

class TestAhead {
 public:
  static bool Suits(const ZipEntry& entry);

  // `order`: the entries to test, in the order they are taken. Workers start only when the
  // source can be read from several threads and more than one thread is to be used
  // (writeAheadThreads()).
  TestAhead(const ArchiveSource& source, std::vector<const ZipEntry*> order);
  ~TestAhead();
  TestAhead(const TestAhead&) = delete;
  TestAhead& operator=(const TestAhead&) = delete;

  // The outcome for order[position] when it suits the workers: waited for, or found here with
  // `source` and `reader` when no worker has begun it. Nothing for an entry that does not suit.
  std::optional<EntryStatus> take(size_t position, ArchiveSource& source, EntryReader& reader);
  // The password that opened an encrypted entry: the entries ahead are tried with it.
  void usePassword(const std::string& password);
  // Workers take nothing more and are waited for.
  void stop();

 private:
  enum State : int { kWaiting, kRunning, kDone };
  EntryStatus check(ArchiveSource& source, EntryReader& reader, const ZipEntry& entry);
  // Tests the next entry no one has begun; false when there is none left (or all stop).
  bool testNext(ArchiveSource& source, EntryReader& reader, bool worker);
  void work(ArchiveSource& source);

  std::vector<const ZipEntry*> order_;
  std::vector<size_t> suiting_;  // positions of `order_` the workers may take, in order
  std::unique_ptr<std::atomic<int>[]> states_;
  std::vector<EntryStatus> outcomes_;
  std::atomic<size_t> next_{0};  // index into suiting_ of the next entry a worker looks at
  std::atomic<bool> stop_{false};
  std::string password_;  // under mu_
  bool havePassword_ = false;
  std::mutex mu_;
  std::condition_variable done_;
  std::vector<ArchiveSource> sources_;
  std::vector<std::thread> workers_;
};

}  // namespace zipeng
