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

constexpr size_t kPlannedAhead = 4096;  // entries planned ahead at most (a folder's files or more)
constexpr size_t kTakenAtOnce = 16;     // files a thread takes from the queue under one lock
constexpr size_t kRunsLooked = 16;      // runs looked at for one in a folder no thread is in

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
  // One reader each, the extracting thread's last: reading ahead serves tiny entries in one read.
  // The extracting thread is one of the writers: it fills files while it waits.
  const unsigned workers = threads - 1;
  sources_ = std::vector<ArchiveSource>(threads);
  for (ArchiveSource& copy : sources_)
    if (!copy.openCopyOf(source)) {
      sources_.clear();
      return;
    }
  for (unsigned k = 0; k < workers; ++k) workers_.emplace_back([this, &copy = sources_[k]] { work(copy); });
}

WriteAhead::~WriteAhead() {
  stop();
}

void WriteAhead::stop() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = true;
    queue_.clear();  // busy_ empties itself: each thread lets go of its folder
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
          if (passed.state.value.load() == State::Queued)
            unqueue(&passed);
          else
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
      for (Plan* file : batch) enqueue(file);
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
  const std::string_view path(relative);
  if (pendingFiles_.count(path)) return true;
  for (size_t slash = path.find('/'); slash != std::string_view::npos; slash = path.find('/', slash + 1))
    if (pendingFiles_.count(path.substr(0, slash))) return true;
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
    } else {
      // Written at its turn by the extracting thread, which makes its folders then.
      for (size_t slash = p.takes.find('/'); slash != std::string::npos; slash = p.takes.find('/', slash + 1))
        p.needs.push_back(p.takes.substr(0, slash));
    }
  }
  plans_.push_back(std::move(p));
  pend(plans_.back());
  ++planned_;
  if (plans_.back().kind == Kind::File && plans_.back().folder) batch.push_back(&plans_.back());
  return true;
}

void WriteAhead::pend(Plan& p) {
  pendingLinks_ += p.link;
  if (!p.takes.empty()) pendingFiles_.insert(p.takes);
  for (const std::string& folder : p.needs) ++pendingFolders_[folder];
}

void WriteAhead::unpend(const Plan& p) {
  pendingLinks_ -= p.link;
  if (!p.takes.empty()) pendingFiles_.erase(p.takes);
  for (const std::string& folder : p.needs) {
    auto it = pendingFolders_.find(folder);
    if (it != pendingFolders_.end() && --it->second == 0) pendingFolders_.erase(it);
  }
}

const WriteAhead::Plan& WriteAhead::take(size_t position, EntryReader& reader) {
  ArchiveSource& source = sources_.back();
  Plan& p = plans_[position - committed_];
  if (!p.state.done()) {
    std::vector<Plan*> taken;
    std::unique_lock<std::mutex> lock(mu_);
    while (!p.state.done()) {
      if (!p.folder) {
        // Never queued, its folder failing: nothing to write.
        p.state.value = State::Done;
      } else if (!queue_.empty()) {
        // Unless a worker has it, it is the first file of the first run; that run is left to a
        // thread already in its folder, and this one fills files elsewhere rather than sleep.
        const UniqueFd* folder = takeFiles(kTakenAtOnce, taken);
        fill(folder, taken, source, reader, lock);
      } else {
        awaitDone(p, lock);
      }
    }
  }
  p.taken = true;
  return p;
}

void WriteAhead::enqueue(Plan* p) {
  if (queue_.empty() || queue_.back().folder != p->folder.get())
    queue_.push_back(Run{p->folder.get(), {}, 0});
  queue_.back().plans.push_back(p);
}

void WriteAhead::unqueue(const Plan* p) {
  // The oldest file queued, as it is here, is the first of the first run.
  for (auto run = queue_.begin(); run != queue_.end(); ++run) {
    auto it = std::find(run->plans.begin() + static_cast<std::ptrdiff_t>(run->next), run->plans.end(), p);
    if (it == run->plans.end()) continue;
    run->plans.erase(it);
    if (run->next == run->plans.size()) queue_.erase(run);
    return;
  }
}

const UniqueFd* WriteAhead::takeFiles(size_t most, std::vector<Plan*>& taken) {
  auto run = queue_.begin();
  const size_t looked = std::min(queue_.size(), kRunsLooked);
  for (auto it = queue_.begin(); it != queue_.begin() + static_cast<std::ptrdiff_t>(looked); ++it)
    if (std::find(busy_.begin(), busy_.end(), it->folder) == busy_.end()) {
      run = it;
      break;
    }
  taken.clear();
  while (taken.size() < most && run->next < run->plans.size()) {
    Plan* p = run->plans[run->next++];
    p->state.value = State::Running;
    taken.push_back(p);
  }
  const UniqueFd* folder = run->folder;
  if (run->next == run->plans.size()) queue_.erase(run);
  busy_.push_back(folder);
  return folder;
}

void WriteAhead::fill(const UniqueFd* folder, const std::vector<Plan*>& files, ArchiveSource& source,
                      EntryReader& reader, std::unique_lock<std::mutex>& lock) {
  lock.unlock();
  for (Plan* p : files) {
    write(*p, source, reader);
    finish(*p);
  }
  lock.lock();
  busy_.erase(std::find(busy_.begin(), busy_.end(), folder));
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
  // Created by whoever fills it, so that creating, the costliest step, is shared too.
  if (!p.folder) return;
  p.fd.reset(openat(p.folder->get(), p.leaf.c_str(), kNewFileFlags, p.mode));
  p.opened = static_cast<bool>(p.fd);
  if (!p.opened) {
    p.openError = errno;
    return;
  }
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
    // A few at a time, so that the extracting thread seldom waits for a file a worker holds back.
    const UniqueFd* folder = takeFiles(kTakenAtOnce, taken);
    fill(folder, taken, source, reader, lock);
  }
}

}  // namespace zipeng
