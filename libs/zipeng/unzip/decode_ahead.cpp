#include "decode_ahead.h"

#include <algorithm>

namespace zipeng {

namespace {

constexpr uint64_t kSmallEntry = 2u << 20;       // from here on reading reports progress
constexpr size_t kPositionsAhead = 512;          // entries decoded ahead at most
constexpr uint64_t kBytesAhead = 64ull << 20;    // and their bytes at most

unsigned configuredThreads = 0;

}  // namespace

void setDecodeAheadThreads(unsigned threads) { configuredThreads = threads; }
unsigned decodeAheadThreads() {
  return configuredThreads ? configuredThreads : std::max(1u, std::thread::hardware_concurrency());
}

bool DecodeAhead::Suits(const ZipEntry& e) {
  return !e.isDirectory() && !e.isSymlink() && !e.isVolumeLabel() && !e.encrypted() && e.readable() &&
         e.uncompressedSize < kSmallEntry && e.compressedSize < kSmallEntry;
}

DecodeAhead::DecodeAhead(const ArchiveSource& source, std::vector<const ZipEntry*> order, unsigned threads)
    : order_(std::move(order)), results_(order_.size()), state_(order_.size(), 0) {
  if (threads == 0) threads = decodeAheadThreads();
  if (threads < 2 || order_.empty()) return;
  sources_ = std::vector<ArchiveSource>(threads);
  for (ArchiveSource& copy : sources_)
    if (!copy.openCopyOf(source)) {
      sources_.clear();
      return;
    }
  for (ArchiveSource& copy : sources_) workers_.emplace_back([this, &copy] { work(copy); });
}

DecodeAhead::~DecodeAhead() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = true;
  }
  cv_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void DecodeAhead::work(ArchiveSource& source) {
  EntryReader reader;
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    // The next entry that suits, within the window.
    cv_.wait(lock, [this] {
      while (next_ < order_.size() && (next_ < taken_ || !Suits(*order_[next_]))) ++next_;
      return stop_ || next_ >= order_.size() ||
             (next_ < taken_ + kPositionsAhead && inFlight_ < kBytesAhead);
    });
    if (stop_ || next_ >= order_.size()) return;
    const size_t position = next_++;
    const ZipEntry& entry = *order_[position];
    state_[position] = 1;
    inFlight_ += entry.uncompressedSize;
    lock.unlock();

    Result result;
    result.data.reserve(static_cast<size_t>(entry.uncompressedSize));
    result.status = reader.read(source, entry, std::string(), [&result](const uint8_t* data, size_t size) {
      result.data.insert(result.data.end(), data, data + size);
      return true;
    });

    lock.lock();
    if (position < taken_) {
      inFlight_ -= entry.uncompressedSize;  // no longer wanted
    } else {
      results_[position] = std::move(result);
    }
    state_[position] = 2;
    cv_.notify_all();
  }
}

DecodeAhead::Result* DecodeAhead::take(size_t position) {
  if (workers_.empty() || position >= order_.size()) return nullptr;
  std::unique_lock<std::mutex> lock(mu_);
  // What was handed out before, and whatever lies before this position, is no longer wanted.
  if (handedOut_ < order_.size()) results_[handedOut_] = Result{};
  for (size_t k = taken_; k < position; ++k)
    if (state_[k] == 2) {
      inFlight_ -= order_[k]->uncompressedSize;
      results_[k] = Result{};
    }
  taken_ = std::max(taken_, position);
  cv_.notify_all();
  if (!Suits(*order_[position]) || state_[position] == 0) {
    // Not decoded ahead (the window was full, or the workers are behind): read here instead.
    state_[position] = 2;
    taken_ = position + 1;
    return nullptr;
  }
  cv_.wait(lock, [&] { return state_[position] == 2; });
  inFlight_ -= order_[position]->uncompressedSize;
  taken_ = position + 1;
  handedOut_ = position;
  cv_.notify_all();
  return &results_[position];
}

}  // namespace zipeng
