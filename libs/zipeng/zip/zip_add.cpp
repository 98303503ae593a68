// Add, freshen and update: gather the files, decide per file, compress on all cores, and
// write the new archive through a temporary copy (or in place with "-g").
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <unordered_map>

#include "core/compressor_pipeline.h"
#include "core/dos_time.h"
#include "core/file_gather.h"
#include "zip/archive_writer.h"
#include "zip/zip_operations.h"
#include "zip/zip_volume_label.h"

namespace zipeng {

namespace {

struct Task {
  const GatheredFile* file = nullptr;  // null for the volume label
  std::string label;
  long replaces = -1;  // index of the existing entry it replaces
  long job = -1;       // index in the compression pipeline
};

WriterEntry newEntry(const std::string& name, const struct stat& st, bool folder) {
  WriterEntry e;
  e.name = name;
  if (needsUtf8Flag(name)) e.flags |= kFlagUtf8;
  e.versionMadeBy = (kHostUnix << 8) | 30;
  e.versionNeeded = 20;
  e.method = kMethodStored;
  e.mtime = static_cast<int64_t>(st.st_mtime);
  e.hasMtime = true;
  e.dosDateTime = unixToDos(e.mtime);
  e.localExtra = e.centralExtra = extendedTimestampExtra(e.mtime);
  uint32_t mode = static_cast<uint32_t>(st.st_mode) & 0xFFFF;
  e.externalAttributes = (mode << 16) | (folder ? 0x10u : 0u) | ((mode & 0222) == 0 ? 0x01u : 0u);
  e.size = folder ? 0 : static_cast<uint64_t>(st.st_size);
  return e;
}

// True when the file is newer than the entry it would replace.
bool fileIsNewer(const struct stat& st, const ZipEntry& entry) {
  int64_t fileTime = static_cast<int64_t>(st.st_mtime);
  if (entry.hasUnixMtime) return fileTime > entry.unixMtime;
  // Without an exact time the entry has only the two-second DOS resolution.
  return unixToDos(fileTime) > entry.dosDateTime();
}

}  // namespace

int runAdd(ZipSession& s) {
  const ZipCommand& cmd = s.cmd;
  Callback& cb = s.cb;

  struct stat archiveStat {};
  bool exists = stat(cmd.archive.c_str(), &archiveStat) == 0;
  // An empty file (a new archive made by touching its name) holds nothing to keep.
  bool present = exists && !(S_ISREG(archiveStat.st_mode) && archiveStat.st_size == 0 && !cmd.spanned);
  // Adding in place needs only the names and records of the directory: the quick read does.
  auto holder = std::make_unique<ExistingArchive>();
  bool lean = present && cmd.grow && !cmd.spanned && cmd.action == ZipAction::Add &&
              holder->openForAppend(cmd.archive);
  if (present && !lean) {
    holder = std::make_unique<ExistingArchive>();
    int rc = holder->open(cmd.archive, cmd.spanned, cmd.nameCharset, cb);
    if (rc == zipabi::zrAborted || cb.aborted()) return zipabi::zrAborted;
    if (rc) return rc;
  } else if (!present && cmd.action == ZipAction::Freshen) {
    return zipabi::zrArchiveNotFound;
  }
  ExistingArchive& existing = *holder;

  GatherOptions go;
  go.recurse = cmd.recurse;
  go.includeHidden = cmd.hidden;
  go.folderEntries = cmd.folderEntries && cmd.action != ZipAction::Freshen;
  go.junkPaths = cmd.junkPaths;
  go.notBefore = cmd.notBefore;
  go.includePatterns = cmd.includes;
  go.excludePatterns = cmd.excludes;
  if (exists) go.excludeFiles.emplace_back(archiveStat.st_dev, archiveStat.st_ino);
  GatherResult gathered = gatherFiles(cmd.names, go);
  if (!gathered.repeatedName.empty()) return zipabi::zrRepeatedNames;

  bool skipped = false;
  for (auto& p : gathered.problems) {
    skipped = true;
    if (cb.sendSkipping(p.name, p.reason)) return zipabi::zrAborted;
  }

  // Which gathered file each existing entry would be replaced by (the last of equal names wins).
  std::unordered_map<std::string_view, size_t> byName;
  if (present) {
    std::unordered_map<std::string_view, size_t> gatheredIndex;
    for (size_t k = 0; k < gathered.files.size(); ++k) gatheredIndex.emplace(gathered.files[k].storedName, k);
    for (size_t i = 0; i < existing.count(); ++i) {
      auto it = gatheredIndex.find(existing.name(i));
      if (it != gatheredIndex.end()) byName[it->first] = i;
    }
  }

  // Decide per file.
  std::vector<Task> tasks;
  std::vector<char> replaced(existing.count(), 0);
  std::vector<CompressJob> jobs;
  std::vector<WriterEntry> pending;  // the new entries, by task
  for (auto& f : gathered.files) {
    auto it = byName.find(f.storedName);
    Task t;
    t.file = &f;
    if (it != byName.end()) {
      if (cmd.action != ZipAction::Add) {
        if (f.isFolder) continue;  // the folder entry is already there
        if (!fileIsNewer(f.st, existing.entry(it->second))) {
          if (cb.sendSkipping(f.path, zipabi::zsrUpToDate)) return zipabi::zrAborted;
          continue;
        }
      }
      t.replaces = static_cast<long>(it->second);
    } else if (cmd.action == ZipAction::Freshen) {
      continue;  // freshen only replaces what the archive holds
    }
    if (!f.isFolder) {
      CompressJob j;
      j.path = f.path;
      j.expectedSize = static_cast<uint64_t>(f.st.st_size);
      j.level = cmd.level;
      j.store = cmd.level == 0 || hasStoredExtension(f.storedName, cmd.storedExtensions);
      j.password = cmd.encrypt ? &cmd.password : nullptr;
      j.aesStrength = cmd.aesStrength;
      j.dosDateTime = unixToDos(static_cast<int64_t>(f.st.st_mtime));
      t.job = static_cast<long>(jobs.size());
      jobs.push_back(std::move(j));
    }
    tasks.push_back(t);
  }
  if (cmd.volumeLabel && cmd.action == ZipAction::Add && !gathered.files.empty()) {
    std::string label = volumeLabelOf(gathered.files.front().path);
    bool taken = false;
    for (size_t i = 0; present && i < existing.count(); ++i) taken = taken || existing.name(i) == label;
    if (!label.empty() && !taken) {
      Task t;
      t.label = label;
      tasks.insert(tasks.begin(), t);
    }
  }

  if (tasks.empty()) {
    // Nothing changes: the archive stays exactly as it is.
    if (skipped) return zipabi::zrSomeSkipped;
    return gathered.files.empty() ? zipabi::zrNothingToDo : zipabi::zrOk;
  }

  bool inPlace = false;
  int error = 0;
  std::unique_ptr<ArchiveSink> sink = s.openOutput(present ? &existing : nullptr, cmd.grow, &inPlace, &error);
  if (!sink) return error ? error : zipabi::zrTempFileProblem;
  if (cmd.move) sink->requireSync();
  ArchiveWriter writer(*sink);
  auto fail = [&](int rc) { return sink->abandon(rc); };

  // Compression starts now, ahead of the writing below.
  CompressPipeline pipeline(std::move(jobs));

  // Entries that stay: copied raw (or left where they are when growing in place).
  if (present) {
    if (!inPlace && !cmd.spanned && existing.prefixLength() > 0) {
      int rc = writer.writeRaw(existing, 0, existing.prefixLength());
      if (rc) return fail(rc);
    }
    for (auto& t : tasks)
      if (t.replaces >= 0) replaced[static_cast<size_t>(t.replaces)] = 1;
    if (inPlace) {
      for (size_t i = 0; i < existing.count(); ++i) {
        if (replaced[i]) continue;
        std::string_view raw = existing.rawCentral(i);
        if (!raw.empty())
          writer.keepRawCentral(raw);
        else
          writer.keepInPlace(existing.centralRecord(i));
      }
    } else {
      std::vector<char> keep(existing.count());
      for (size_t i = 0; i < keep.size(); ++i) keep[i] = !replaced[i];
      int rc = writer.copyKept(existing, keep);
      if (rc) return fail(rc);
    }
  }

  std::vector<const GatheredFile*> written;
  std::vector<long> keepOld;  // replacements whose new file could not be read
  for (auto& t : tasks) {
    if (!t.file) {
      struct stat now {};
      now.st_mtime = time(nullptr);
      WriterEntry e = newEntry(t.label, now, false);
      e.versionMadeBy = 20;  // MS-DOS: the label bit lives in the DOS attributes
      e.externalAttributes = 0x08;
      if (s.sendEntry(zipabi::zcmAdding, e)) return fail(zipabi::zrAborted);
      int rc = writer.addData(std::move(e), CompressedData());
      if (rc) return fail(rc);
      continue;
    }
    const GatheredFile& f = *t.file;
    int32_t message = t.replaces >= 0 ? zipabi::zcmUpdating : zipabi::zcmAdding;
    WriterEntry e = newEntry(f.storedName, f.st, f.isFolder);
    if (f.isFolder) {
      if (s.sendEntry(message, e)) return fail(zipabi::zrAborted);
      e.comment = s.askFileComment(f.storedName);
      if (cb.aborted()) return fail(zipabi::zrAborted);
      int rc = writer.addData(std::move(e), CompressedData());
      if (rc) return fail(rc);
      written.push_back(&f);
      continue;
    }
    CompressedData d = pipeline.take(static_cast<size_t>(t.job));
    if (d.error) return fail(d.error);
    if (d.skipReason >= 0) {
      skipped = true;
      if (t.replaces >= 0) keepOld.push_back(t.replaces);
      if (cb.sendSkipping(f.path, static_cast<uint8_t>(d.skipReason))) return fail(zipabi::zrAborted);
      continue;
    }
    if (!d.streamed) {
      e.size = d.size;
      e.compressedSize = d.data.size();
      e.method = d.method;
      e.flags |= d.flags;
      e.crc = d.crc;
    }
    if (s.sendEntry(message, e)) return fail(zipabi::zrAborted);
    e.comment = s.askFileComment(f.storedName);
    if (cb.aborted()) return fail(zipabi::zrAborted);
    int rc;
    if (d.streamed) {
      int reason = -1;
      const CompressJob& job = pipeline.job(static_cast<size_t>(t.job));
      WriterEntry progressEntry = e;
      rc = writer.addStreamed(
          std::move(e), job,
          [&](int percent) {
            return !s.sendEntry(zipabi::zcmStatus, progressEntry, static_cast<uint8_t>(percent));
          },
          &reason, &pipeline);
      if (rc == 0 && reason >= 0) {
        skipped = true;
        if (t.replaces >= 0) keepOld.push_back(t.replaces);
        if (cb.sendSkipping(f.path, static_cast<uint8_t>(reason))) return fail(zipabi::zrAborted);
        continue;
      }
    } else {
      rc = writer.addData(std::move(e), d);
    }
    if (rc) return fail(rc);
    if (s.sendEntry(zipabi::zcmStatus, writer.entries().back(), 100)) return fail(zipabi::zrAborted);
    written.push_back(&f);
  }

  // A replacement that could not be read leaves the old entry in the archive.
  for (long i : keepOld) {
    size_t k = static_cast<size_t>(i);
    int rc = 0;
    if (!inPlace)
      rc = writer.copyEntry(existing, k);
    else if (!existing.rawCentral(k).empty())
      writer.keepRawCentral(existing.rawCentral(k));
    else
      writer.keepInPlace(existing.centralRecord(k));
    if (rc) return fail(rc);
  }

  std::string comment = present ? existing.comment() : std::string();
  int rc = writer.finish(comment);
  if (rc) return fail(rc);
  if (!sink->commit()) return fail(sink->error() ? sink->error() : zipabi::zrTempFileProblem);
  uint32_t disks = sink->diskCount();
  sink.reset();
  if (cmd.spanned && cmd.clearDisks) removeStaleSegments(cmd.archive, disks);

  // Sources go only now that the archive holding them is safely on disk.
  if (cmd.move) {
    for (auto* f : written)
      if (!f->isFolder) unlink(f->path.c_str());
    for (auto it = written.rbegin(); it != written.rend(); ++it)
      if ((*it)->isFolder) rmdir((*it)->path.c_str());
  }
  return skipped ? zipabi::zrSomeSkipped : zipabi::zrOk;
}

}  // namespace zipeng
