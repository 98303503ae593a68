#include "core/compressor_blocks.h"

#include <libdeflate.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <vector>

#include "core/compressor_deflate.h"
#include "core/incompressible.h"
#include "zipengine_abi.h"

namespace zipeng {

namespace {

// What one thread needs to compress a block; kept for the next block once it is done.
struct Workspace {
  Workspace(int level, size_t blockSize)
      : input(blockSize), output(libdeflate_deflate_compress_bound(nullptr, blockSize)), scratch(blockSize) {
    compressor = libdeflate_alloc_compressor(level);
    probe = libdeflate_alloc_compressor(1);
    if (!compressor || !probe) {
      libdeflate_free_compressor(compressor);
      libdeflate_free_compressor(probe);
      throw std::bad_alloc();
    }
    if (inflateInit2(&inflater, -15) != Z_OK) {
      libdeflate_free_compressor(compressor);
      libdeflate_free_compressor(probe);
      throw std::bad_alloc();
    }
  }
  ~Workspace() {
    libdeflate_free_compressor(compressor);
    libdeflate_free_compressor(probe);
    inflateEnd(&inflater);
  }
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  libdeflate_compressor* compressor = nullptr;
  libdeflate_compressor* probe = nullptr;  // level 1, for the incompressible check
  z_stream inflater{};
  std::vector<uint8_t> input;
  std::vector<uint8_t> output;      // room for the largest block; each keeps only what it needs
  std::vector<uint8_t> scratch;     // the inflated block, thrown away
  std::unique_ptr<Workspace> next;  // the free list, so returning one never allocates
};

struct Slot {
  bool done = false;
  DeflatedBlock block;
};

// Reads up to `size` bytes at `offset`, short only at the end of the file; -1 on an error.
ssize_t readAt(int fd, uint8_t* p, size_t size, uint64_t offset) {
  size_t have = 0;
  while (have < size) {
    ssize_t n = ::pread(fd, p + have, size - have, static_cast<off_t>(offset + have));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    have += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(have);
}

// Turns a complete deflate stream of `rawSize` bytes into one that the next block can follow:
// the final bit of its last block cleared, then an empty stored block up to a byte boundary.
// False when the stream does not read back as expected.
bool makeJoinable(Workspace& ws, std::string& data, size_t rawSize) {
  z_stream& zs = ws.inflater;
  if (data.empty() || inflateReset(&zs) != Z_OK) return false;
  zs.next_in = reinterpret_cast<Bytef*>(data.data());
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = ws.scratch.data();
  zs.avail_out = static_cast<uInt>(ws.scratch.size());
  // Bit positions: where the last deflate block begins, and where the final one ends. At a
  // block boundary inflate reports fewer than eight bits of the last byte it took as unused.
  uint64_t lastHeader = 0, end = 0;
  bool ended = false;
  for (;;) {
    int rc = inflate(&zs, Z_BLOCK);
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK) return false;
    if (zs.data_type & 128) {
      uint64_t at = static_cast<uint64_t>(zs.total_in) * 8 - static_cast<uint64_t>(zs.data_type & 7);
      if (zs.data_type & 64) {
        end = at;
        ended = true;
      } else {
        lastHeader = at;
      }
    }
  }
  if (!ended || zs.total_out != rawSize || zs.total_in != data.size()) return false;
  if (end <= (data.size() - 1) * 8 || end > data.size() * 8) return false;
  auto& header = reinterpret_cast<uint8_t&>(data[lastHeader / 8]);
  uint8_t finalBit = static_cast<uint8_t>(1u << (lastHeader % 8));
  if (!(header & finalBit)) return false;
  header = static_cast<uint8_t>(header & ~finalBit);
  // The three header bits of the empty stored block go into the padding when they fit.
  auto& tail = reinterpret_cast<uint8_t&>(data.back());
  if (end % 8) tail = static_cast<uint8_t>(tail & ((1u << (end % 8)) - 1));
  if (data.size() * 8 - end < 3) data.push_back('\0');
  data.append("\0\0\xFF\xFF", 4);
  return true;
}

// The input as stored deflate blocks: the way out should a compressed block not read back.
void storeBlocks(const uint8_t* p, size_t n, bool last, std::string& out) {
  out.clear();
  do {
    size_t len = std::min<size_t>(n, 65535);
    bool final = last && len == n;
    const char header[5] = {static_cast<char>(final ? 1 : 0), static_cast<char>(len & 0xFF),
                            static_cast<char>(len >> 8), static_cast<char>(~len & 0xFF),
                            static_cast<char>((~len >> 8) & 0xFF)};
    out.append(header, sizeof header);
    out.append(reinterpret_cast<const char*>(p), len);
    p += len;
    n -= len;
  } while (n > 0);
}

}  // namespace

struct BlockDeflater::State {
  int fd = -1;
  int level = 6;
  size_t blockSize = 0;
  uint64_t plannedBlocks = 0;  // up to the one holding the expected end of the file
  std::mutex mu;
  std::condition_variable cv;
  std::deque<Slot> slots;  // blocks `taken` to `posted` - 1
  uint64_t taken = 0;
  uint64_t posted = 0;
  unsigned running = 0;
  bool cancelled = false;
  std::unique_ptr<Workspace> spare;
};

namespace {

void compressBlock(const BlockDeflater::State& s, Workspace& ws, uint64_t index, DeflatedBlock& b) {
  ssize_t n = readAt(s.fd, ws.input.data(), s.blockSize, index * s.blockSize);
  if (n < 0) {
    b.failure = -1 - zipabi::zsrCannotOpen;
    return;
  }
  const uint8_t* in = ws.input.data();
  b.size = static_cast<uint64_t>(n);
  b.last = b.size < s.blockSize;
  b.crc = crc32(0, in, b.size);
  // A block that looks incompressible yet not random is still tried at the fastest level, and
  // kept when that saves anything: stored, it would make the archive larger than it need be.
  InputLook look = lookAtInput(ws.probe, in, b.size);
  size_t out = 0;
  if (look != InputLook::Random) {
    libdeflate_compressor* compressor = look == InputLook::Fastest ? ws.probe : ws.compressor;
    out = libdeflate_deflate_compress(
        compressor, in, b.size, ws.output.data(),
        compressor == ws.probe ? std::min<size_t>(b.size, ws.output.size()) : ws.output.size());
  }
  b.data.assign(reinterpret_cast<const char*>(ws.output.data()), out);
  if (out == 0 || (!b.last && !makeJoinable(ws, b.data, b.size))) storeBlocks(in, b.size, b.last, b.data);
}

void runBlock(BlockDeflater::State& s, uint64_t index) {
  std::unique_ptr<Workspace> ws;
  {
    std::lock_guard<std::mutex> lock(s.mu);
    if (s.cancelled || s.slots[index - s.taken].done) return;
    ++s.running;
    if (s.spare) {
      ws = std::move(s.spare);
      s.spare = std::move(ws->next);
    }
  }
  DeflatedBlock b;
  try {
    if (!ws) ws = std::make_unique<Workspace>(s.level, s.blockSize);
    compressBlock(s, *ws, index, b);
  } catch (const std::bad_alloc&) {
    // On a worker thread it would end the process; the caller reports it instead.
    b = DeflatedBlock();
    b.failure = zipabi::zrOutOfMemory;
  }
  {
    std::lock_guard<std::mutex> lock(s.mu);
    Slot& slot = s.slots[index - s.taken];
    slot.block = std::move(b);
    slot.done = true;
    if (ws) {
      ws->next = std::move(s.spare);
      s.spare = std::move(ws);
    }
    --s.running;
  }
  s.cv.notify_all();
}

}  // namespace

BlockDeflater::BlockDeflater(int fd, int level, size_t blockSize, uint64_t expectedSize, TaskRunner* runner)
    : state_(std::make_shared<State>()), runner_(runner) {
  state_->fd = fd;
  state_->level = std::clamp(level, 1, 9);
  state_->blockSize = std::max<size_t>(blockSize, 1);
  state_->plannedBlocks = expectedSize / state_->blockSize + 1;
}

BlockDeflater::~BlockDeflater() {
  State& s = *state_;
  std::unique_lock<std::mutex> lock(s.mu);
  s.cancelled = true;
  s.cv.wait(lock, [&] { return s.running == 0; });
  // Queued blocks may still hold the state; they find it cancelled and return.
  s.slots.clear();
  s.spare.reset();
}

void BlockDeflater::next(DeflatedBlock& block) {
  State& s = *state_;
  std::unique_lock<std::mutex> lock(s.mu);
  // A few blocks per thread in flight, which bounds the memory; none started past the expected
  // end of the file until the blocks before it show that the file has grown.
  uint64_t window = runner_ ? 2ull * runner_->threads() : 1;
  uint64_t limit = std::max(s.taken + 1, std::min(s.taken + window, s.plannedBlocks));
  while (s.posted < limit) {
    s.slots.emplace_back();
    uint64_t index = s.posted++;
    if (runner_) {
      lock.unlock();
      runner_->post([state = state_, index] { runBlock(*state, index); });
      lock.lock();
    }
  }
  uint64_t index = s.taken;
  while (!s.slots.front().done) {
    lock.unlock();
    if (!runner_) {
      runBlock(s, index);
    } else if (!runner_->runQueued()) {
      // Every block is with a worker: wait for this one.
      lock.lock();
      s.cv.wait(lock, [&] { return s.slots.front().done; });
      continue;
    }
    lock.lock();
  }
  block = std::move(s.slots.front().block);
  s.slots.pop_front();
  ++s.taken;
}

}  // namespace zipeng
