// Compresses many files on worker threads while the caller takes the results strictly in
// order on its own thread (so every callback message reaches the caller in order). Work runs
// ahead of the caller within a bounded window of files and bytes. The same workers compress the
// blocks of a large file while the caller writes it: those come before starting new files.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "core/compressor_blocks.h"
#include "core/compressor_deflate.h"

namespace zipeng {

class CompressPipeline : public TaskRunner {
 public:
  // `threads` 0 means one per core.
  explicit CompressPipeline(std::vector<CompressJob> jobs, unsigned threads = 0);
  ~CompressPipeline() override;  // stops the workers; results not taken are dropped
  CompressPipeline(const CompressPipeline&) = delete;
  CompressPipeline& operator=(const CompressPipeline&) = delete;

  size_t size() const { return jobs_.size(); }
  const CompressJob& job(size_t i) const { return jobs_[i]; }
  // Waits for file i (taken in increasing order) and hands over its result. While it waits,
  // the calling thread compresses files that no worker has started yet.
  CompressedData take(size_t i);

  void post(std::function<void()> task) override;
  bool runQueued() override;
  unsigned threads() const override { return static_cast<unsigned>(workers_.size()) + 1; }

 private:
  void workerLoop();
  uint64_t cost(size_t i) const;
  bool canStart() const;
  void runJob(size_t i, DeflateWorker& worker, std::unique_lock<std::mutex>& lock);

  std::vector<CompressJob> jobs_;
  std::vector<CompressedData> results_;
  std::vector<char> done_;
  std::vector<std::thread> workers_;
  std::deque<std::function<void()>> tasks_;  // posted work, ahead of new files
  DeflateWorker callerWorker_;
  std::mutex mu_;
  std::condition_variable cv_;
  size_t next_ = 0;        // next job to start
  size_t taken_ = 0;       // jobs before this have been taken
  uint64_t inFlight_ = 0;  // bytes held by started, untaken jobs
  bool stop_ = false;
};

}  // namespace zipeng
