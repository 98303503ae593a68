#include "write_ahead.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "core/safe_path.h"
#include "progress.h"

namespace zipeng {

namespace {

constexpr size_t kPlannedAhead = 128;  // entries planned ahead at most (and files open)
constexpr size_t kTakenAtOnce = 4;     // files a worker takes from the queue under one lock

unsigned configuredThreads = 0;

}  // namespace

void setWriteAheadThreads(unsigned threads) {
  configuredThreads = threads;
}
unsigned writeAheadThreads() {
  return configuredThreads ? configuredThreads : std::max(1u, std::thread::hardware_concurrency());
}

bool WriteAhead::Suits(const ZipEntry& e) {
  return !e.isDirectory() && !e.isSymlink() && !e.isVolumeLabel() && !e.encrypted() && e.readable() &&
         e.uncompressedSize < kProgressSize && e.compressedSize < kProgressSize;
}

WriteAhead::WriteAhead(const ArchiveSource& source, OutputTree& tree, bool junkPaths,
                       std::vector<const ZipEntry*> order, unsigned threads)
    : tree_(tree), junkPaths_(junkPaths), order_(std::move(order)) {
  if (threads == 0) threads = writeAheadThreads();
  if (threads < 2 || order_.empty()) return;
  sources_ = std::vector<ArchiveSource>(threads);
  for (ArchiveSource& copy : sources_)
    if (!copy.openCopyOf(source)) {
      sources_.clear();
      return;
    }
  for (ArchiveSource& copy : sources_) workers_.emplace_back([this, &copy] { work(copy); });
}

WriteAhead::~WriteAhead() {
  stop();
}

void WriteAhead::stop() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = true;
    queue_.clear();
  }
  workCv_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
  // Nothing of the entries not reached stays, files first, then their folders.
  for (const Plan& p : plans_)
    if (p.opened && !p.taken) unlinkat(p.folder->get(), p.leaf.c_str(), 0);
  bool removed = false;
  for (auto it = made_.rbegin(); it != made_.rend() && it->first > committed_; ++it)
    removed = unlinkat(it->second.parent->get(), it->second.name.c_str(), AT_REMOVEDIR) == 0 || removed;
  if (removed) tree_.forget();
  made_.clear();
  plans_.clear();
  pendingFiles_.clear();
  pendingFolders_.clear();
  pendingLinks_ = 0;
}

const WriteAhead::Plan* WriteAhead::plan(size_t position) {
  if (workers_.empty() || position >= order_.size()) return nullptr;
  while (committed_ < position) {
    if (!plans_.empty()) {
      Plan& passed = plans_.front();
      if (passed.kind == Kind::File && !passed.taken) {
        // Passed over without being taken: it must not be left half done, nor at all.
        if (!passed.state.done()) {
          std::unique_lock<std::mutex> lock(mu_);
          if (passed.state.value.load() == State::Queued) {
            if (auto it = std::find(queue_.begin(), queue_.end(), &passed); it != queue_.end())
              queue_.erase(it);
          } else
            awaitDone(passed, lock);
        }
        if (passed.opened) unlinkat(passed.folder->get(), passed.leaf.c_str(), 0);
      }
      unpend(passed);
      plans_.pop_front();
    } else {
      ++planned_;  // passed over before it was planned (a volume label): nothing to undo
    }
    ++committed_;
  }
  made_.erase(made_.begin(),
              std::find_if(made_.begin(), made_.end(), [&](const auto& m) { return m.first >= committed_; }));
  // Planned in batches, so that the workers are woken seldom.
  if (planned_ <= position || planned_ - position < kPlannedAhead / 2) {
    std::vector<Plan*> batch;
    while (planned_ < order_.size() && planned_ - position < kPlannedAhead && planNext(batch)) {
    }
    if (!batch.empty()) {
      std::lock_guard<std::mutex> lock(mu_);
      queue_.insert(queue_.end(), batch.begin(), batch.end());
      if (idle_ > 1 && batch.size() > 1)
        workCv_.notify_all();
      else if (idle_)
        workCv_.notify_one();
    }
  }
  const Plan& p = plans_[position - committed_];
  return p.kind == Kind::None ? nullptr : &p;
}

bool WriteAhead::conflicts(const std::string& relative, bool asFile) const {
  if (pendingFiles_.empty() && pendingFolders_.empty()) return false;
  if (pendingFiles_.count(relative)) return true;
  for (size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', slash + 1))
    if (pendingFiles_.count(relative.substr(0, slash))) return true;
  return asFile && pendingFolders_.count(relative);
}

bool WriteAhead::planNext(std::vector<Plan*>& batch) {
  const size_t position = planned_;
  const ZipEntry& e = *order_[position];
  // Nothing is planned past a link until it is made: what it is decides what comes after.
  if (pendingLinks_) return false;
  Plan p;
  p.entry = &e;
  std::optional<std::string> relative;
  if (!e.isVolumeLabel()) relative = safeRelativePath(e.name, junkPaths_);
  if (!relative || (e.isDirectory() && junkPaths_)) {
    // Skipped without touching the tree.
  } else if (e.isSymlink()) {
    // Whether a link may be made depends on what is on disk at its turn.
    if (committed_ < position) return false;
    p.link = true;
  } else if (e.isDirectory()) {
    if (conflicts(*relative, false)) return false;
    p.kind = Kind::Folder;
    p.relative = std::move(*relative);
    std::vector<MadeFolder> made;
    errno = 0;
    if (!tree_.makeFolder(p.relative, &made)) p.error = errno ? errno : EIO;
    for (MadeFolder& m : made) made_.emplace_back(position, std::move(m));
  } else if (e.readable()) {
    if (conflicts(*relative, true)) return false;
    p.takes = *relative;
    if (Suits(e)) {
      p.kind = Kind::File;
      p.relative = std::move(*relative);
      std::vector<MadeFolder> made;
      errno = 0;
      p.folder = tree_.parentOf(p.relative, p.leaf, &made);
      if (!p.folder) p.error = errno ? errno : EIO;
      for (MadeFolder& m : made) made_.emplace_back(position, std::move(m));
      p.mode = fileModeOf(e);
      p.mtime = e.mtime();
      // Created here, one at a time: threads creating files in one folder wait for each other.
      if (p.folder) {
        p.fd.reset(openat(p.folder->get(), p.leaf.c_str(), kNewFileFlags, p.mode));
        p.opened = static_cast<bool>(p.fd);
        if (!p.opened) p.openError = errno;
      }
    } else {
      // Written at its turn by the extracting thread, which makes its folders then.
      for (size_t slash = p.takes.find('/'); slash != std::string::npos; slash = p.takes.find('/', slash + 1))
        p.needs.push_back(p.takes.substr(0, slash));
    }
  }
  pend(p);
  plans_.push_back(std::move(p));
  ++planned_;
  if (plans_.back().opened) batch.push_back(&plans_.back());
  return true;
}

void WriteAhead::pend(Plan& p) {
  pendingLinks_ += p.link;
  if (!p.takes.empty()) ++pendingFiles_[p.takes];
  for (const std::string& folder : p.needs) ++pendingFolders_[folder];
}

void WriteAhead::unpend(const Plan& p) {
  auto drop = [](std::unordered_map<std::string, unsigned>& names, const std::string& name) {
    auto it = names.find(name);
    if (it != names.end() && --it->second == 0) names.erase(it);
  };
  pendingLinks_ -= p.link;
  if (!p.takes.empty()) drop(pendingFiles_, p.takes);
  for (const std::string& folder : p.needs) drop(pendingFolders_, folder);
}

const WriteAhead::Plan& WriteAhead::take(size_t position, ArchiveSource& source, EntryReader& reader) {
  Plan& p = plans_[position - committed_];
  if (!p.state.done()) {
    std::unique_lock<std::mutex> lock(mu_);
    if (p.state.value.load() == State::Queued) {
      // Not started: it is the oldest file queued (or was never queued, its folder failing).
      if (auto it = std::find(queue_.begin(), queue_.end(), &p); it != queue_.end()) queue_.erase(it);
      p.state.value = State::Running;
      lock.unlock();
      write(p, source, reader);
      p.state.value = State::Done;
    } else {
      awaitDone(p, lock);
    }
  }
  p.taken = true;
  return p;
}

void WriteAhead::awaitDone(const Plan& p, std::unique_lock<std::mutex>& lock) {
  // Sequentially consistent with finish(): either the worker sees waiting_ and wakes this thread,
  // or this thread sees Done.
  waiting_ = true;
  while (!p.state.done()) doneCv_.wait(lock);
  waiting_ = false;
}

void WriteAhead::finish(Plan& p) {
  p.state.value = State::Done;
  if (waiting_) {
    std::lock_guard<std::mutex> lock(mu_);
    doneCv_.notify_one();
  }
}

void WriteAhead::write(Plan& p, ArchiveSource& source, EntryReader& reader) {
  if (!p.opened) return;
  try {
    p.filled = fillFile(p.fd, source, reader, *p.entry, std::string(), p.mtime, false);
  } catch (const std::bad_alloc&) {
    // On a worker thread it would end the process; the extracting thread reports it instead.
    p.filled.status = EntryStatus::OutOfMemory;
  }
}

void WriteAhead::work(ArchiveSource& source) {
  EntryReader reader;
  std::vector<Plan*> taken;
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    while (!stop_ && queue_.empty()) {
      ++idle_;
      workCv_.wait(lock);
      --idle_;
    }
    if (stop_) return;
    // A few at a time, the first ones in order, so that the extracting thread seldom waits for
    // a file another worker holds back.
    const size_t count = std::min(kTakenAtOnce, (queue_.size() + sources_.size() - 1) / sources_.size());
    taken.assign(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(std::max<size_t>(count, 1)));
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(taken.size()));
    for (Plan* p : taken) p->state.value = State::Running;
    lock.unlock();
    for (Plan* p : taken) {
      write(*p, source, reader);
      finish(*p);
    }
    lock.lock();
  }
}

}  // namespace zipeng
