// Extraction's helpers on the other cores. Small plain files are created, filled and closed
// ahead of the extracting thread, which still does in archive order everything anyone can see:
// the messages, the questions, and what an entry that fails leaves behind.
//
// The extracting thread plans ahead: it makes the folders that the next entries need and queues
// their small files, which the workers create, fill and close; while a file it has come to is
// not done, it fills queued ones itself rather than sleep. Planning waits where an entry ahead
// could turn out otherwise than it would after the entries before it: at a link, and at a name
// that a pending entry takes as a file while another needs it as a file or folder. A writer that
// finds its file already there leaves the entry to the extracting thread, which asks about it as
// usual. Whatever was written or made ahead of the entries taken is removed when extraction ends
// early.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/archive_index.h"
#include "core/archive_source.h"
#include "core/entry_reader.h"
#include "file_output.h"
#include "output_tree.h"

namespace zipeng {

// For tests: the number of writing threads extraction uses (0, the default, one per core; 1
// does everything on the extracting thread), for the whole process.
void setWriteAheadThreads(unsigned threads);
unsigned writeAheadThreads();

class WriteAhead {
 public:
  enum class Kind { None, Folder, File };
  enum class State { Queued, Running, Done };
  // Done is set by the thread that filled the file and read without the lock (a hand-off per
  // file under one lock kept three threads waiting on it); moved only before workers see it.
  struct SharedState {
    std::atomic<State> value{State::Queued};
    SharedState() = default;
    SharedState(SharedState&& other) noexcept : value(other.value.load(std::memory_order_relaxed)) {}
    bool done() const { return value.load() == State::Done; }
  };

  // What was done ahead for one entry of the order.
  struct Plan {
    Kind kind = Kind::None;  // None: the extracting thread does it all itself
    int error = 0;           // errno when the folder, or the file's folder, could not be made
    std::string relative;    // Folder and File: the entry's path below the target folder
    std::string leaf;        // File: its name in `folder`
    FolderHandle folder;
    const ZipEntry* entry = nullptr;
    mode_t mode = 0;
    int64_t mtime = 0;
    // Set by whoever fills the file.
    bool opened = false;  // created (it then needs removing unless it is taken whole)
    int openError = 0;    // EEXIST: there already; left to the extracting thread
    UniqueFd fd;          // while it is being filled
    SharedState state;
    bool taken = false;  // handed to the extracting thread
    FileFilled filled;
    // Names this entry takes or needs while pending, for the checks of the entries after it.
    std::string takes;               // as a file
    std::vector<std::string> needs;  // as folders, made at its turn
    bool link = false;               // a link, made at its turn
  };

  // Small plain files: neither folders nor links nor encrypted (their password is asked for in
  // order), below the size at which reading reports progress.
  static bool Suits(const ZipEntry& entry);

  // `order`: the entries to extract, in the order they will be taken. Workers are started only
  // when the source can be read from several threads and there is more than one core.
  WriteAhead(const ArchiveSource& source, OutputTree& tree, bool junkPaths,
             std::vector<const ZipEntry*> order, unsigned threads = 0);
  ~WriteAhead();
  WriteAhead(const WriteAhead&) = delete;
  WriteAhead& operator=(const WriteAhead&) = delete;

  // The plan for `position`, planning ahead from it; null when nothing is done ahead. Positions
  // come in increasing order; all before `position` count as taken.
  const Plan* plan(size_t position);
  // For a File plan: its file filled, here (with `reader`) when no worker has started it yet.
  // A file that was created is the caller's from now on.
  const Plan& take(size_t position, EntryReader& reader);
  // Stops writing ahead for good: what was written or made for entries after the last one
  // planned for is removed (a disk that filled up may have room again for that one).
  void stop();

 private:
  // Plans the entry at planned_, adding a file to write to `batch`; false when it must wait.
  bool planNext(std::vector<Plan*>& batch);
  bool conflicts(const std::string& relative, bool asFile) const;
  void pend(Plan& plan);
  void unpend(const Plan& plan);
  void work(ArchiveSource& source);
  static void write(Plan& plan, ArchiveSource& source, EntryReader& reader);
  // Queues a planned file, in its folder's run when it is the last one.
  void enqueue(Plan* plan);
  // Removes `plan` from the queue when it is there.
  void unqueue(const Plan* plan);
  // Takes up to `most` files from the first run (looking at a few) in a folder no thread is
  // creating files in, else from the first; their folder, marked busy.
  const UniqueFd* takeFiles(size_t most, std::vector<Plan*>& taken);
  // Fills the files taken from `folder`, then lets it go; `lock` held before and after.
  void fill(const UniqueFd* folder, const std::vector<Plan*>& files, ArchiveSource& source,
            EntryReader& reader, std::unique_lock<std::mutex>& lock);
  // Marks a plan filled, waking the extracting thread when it waits.
  void finish(Plan& plan);
  // Waits, holding `lock`, until a plan a worker took is filled.
  void awaitDone(const Plan& plan, std::unique_lock<std::mutex>& lock);

  OutputTree& tree_;
  bool junkPaths_;
  std::vector<const ZipEntry*> order_;
  std::deque<Plan> plans_;  // positions committed_ .. planned_ - 1
  size_t committed_ = 0;
  size_t planned_ = 0;
  std::vector<std::pair<size_t, MadeFolder>> made_;  // folders made ahead, by position
  // Looked up by parts of paths, without copying them.
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const noexcept { return std::hash<std::string_view>()(name); }
  };
  // The names pending entries take as files (each by one only: a second waits for the first),
  // viewing their plans' `takes`, and the folders they need, with how many need each.
  std::unordered_set<std::string_view, NameHash, std::equal_to<>> pendingFiles_;
  std::unordered_map<std::string, unsigned, NameHash, std::equal_to<>> pendingFolders_;
  unsigned pendingLinks_ = 0;

  std::vector<ArchiveSource> sources_;  // the workers', then the extracting thread's
  std::vector<std::thread> workers_;
  std::mutex mu_;
  std::condition_variable workCv_, doneCv_;
  // Files not yet started, in order, in runs of one folder: threads creating files in one
  // folder wait for each other on its lock, so each keeps to a folder of its own when it can.
  struct Run {
    const UniqueFd* folder = nullptr;
    std::vector<Plan*> plans;
    size_t next = 0;  // plans before it are taken
  };
  std::deque<Run> queue_;
  std::vector<const UniqueFd*> busy_;  // folders threads are creating files in
  unsigned idle_ = 0;                  // workers waiting for work
  std::atomic<bool> waiting_{false};   // the extracting thread waits for a file
  bool stop_ = false;
};

}  // namespace zipeng
