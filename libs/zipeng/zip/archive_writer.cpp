#include "zip/archive_writer.h"

#include <algorithm>

#include "zipengine_abi.h"

namespace zipeng {

namespace {

int sinkError(ArchiveSink& sink) {
  return sink.error() ? sink.error() : zipabi::zrTempFileProblem;
}

// Reads a range of the old archive through its source (spanned sets) into the sink.
bool copyThroughSource(ExistingArchive& from, ArchiveSink& sink, uint64_t start, uint64_t length) {
  std::string buf(static_cast<size_t>(std::min<uint64_t>(length, 1u << 20)), '\0');
  while (length > 0) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(length, buf.size()));
    if (!from.source().read(start, buf.data(), n)) {
      sink.fail(from.source().aborted() ? zipabi::zrAborted : zipabi::zrCannotAccess);
      return false;
    }
    if (!sink.write(buf.data(), n)) return false;
    start += n;
    length -= n;
  }
  return true;
}

}  // namespace

int ArchiveWriter::copyEntry(ExistingArchive& from, size_t i) {
  ExistingArchive::Range r;
  if (!from.entryRange(i, r)) return zipabi::zrEntryStructureCorrupted;
  WriterEntry w = from.centralRecord(i);
  if (!sink_.segmented() && from.rawFd() >= 0) {
    if (runFrom_ != &from || r.start != runEnd_) {
      int rc = flushCopies();
      if (rc) return rc;
      runFrom_ = &from;
      runStart_ = runEnd_ = r.start;
    }
    runEnd_ = r.end;
    runEntries_.emplace_back(entries_.size(), r.start);
    entries_.push_back(std::move(w));
    return 0;
  }
  // A segmented sink must see each local header whole.
  std::string header(static_cast<size_t>(r.dataStart - r.start), '\0');
  if (!from.source().read(r.start, header.data(), header.size())) return zipabi::zrCannotAccess;
  SinkPos at = sink_.pos();
  if (!sink_.writeWhole(header)) return sinkError(sink_);
  // WriteWhole may have begun a new segment.
  at = SinkPos{sink_.pos().disk, sink_.pos().offset - header.size()};
  w.diskStart = at.disk;
  w.localOffset = at.offset;
  if (!copyThroughSource(from, sink_, r.dataStart, r.end - r.dataStart)) return sinkError(sink_);
  entries_.push_back(std::move(w));
  return 0;
}

int ArchiveWriter::copyKept(ExistingArchive& from, const std::vector<char>& keep) {
  const ArchiveIndex& index = from.index();
  // Entries are copied by position, from each local header to the next: no declared size is
  // needed, so one whose size lies (or overlaps another) is kept as it was without stopping the
  // others from being kept.
  bool simple = !sink_.segmented() && from.rawFd() >= 0;
  if (!simple) {
    for (size_t i = 0; i < from.count(); ++i)
      if (keep[i]) {
        int rc = copyEntry(from, i);
        if (rc) return rc;
      }
    return 0;
  }
  int rc = flushCopies();
  if (rc) return rc;
  std::vector<size_t> order(from.count());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return index.entries[a].localHeaderPosition < index.entries[b].localHeaderPosition;
  });
  std::vector<uint64_t> newOffset(from.count(), 0);
  uint64_t runStart = 0, runEnd = 0;
  std::vector<size_t> run;
  auto flush = [&]() {
    if (run.empty()) return true;
    uint64_t base = sink_.pos().offset;
    for (size_t i : run) newOffset[i] = base + (index.entries[i].localHeaderPosition - runStart);
    run.clear();
    return sink_.copyFromFd(from.rawFd(), runStart, runEnd - runStart);
  };
  for (size_t k = 0; k < order.size(); ++k) {
    size_t i = order[k];
    if (!keep[i]) continue;
    const ZipEntry& e = index.entries[i];
    uint64_t start = e.localHeaderPosition;
    uint64_t end = k + 1 < order.size() ? index.entries[order[k + 1]].localHeaderPosition : index.dataEnd;
    if (start >= index.dataEnd || end < start) return zipabi::zrEntryStructureCorrupted;
    // More room after the data than a local extra field and a descriptor can take: dead bytes
    // (an entry replaced in place). Read the header for the exact end, so they are left out.
    uint64_t room = end - start;
    uint64_t header = kLocalHeaderSize + e.rawName.size();
    bool slack =
        room > header && e.compressedSize < room - header && room - header - e.compressedSize > 65535 + 24;
    if (slack) {
      ExistingArchive::Range r;
      if (from.entryRange(i, r) && r.end <= end) end = r.end;
    }
    if (run.empty() || start != runEnd) {
      if (!flush()) return sinkError(sink_);
      runStart = start;
    }
    runEnd = end;
    run.push_back(i);
  }
  if (!flush()) return sinkError(sink_);
  for (size_t i = 0; i < from.count(); ++i) {
    if (!keep[i]) continue;
    WriterEntry w = from.centralRecord(i);
    w.diskStart = 0;
    w.localOffset = newOffset[i];
    entries_.push_back(std::move(w));
  }
  return 0;
}

int ArchiveWriter::flushCopies() {
  if (!runFrom_ || runEntries_.empty()) {
    runFrom_ = nullptr;
    return 0;
  }
  SinkPos base = sink_.pos();
  for (auto& [index, position] : runEntries_) {
    entries_[index].diskStart = 0;
    entries_[index].localOffset = base.offset + (position - runStart_);
  }
  bool ok = sink_.copyFromFd(runFrom_->rawFd(), runStart_, runEnd_ - runStart_);
  runEntries_.clear();
  runFrom_ = nullptr;
  return ok ? 0 : sinkError(sink_);
}

int ArchiveWriter::writeRaw(ExistingArchive& from, uint64_t start, uint64_t length) {
  int rc = flushCopies();
  if (rc) return rc;
  if (length == 0) return 0;
  bool ok = from.rawFd() >= 0 ? sink_.copyFromFd(from.rawFd(), start, length)
                              : copyThroughSource(from, sink_, start, length);
  return ok ? 0 : sinkError(sink_);
}

int ArchiveWriter::addData(WriterEntry e, const CompressedData& d) {
  int rc = flushCopies();
  if (rc) return rc;
  e.method = d.method;
  e.flags = static_cast<uint16_t>((e.flags & ~(kFlagEncrypted | kFlagDataDescriptor)) | d.flags);
  e.crc = d.crc;
  e.size = d.size;
  e.compressedSize = d.data.size();
  if (d.aesStrength) markAesEntry(e, d.aesStrength, d.method);
  bool zip64Local = needsZip64Local(std::max(e.size, e.compressedSize));
  if (zip64Local) e.versionNeeded = std::max<uint16_t>(e.versionNeeded, 45);
  std::string header = buildLocalHeader(e, zip64Local);
  if (!sink_.writeWhole(header)) return sinkError(sink_);
  SinkPos at = sink_.pos();
  e.diskStart = at.disk;
  e.localOffset = at.offset - header.size();
  if (!sink_.write(d.data.data(), d.data.size())) return sinkError(sink_);
  entries_.push_back(std::move(e));
  return 0;
}

int ArchiveWriter::addStreamed(WriterEntry e, const CompressJob& job,
                               const std::function<bool(int)>& progress, int* skipReason,
                               TaskRunner* runner) {
  *skipReason = -1;
  int rc = flushCopies();
  if (rc) return rc;
  rc = streamCompressFile(job, e, sink_, progress, runner);
  if (rc < 0) {
    *skipReason = -1 - rc;
    return 0;
  }
  if (rc > 0) return rc;
  entries_.push_back(std::move(e));
  return 0;
}

int ArchiveWriter::finish(const std::string& comment) {
  int rc = flushCopies();
  if (rc) return rc;
  std::string cd;
  SinkPos cdStart = sink_.pos();
  bool first = true;
  uint64_t onLastDisk = 0;
  uint64_t cdSize = 0;
  if (!sink_.segmented()) {
    for (auto& run : rawCentral_) {
      if (!sink_.write(run.data(), run.size())) return sinkError(sink_);
      cdSize += run.size();
    }
    for (auto& e : entries_) cd += buildCentralRecord(e);
    cdSize += cd.size();
    onLastDisk = count();
    if (!sink_.write(cd.data(), cd.size())) return sinkError(sink_);
  } else {
    for (auto& e : entries_) {
      std::string rec = buildCentralRecord(e);
      uint32_t diskBefore = sink_.pos().disk;
      if (!sink_.writeWhole(rec)) return sinkError(sink_);
      SinkPos after = sink_.pos();
      if (first) {
        cdStart = SinkPos{after.disk, after.offset - rec.size()};
        first = false;
      }
      if (after.disk != diskBefore) onLastDisk = 0;
      ++onLastDisk;
      cdSize += rec.size();
    }
  }
  // The end records must sit whole on the last disk.
  std::string probe = buildEndRecords(count(), cdStart.offset, cdSize, 0, comment, sink_.pos().disk,
                                      cdStart.disk, onLastDisk);
  uint32_t diskBefore = sink_.pos().disk;
  if (!sink_.ensureRoom(probe.size())) return sinkError(sink_);
  if (sink_.pos().disk != diskBefore) onLastDisk = 0;
  SinkPos endAt = sink_.pos();
  std::string end = buildEndRecords(count(), cdStart.offset, cdSize, endAt.offset, comment, endAt.disk,
                                    cdStart.disk, onLastDisk);
  if (!sink_.writeWhole(end)) return sinkError(sink_);
  return 0;
}

int ArchiveWriter::finishAndCommit(const std::string& comment) {
  int rc = finish(comment);
  if (rc || !sink_.commit()) {
    int code = rc ? rc : (sink_.error() ? sink_.error() : zipabi::zrTempFileProblem);
    return sink_.abandon(code);
  }
  return zipabi::zrOk;
}

}  // namespace zipeng
