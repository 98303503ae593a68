#include "unzip/test_ahead.h"

#include "unzip/progress.h"
#include "unzip/write_ahead.h"

namespace zipeng {

bool TestAhead::Suits(const ZipEntry& e) {
  return !e.isDirectory() && !e.isVolumeLabel() && e.readable() && e.uncompressedSize < kProgressSize &&
         e.compressedSize < kProgressSize;
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
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = true;
  }
  done_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
}

EntryStatus TestAhead::check(ArchiveSource& source, EntryReader& reader, const ZipEntry& entry) {
  std::string password;
  if (entry.encrypted()) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!havePassword_) return EntryStatus::BadPassword;  // the testing thread asks for one
    password = password_;
  }
  return reader.read(source, entry, password, [](const uint8_t*, size_t) { return true; });
}

void TestAhead::usePassword(const std::string& password) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    password_ = password;
    havePassword_ = true;
  }
  done_.notify_all();
}

bool TestAhead::testNext(ArchiveSource& source, EntryReader& reader, bool worker) {
  if (stop_) return false;
  const size_t k = next_++;
  if (k >= suiting_.size()) return false;
  const size_t position = suiting_[k];
  if (order_[position]->encrypted()) {
    // Before a password has opened one, encrypted entries are the testing thread's: a worker
    // waits for the password, or for the testing thread to take the entry itself; the testing
    // thread leaves it for its turn.
    std::unique_lock<std::mutex> lock(mu_);
    if (!worker && !havePassword_) return true;
    done_.wait(lock, [&] { return havePassword_ || stop_ || states_[position] != kWaiting; });
    if (stop_) return false;
  }
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
  while (testNext(source, reader, true)) {
  }
}

std::optional<EntryStatus> TestAhead::take(size_t position, ArchiveSource& source, EntryReader& reader) {
  const ZipEntry& entry = *order_[position];
  if (!Suits(entry)) return std::nullopt;
  int waiting = kWaiting;
  // An encrypted entry nobody has begun is the testing thread's own, with its questions.
  if (states_[position].compare_exchange_strong(waiting, kRunning)) {
    if (!entry.encrypted()) return check(source, reader, entry);
    {
      std::lock_guard<std::mutex> lock(mu_);  // a worker waiting for this entry goes on
    }
    done_.notify_all();
    return std::nullopt;
  }
  // A worker has it: rather than wait, test the entries after it that no one has begun.
  while (states_[position] != kDone && testNext(source, reader, false)) {
  }
  std::unique_lock<std::mutex> lock(mu_);
  done_.wait(lock, [&] { return states_[position] == kDone; });
  // Not opened by the password tried: asked about in turn.
  if (entry.encrypted() && outcomes_[position] == EntryStatus::BadPassword) return std::nullopt;
  return outcomes_[position];
}

}  // namespace zipeng
