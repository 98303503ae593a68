// Large files on all cores. The input is cut into blocks that are compressed independently,
// several at once, and joined in order into one raw deflate stream.
//
// Each block is a whole libdeflate stream (libdeflate is more than twice as fast as zlib at the
// same level). Such a stream ends with its final bit set and on no particular bit, so before it
// can be followed zlib's inflate walks it to find where its last deflate block begins and where
// it ends: the final bit is cleared and an empty stored block (what a sync flush writes) takes the
// stream to a byte boundary. The last block of the file keeps its final bit.
//
// libdeflate takes no preset dictionary, so a block starts without the history of the one
// before; at 1 MiB a block that costs about 0.2% of the compressed size. A block that looks
// incompressible (incompressible.h) goes out as stored blocks without being compressed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zipeng {

// Threads lent by whoever owns them (the compression pipeline's workers).
class TaskRunner {
 public:
  virtual ~TaskRunner() = default;
  // Queues `task`; queued tasks start in the order they were posted.
  virtual void post(std::function<void()> task) = 0;
  // Runs the oldest queued task on the calling thread; false when none is waiting.
  virtual bool runQueued() = 0;
  // How many threads run tasks at once, the calling one included.
  virtual unsigned threads() const = 0;
};

// One block of the input, compressed.
struct DeflatedBlock {
  std::string data;   // follows the data of the block before
  uint64_t size = 0;  // input bytes
  uint32_t crc = 0;   // CRC-32 of the input
  bool last = false;  // the input ended in this block
  int failure = 0;    // 0, -1 - skip reason (the file could not be read), or a result code
};

class BlockDeflater {
 public:
  // Compresses `fd` from its start at `level` (1 to 9). `expectedSize` bounds how far ahead
  // blocks are started; a file that has grown is still read to its end. Without a runner
  // every block is compressed on the calling thread.
  BlockDeflater(int fd, int level, size_t blockSize, uint64_t expectedSize, TaskRunner* runner);
  // Blocks not yet started are dropped, running ones waited for: the file descriptor is free
  // again once this returns.
  ~BlockDeflater();
  BlockDeflater(const BlockDeflater&) = delete;
  BlockDeflater& operator=(const BlockDeflater&) = delete;

  // The next block, in order; waits for it, running queued blocks meanwhile. Not to be called
  // again after a block that is last or failed.
  void next(DeflatedBlock& block);

  struct State;

 private:
  std::shared_ptr<State> state_;
  TaskRunner* runner_;
};

}  // namespace zipeng
