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
  if (jobs_.empty()) return;
  // No more threads than pieces of work: a file, or a block of a large one.
  const LargeFileSizes& sizes = largeFileSizes();
  uint64_t bytes = 0, pieces = 0;
  for (auto& j : jobs_) {
    bytes += j.expectedSize;
    pieces += j.expectedSize > sizes.wholeFileLimit ? j.expectedSize / sizes.blockSize + 1 : 1;
  }
  threads = static_cast<unsigned>(std::min<uint64_t>(threads, pieces));
  // A few small files: the calling thread compresses them itself, faster than waking workers.
  if (jobs_.size() <= 16 && bytes <= (1u << 20) && pieces == jobs_.size()) return;
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
  // Input and output buffers; streamed files cost nothing here (their blocks bound their own).
  uint64_t s = jobs_[i].expectedSize;
  return s > largeFileSizes().wholeFileLimit ? 0 : 2 * s + 4096;
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
    // Once every file has started, workers stay for the blocks of large files.
    cv_.wait(lock, [this] { return stop_ || !tasks_.empty() || canStart(); });
    if (stop_) return;
    if (!tasks_.empty()) {
      std::function<void()> task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      task();
      task = nullptr;  // what it holds goes before the lock is taken again
      lock.lock();
      continue;
    }
    size_t i = next_++;
    runJob(i, worker, lock);
    cv_.notify_all();
  }
}

void CompressPipeline::post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    tasks_.push_back(std::move(task));
  }
  cv_.notify_one();
}

bool CompressPipeline::runQueued() {
  std::function<void()> task;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (tasks_.empty()) return false;
    task = std::move(tasks_.front());
    tasks_.pop_front();
  }
  task();
  return true;
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
