#include "core/repair_scanner.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>

#include "core/archive_index.h"
#include "core/entry_reader.h"
#include "core/local_header.h"
#include "core/safe_path.h"
#include "core/zip_format.h"

namespace zipeng {

namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr uint64_t kReportEvery = 4u << 20;  // bytes read between calls of keepGoing

// What decompressing data of unknown length found.
struct DataCheck {
  EntryStatus status = EntryStatus::Corrupt;
  bool ok() const { return status == EntryStatus::Ok; }
  uint64_t consumed = 0;  // compressed bytes the stream used
  uint64_t produced = 0;
  uint32_t crc = 0;
};

class Scanner {
 public:
  Scanner(ArchiveSource& src, const RepairOptions& opt) : src_(src), opt_(opt) {
    // Searching for where an entry ends may read far past it; all such searches together read
    // a few times the archive at most, so a file built of nothing but headers cannot make the
    // scan quadratic.
    budget_ = 4 * src.size() + (64u << 20);
  }

  std::vector<RecoveredEntry> run(bool* aborted, std::vector<LeftOutEntry>* leftOut) {
    *aborted = false;
    ArchiveIndex index;
    if (readArchiveIndex(src_, index, false) == 0) {
      for (auto& e : index.entries) {
        // Of records that claim one local header, the one the index found it describes.
        auto [it, fresh] = central_.try_emplace(e.localHeaderPosition, e);
        if (!fresh && it->second.overlaps && !e.overlaps) it->second = e;
      }
    }
    std::vector<RecoveredEntry> out;
    uint64_t pos = nextSignature(0);
    while (pos < src_.size() && !stopped_) {
      if (!report(pos, 0)) break;
      RecoveredEntry e;
      EntryStatus why = EntryStatus::Ok;
      if (tryEntry(pos, e, why)) {
        uint64_t next = e.end;
        if (e.hasCentral || placeName(e))
          out.push_back(std::move(e));
        else
          leftOut_.push_back({pos, std::move(e.rawName), zipabi::zsrCannotOpen});  // as extraction skips it
        pos = next;
        continue;
      }
      if (stopped_) break;
      leaveOut(pos, e.rawName, why);
      if (opt_.aggressive) {
        pos = nextSignature(pos + 1);
      } else {
        // Past a damaged entry, the surviving directory still says where the next one starts.
        auto it = central_.upper_bound(pos);
        if (it == central_.end()) break;
        pos = it->first;
      }
    }
    *aborted = stopped_;
    if (!stopped_) leaveOutTheUnreached(out);
    if (leftOut) *leftOut = std::move(leftOut_);
    return out;
  }

 private:
  bool read(uint64_t at, void* buf, size_t n) {
    return at <= src_.size() && n <= src_.size() - at && src_.read(at, buf, n);
  }

  // Counts `bytes` just read and lets the caller answer now and then. False once stopped.
  bool report(uint64_t pos, uint64_t bytes) {
    if (stopped_) return false;
    sinceReport_ += bytes;
    if (bytes == 0 || sinceReport_ >= kReportEvery) {
      sinceReport_ = 0;
      if (opt_.keepGoing && !opt_.keepGoing(pos)) stopped_ = true;
    }
    return !stopped_;
  }
  // Takes `bytes` from the search budget; false when it is spent.
  bool spend(uint64_t bytes) {
    if (bytes > budget_) {
      budget_ = 0;
      return false;
    }
    budget_ -= bytes;
    return true;
  }

  // Position of the next local header signature at or after `from`, or the size when none.
  uint64_t nextSignature(uint64_t from) {
    uint64_t size = src_.size();
    if (from >= size) return size;
    std::vector<uint8_t> buf(static_cast<size_t>(std::min<uint64_t>(kChunk + 3, size - from)));
    while (from + 4 <= size) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), size - from));
      if (!read(from, buf.data(), n) || !report(from, n)) return size;
      for (size_t i = 0; i + 4 <= n; ++i)
        if (buf[i] == 'P' && buf[i + 1] == 'K' && buf[i + 2] == 3 && buf[i + 3] == 4) return from + i;
      if (n < 4) break;
      from += n - 3;
    }
    return size;
  }

  // Notes the entry at `pos` as left out, by the directory's name for it, else by its local
  // header's (`localName`, empty when there was no header): nothing names an entry otherwise.
  void leaveOut(uint64_t pos, const std::string& localName, EntryStatus why) {
    auto c = central_.find(pos);
    const std::string& name = c != central_.end() ? c->second.rawName : localName;
    if (name.empty()) return;
    leftOut_.push_back({pos, name, skipReasonOf(why == EntryStatus::Ok ? EntryStatus::Corrupt : why)});
  }

  // What the surviving directory names but the scan neither saved nor reached (a header it
  // never found, or one inside another entry's data) is left out too.
  void leaveOutTheUnreached(const std::vector<RecoveredEntry>& saved) {
    auto byStart = [](const auto& a, uint64_t at) { return a.start < at; };
    const size_t noted = leftOut_.size();
    for (const auto& [at, central] : central_) {
      auto s = std::lower_bound(saved.begin(), saved.end(), at, byStart);
      auto l = std::lower_bound(leftOut_.begin(), leftOut_.begin() + noted, at, byStart);
      if ((s != saved.end() && s->start == at) || (l != leftOut_.begin() + noted && l->start == at) ||
          central.rawName.empty())
        continue;
      leftOut_.push_back({at, central.rawName, zipabi::zsrCorruptData});
    }
    std::inplace_merge(leftOut_.begin(), leftOut_.begin() + noted, leftOut_.end(),
                       [](const LeftOutEntry& a, const LeftOutEntry& b) { return a.start < b.start; });
  }

  // Examines the entry whose local header is at `pos`. False when it cannot be saved: `why` then
  // says what failed, or stays Ok when there is no local header there at all.
  bool tryEntry(uint64_t pos, RecoveredEntry& e, EntryStatus& why) {
    LocalHeader local;
    if (!readLocalHeader(src_, pos, local) || local.rawName.empty()) return false;
    why = EntryStatus::Corrupt;
    e.start = pos;
    e.versionNeeded = local.versionNeeded;
    e.flags = local.flags;
    e.method = local.method;
    e.dosDateTime = (static_cast<uint32_t>(local.dosDate) << 16) | local.dosTime;
    e.localDosTime = local.dosTime;
    e.crc = local.crc;
    e.compressedSize = local.compressedSize;
    e.size = local.uncompressedSize;
    e.rawName = local.rawName;
    e.localExtra = local.extra;
    const bool zip64 = local.zip64;
    const uint64_t dataStart = local.dataPosition;
    if (dataStart > src_.size()) return false;
    e.dataStart = dataStart;

    const bool descriptor = (e.flags & kFlagDataDescriptor) != 0;
    const bool sizesKnown = !descriptor || e.compressedSize != 0 || e.crc != 0;
    auto c = central_.find(pos);
    if (c != central_.end()) {
      // The surviving directory's record of the entry wins, its name too, where it describes
      // this data; else the local header's own claims may still hold, if they differ.
      const ZipEntry& ce = c->second;
      RecoveredEntry recorded = e;
      recorded.hasCentral = true;
      recorded.rawName = ce.rawName;
      recorded.versionMadeBy = ce.versionMadeBy;
      recorded.internalAttributes = ce.internalAttributes;
      recorded.externalAttributes = ce.externalAttributes;
      recorded.centralExtra = ce.extra;
      recorded.comment = ce.comment;
      recorded.crc = ce.crc;
      recorded.dosDateTime = ce.dosDateTime();
      recorded.compressedSize = ce.compressedSize;
      recorded.size = ce.uncompressedSize;
      why = checkWithSizes(recorded, zip64);
      if (why == EntryStatus::Ok) {
        e = std::move(recorded);
        return true;
      }
      if (stopped_ || (sizesKnown && e.crc == ce.crc && e.compressedSize == ce.compressedSize &&
                       e.size == ce.uncompressedSize))
        return false;
      const EntryStatus byDirectory = why;
      if (tryLocalClaims(e, zip64, sizesKnown, why)) return true;
      why = byDirectory;  // what the directory's record met says more
      return false;
    }
    return tryLocalClaims(e, zip64, sizesKnown, why);
  }

  // Checks the data with the sizes and CRC `e` gives; sets where the entry ends.
  EntryStatus checkWithSizes(RecoveredEntry& e, bool zip64) {
    if (e.compressedSize > src_.size() - e.dataStart) return EntryStatus::Corrupt;
    EntryStatus status = checkData(e);
    if (status != EntryStatus::Ok) return status;
    e.end = e.dataStart + e.compressedSize;
    if (e.flags & kFlagDataDescriptor)
      e.end += descriptorLength(e.end, e.crc, e.compressedSize, e.size, zip64);
    return EntryStatus::Ok;
  }

  // The entry as its local header alone describes it: with its sizes when it gives them, else
  // with those found where its data ends.
  bool tryLocalClaims(RecoveredEntry& e, bool zip64, bool sizesKnown, EntryStatus& why) {
    const uint64_t dataStart = e.dataStart;
    const bool encrypted = (e.flags & kFlagEncrypted) != 0;
    if (sizesKnown) {
      why = checkWithSizes(e, zip64);
      return why == EntryStatus::Ok;
    }
    // Sizes follow the data: find where it ends.
    if (e.method == kMethodDeflate && !encrypted) {
      DataCheck d = measureDeflate(dataStart);
      why = d.status;
      if (!d.ok()) return false;
      e.crc = d.crc;
      e.compressedSize = d.consumed;
      e.size = d.produced;
      uint64_t len = descriptorLength(dataStart + d.consumed, d.crc, d.consumed, d.produced, zip64);
      if (len == 0) {  // the descriptor must agree with the data
        why = EntryStatus::Corrupt;
        return false;
      }
      e.end = dataStart + d.consumed + len;
      return true;
    }
    return findDescriptor(e, dataStart, zip64, why);
  }

  // A name that a local header alone gives, its own or its Unicode name field's, is kept unless
  // it would leave the folder the entry is extracted to: it is then made relative as extraction
  // makes it, and the name it had is noted. False when nothing is left of it.
  static bool placeName(RecoveredEntry& e) {
    const uint8_t* d;
    size_t n;
    std::string_view unicodeName;
    if (findExtraField(e.localExtra, kExtraUnicodePath, &d, &n) && n >= 5 && d[0] == 1)
      unicodeName = {reinterpret_cast<const char*>(d + 5), n - 5};
    const bool ownLeaves = nameLeavesFolder(e.rawName);
    if (!ownLeaves && !nameLeavesFolder(unicodeName)) return true;
    e.storedName = ownLeaves ? e.rawName : std::string(unicodeName);
    const bool folder = e.rawName.back() == '/' || e.rawName.back() == '\\';
    // Once made relative, a name may begin with what reads as a drive letter ("/C:/x"): again,
    // until it stays (each round makes it shorter).
    while (nameLeavesFolder(e.rawName)) {
      std::optional<std::string> relative = safeRelativePath(e.rawName, false);
      if (!relative) return false;
      e.rawName = std::move(*relative);
    }
    if (ownLeaves && folder) e.rawName += '/';
    return true;
  }

  // Length of a data descriptor at `at` that agrees with the entry, or 0.
  uint64_t descriptorLength(uint64_t at, uint32_t crc, uint64_t packed, uint64_t size, bool zip64) {
    uint8_t d[24] = {};
    size_t have = static_cast<size_t>(std::min<uint64_t>(sizeof d, src_.size() - std::min(at, src_.size())));
    if (have < 12 || !read(at, d, have)) return 0;
    size_t sig = get32(d) == kDataDescriptorSig ? 4 : 0;
    if (have >= sig + 12 && get32(d + sig) == crc) {
      bool narrowFits = get32(d + sig + 4) == static_cast<uint32_t>(packed) &&
                        get32(d + sig + 8) == static_cast<uint32_t>(size);
      bool wideFits = have >= sig + 20 && get64(d + sig + 4) == packed && get64(d + sig + 12) == size;
      if (zip64 && wideFits) return sig + 20;
      if (narrowFits) return sig + 12;
      if (wideFits) return sig + 20;
    }
    return 0;
  }

  // Stored or encrypted data with its sizes in a trailing descriptor: look for a signed
  // descriptor whose compressed size equals its distance from the data (and whose CRC fits,
  // when the data can be checked). `why` gets what failed the first that did not fit.
  bool findDescriptor(RecoveredEntry& e, uint64_t dataStart, bool zip64, EntryStatus& why) {
    bool tried = false;
    const size_t record = zip64 ? 24 : 16;  // signature, CRC, two sizes
    const uint64_t size = src_.size();
    std::vector<uint8_t> buf(kChunk + record);
    for (uint64_t at = dataStart; at + record <= size;) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), size - at));
      if (!spend(n) || !read(at, buf.data(), n) || !report(at, n)) return false;
      // Every candidate must lie whole inside what was read.
      size_t last = n - record;
      for (size_t i = 0; i <= last; ++i) {
        if (get32(buf.data() + i) != kDataDescriptorSig) continue;
        const uint8_t* d = buf.data() + i;
        uint64_t dist = at + i - dataStart;
        uint64_t packed = zip64 ? get64(d + 8) : get32(d + 8);
        if (packed != dist) continue;
        RecoveredEntry trial = e;
        trial.crc = get32(d + 4);
        trial.compressedSize = dist;
        trial.size = zip64 ? get64(d + 16) : get32(d + 12);
        EntryStatus check = checkData(trial);
        if (check != EntryStatus::Ok) {
          if (!tried) why = check;
          tried = true;
          continue;
        }
        trial.end = at + i + record;
        e = std::move(trial);
        return true;
      }
      if (at + n >= size) break;
      at += last + 1;
    }
    return false;
  }

  // Reads the data through the entry reading chain, the one every reader of entries uses:
  // decryption with the password, decompression, then the check of the sizes, the CRC and, for
  // AES, the authentication code. Where nothing can check the data (an encrypted entry and no
  // password, a method or cipher the chain does not have) its structure has to do, and whoever
  // reads the repaired archive judges the data.
  EntryStatus checkData(const RecoveredEntry& e) {
    const bool encrypted = (e.flags & kFlagEncrypted) != 0;
    EntryStatus status = EntryStatus::UnknownMethod;
    if (!encrypted || !opt_.password.empty()) {
      status = reader_.read(src_, entryOf(e), opt_.password, {},
                            [&](uint64_t) { return report(e.start, kReportEvery); });  // the caller may stop
    }
    if (status != EntryStatus::UnknownMethod) return status;
    return !encrypted || e.compressedSize >= kCryptHeaderSize ? EntryStatus::Ok : EntryStatus::Corrupt;
  }

  // Deflate data whose sizes are not known: decompressed until the stream ends, which says where
  // the data ends and what its CRC and size are.
  DataCheck measureDeflate(uint64_t dataStart) {
    DataCheck r;
    if (!spend(0)) return r;
    DecodeRequest rq;
    rq.method = kMethodDeflate;
    rq.dataPosition = dataStart;
    rq.packed = src_.size() - dataStart;
    rq.sizesKnown = false;
    DecodeResult d = reader_.decode(src_, rq, {}, [&](uint64_t produced) {
      // The caller may stop; a stream of unknown length draws on the budget.
      return report(dataStart, kReportEvery) && spend(std::min<uint64_t>(produced, kReportEvery));
    });
    r.status = d.status;
    if (d.status != EntryStatus::Ok) return r;
    r.consumed = d.consumed;
    r.produced = d.produced;
    r.crc = d.crc;
    spend(r.consumed);
    return r;
  }

  // The entry as the reading chain takes it: the local header's facts, with the sizes and CRC
  // the directory or a descriptor gave, and the AES field of the record that names it.
  static ZipEntry entryOf(const RecoveredEntry& e) {
    ZipEntry z;
    z.rawName = e.rawName;
    z.flags = e.flags;
    z.method = e.method;
    z.crc = e.crc;
    z.compressedSize = e.compressedSize;
    z.uncompressedSize = e.size;
    z.localHeaderPosition = e.start;
    const uint8_t* d;
    size_t n;
    if (e.method == kMethodAes &&
        findExtraField(e.hasCentral ? e.centralExtra : e.localExtra, kExtraAes, &d, &n) && n >= 7 &&
        d[2] == 'A' && d[3] == 'E') {
      z.aesVersion = get16(d);
      z.aesStrength = d[4];
      z.aesMethod = get16(d + 5);
    }
    return z;
  }

  ArchiveSource& src_;
  const RepairOptions& opt_;
  EntryReader reader_;
  std::map<uint64_t, ZipEntry> central_;
  std::vector<LeftOutEntry> leftOut_;
  uint64_t budget_ = 0;
  uint64_t sinceReport_ = 0;
  bool stopped_ = false;
};

}  // namespace

std::vector<RecoveredEntry> scanForEntries(ArchiveSource& source, const RepairOptions& options, bool* aborted,
                                           std::vector<LeftOutEntry>* leftOut) {
  Scanner s(source, options);
  return s.run(aborted, leftOut);
}

}  // namespace zipeng
