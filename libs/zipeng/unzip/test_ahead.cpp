#include "unzip/test_ahead.h"

#include "unzip/progress.h"
#include "unzip/write_ahead.h"

namespace zipeng {

bool TestAhead::Suits(const ZipEntry& e) {
  return !e.isDirectory() && !e.isVolumeLabel() && !e.encrypted() && e.readable() &&
         e.uncompressedSize < kProgressSize && e.compressedSize < kProgressSize;
}

TestAhead::TestAhead(const ArchiveSource& source, std::vector<const ZipEntry*> order)
    : order_(std::move(order)),
      states_(std::make_unique<std::atomic<int>[]>(order_.size())),
      outcomes_(order_.size(), EntryStatus::Ok) {
  for (size_t i = 0; i < order_.size(); ++i) {
    states_[i] = kWaiting;
    if (Suits(*order_[i])) suiting_.push_back(i);
  }
  // The testing thread is one of the threads: it tests what no worker has begun.
  const unsigned threads = writeAheadThreads();
  if (threads < 2 || suiting_.size() < 2) return;
  sources_ = std::vector<ArchiveSource>(threads - 1);
  for (ArchiveSource& copy : sources_)
    if (!copy.openCopyOf(source)) {
      sources_.clear();
      return;
    }
  for (ArchiveSource& copy : sources_) workers_.emplace_back([this, &copy] { work(copy); });
}

TestAhead::~TestAhead() {
  stop();
}

void TestAhead::stop() {
  stop_ = true;
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
}

EntryStatus TestAhead::check(ArchiveSource& source, EntryReader& reader, const ZipEntry& entry) {
  return reader.read(source, entry, std::string(), [](const uint8_t*, size_t) { return true; });
}

bool TestAhead::testNext(ArchiveSource& source, EntryReader& reader) {
  if (stop_) return false;
  const size_t k = next_++;
  if (k >= suiting_.size()) return false;
  const size_t position = suiting_[k];
  int waiting = kWaiting;
  if (!states_[position].compare_exchange_strong(waiting, kRunning)) return true;  // the tester has it
  outcomes_[position] = check(source, reader, *order_[position]);
  {
    std::lock_guard<std::mutex> lock(mu_);
    states_[position] = kDone;
  }
  done_.notify_all();
  return true;
}

void TestAhead::work(ArchiveSource& source) {
  EntryReader reader;
  while (testNext(source, reader)) {
  }
}

std::optional<EntryStatus> TestAhead::take(size_t position, ArchiveSource& source, EntryReader& reader) {
  if (!Suits(*order_[position])) return std::nullopt;
  int waiting = kWaiting;
  if (states_[position].compare_exchange_strong(waiting, kRunning))
    return check(source, reader, *order_[position]);
  // A worker has it: rather than wait, test the entries after it that no one has begun.
  while (states_[position] != kDone && testNext(source, reader)) {
  }
  std::unique_lock<std::mutex> lock(mu_);
  done_.wait(lock, [&] { return states_[position] == kDone; });
  return outcomes_[position];
}

}  // namespace zipeng
