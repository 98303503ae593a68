#include "core/compressor_pipeline.h"

#include <new>
#include <system_error>

#include "zipengine_abi.h"

namespace zipeng {

namespace {
constexpr size_t kWindowFiles = 4096;
constexpr uint64_t kWindowBytes = 256ull << 20;
}  // namespace

CompressPipeline::CompressPipeline(std::vector<CompressJob> jobs, unsigned threads)
    : jobs_(std::move(jobs)), results_(jobs_.size()), done_(jobs_.size(), 0) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<size_t>(threads, std::max<size_t>(1, jobs_.size())));
  if (jobs_.empty()) return;
  // A few small files: the calling thread compresses them itself, faster than waking workers.
  uint64_t bytes = 0;
  for (auto& j : jobs_) bytes += j.expectedSize;
  if (jobs_.size() <= 16 && bytes <= (1u << 20)) return;
  workers_.reserve(threads);
  for (unsigned t = 0; t < threads; ++t) {
    // A thread the system cannot start is done without: fewer workers (or the calling thread
    // alone, which compresses whatever no worker has taken) still finish every file.
    try {
      workers_.emplace_back([this] { workerLoop(); });
    } catch (const std::system_error&) {
      break;
    }
  }
}

CompressPipeline::~CompressPipeline() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = true;
  }
  cv_.notify_all();
  for (auto& w : workers_) w.join();
}

uint64_t CompressPipeline::cost(size_t i) const {
  // Input and output buffers; streamed files cost nothing here.
  uint64_t s = jobs_[i].expectedSize;
  return s > kWholeFileLimit ? 0 : 2 * s + 4096;
}

bool CompressPipeline::canStart() const {
  if (next_ >= jobs_.size() || next_ >= taken_ + kWindowFiles) return false;
  // Always let the next file the caller needs start, however large.
  return next_ == taken_ || inFlight_ + cost(next_) <= kWindowBytes;
}

void CompressPipeline::runJob(size_t i, DeflateWorker& worker, std::unique_lock<std::mutex>& lock) {
  inFlight_ += cost(i);
  lock.unlock();
  CompressedData r;
  try {
    r = worker.compressWhole(jobs_[i]);
  } catch (const std::bad_alloc&) {
    // Thrown on a worker thread it would end the process; the caller reports it instead.
    r = CompressedData();
    r.error = zipabi::zrOutOfMemory;
  }
  lock.lock();
  results_[i] = std::move(r);
  done_[i] = 1;
}

void CompressPipeline::workerLoop() {
  DeflateWorker worker;
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    cv_.wait(lock, [this] { return stop_ || next_ >= jobs_.size() || canStart(); });
    if (stop_ || next_ >= jobs_.size()) return;
    size_t i = next_++;
    runJob(i, worker, lock);
    cv_.notify_all();
  }
}

CompressedData CompressPipeline::take(size_t i) {
  std::unique_lock<std::mutex> lock(mu_);
  while (!done_[i]) {
    if (canStart()) {
      runJob(next_++, callerWorker_, lock);
      continue;
    }
    cv_.wait(lock, [&] { return done_[i] != 0 || canStart(); });
  }
  CompressedData r = std::move(results_[i]);
  results_[i] = CompressedData();
  inFlight_ -= cost(i);
  taken_ = i + 1;
  cv_.notify_all();
  return r;
}

}  // namespace zipeng
