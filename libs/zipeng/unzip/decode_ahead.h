// Extraction's helpers on the other cores: small entries are read, decompressed and checked on
// worker threads ahead of the extracting thread, which takes their data in archive order and
// does everything else itself (folders, names, questions, messages, writing), as before.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "core/archive_index.h"
#include "core/archive_source.h"
#include "core/entry_reader.h"

namespace zipeng {

// For tests: the number of decoding threads extraction uses (0, the default, one per core; 1
// decodes everything on the extracting thread), for the whole process.
void setDecodeAheadThreads(unsigned threads);
unsigned decodeAheadThreads();

class DecodeAhead {
 public:
  // What a worker made of one entry.
  struct Result {
    EntryStatus status = EntryStatus::Ok;
    std::vector<uint8_t> data;
  };

  // Entries decoded ahead: neither folders nor links nor encrypted (their password is asked
  // for in order), below the size at which reading reports progress.
  static bool Suits(const ZipEntry& entry);

  // `order`: the entries to extract, in the order they will be taken. Workers are started only
  // when the source can be read from several threads and there is more than one core; `threads`
  // 0 means one per core.
  DecodeAhead(const ArchiveSource& source, std::vector<const ZipEntry*> order, unsigned threads = 0);
  ~DecodeAhead();  // stops the workers; what was not taken is dropped
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  // The decoded entry at `position` of the order, waiting for it; null when it is not decoded
  // ahead (the caller reads it itself). Positions are taken in increasing order; passing over
  // one drops it. The result stays valid until the next call.
  Result* take(size_t position);

 private:
  void work(ArchiveSource& source);

  std::vector<const ZipEntry*> order_;
  std::vector<Result> results_;
  std::vector<uint8_t> state_;  // 0 waiting, 1 being decoded, 2 done
  std::vector<ArchiveSource> sources_;
  std::vector<std::thread> workers_;
  std::mutex mu_;
  std::condition_variable cv_;
  size_t next_ = 0;        // next position a worker may start
  size_t taken_ = 0;       // positions before this are no longer wanted
  size_t handedOut_ = SIZE_MAX;  // the result the caller holds, freed at the next take
  uint64_t inFlight_ = 0;  // bytes of results not yet taken
  bool stop_ = false;
};

}  // namespace zipeng
