#include "archive_index.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "archive_source.h"
#include "cp437.h"
#include "dos_time.h"
#include "local_header.h"
#include "name_encoding.h"
#include "zip_format.h"

namespace zipeng {

namespace {

// Parses the end record at `pos` inside `tail` (which starts at absolute `tailStart`), following
// a ZIP64 locator when one precedes it.
bool parseEndRecord(ArchiveSource& source, const uint8_t* tail, uint64_t tailStart, size_t pos,
                    EndRecord& end) {
  const uint8_t* p = tail + pos;
  end.position = tailStart + pos;
  end.disk = get16(p + 4);
  end.cdDisk = get16(p + 6);
  end.totalEntries = get16(p + 10);
  end.cdSize = get32(p + 12);
  end.cdOffset = get32(p + 16);
  end.commentLength = get16(p + 20);
  end.cdEnd = end.position;
  if (end.position < kZip64LocatorSize) return true;
  uint8_t locator[kZip64LocatorSize];
  if (!source.read(end.position - kZip64LocatorSize, locator, sizeof locator) ||
      get32(locator) != kZip64LocatorSig)
    return true;
  uint32_t z64Disk = get32(locator + 4);
  uint64_t z64Pos = source.segmentStart(z64Disk) + get64(locator + 8);
  uint8_t record[kZip64EndSize];
  bool found = source.read(z64Pos, record, sizeof record) && get32(record) == kZip64EndSig;
  if (!found) {
    // Prefix data shifts every offset; the record normally sits right before its locator.
    uint64_t guess = end.position - kZip64LocatorSize - kZip64EndSize;
    if (end.position >= kZip64LocatorSize + kZip64EndSize && source.read(guess, record, sizeof record) &&
        get32(record) == kZip64EndSig) {
      z64Pos = guess;
      found = true;
    }
  }
  if (!found) return true;
  end.zip64 = true;
  end.disk = get32(record + 16);
  end.cdDisk = get32(record + 20);
  end.totalEntries = get64(record + 32);
  end.cdSize = get64(record + 40);
  end.cdOffset = get64(record + 48);
  end.cdEnd = z64Pos;
  return true;
}

// How one read takes the texts without the UTF-8 flag: in the code page asked for, or, when none
// was, in code page 437 until the names have been seen and a more likely one was found.
struct LegacyTexts {
  explicit LegacyTexts(const std::string& requested)
      : requested(requested),
        decoder(std::make_unique<LegacyDecoder>(requested.empty() ? kCodePage437 : requested)) {}
  std::string requested;
  std::unique_ptr<LegacyDecoder> decoder;
  bool seen = false;   // some text needed the legacy code page
  std::string sample;  // such names, one per line, for the detection
  bool settled = false;
  void note(std::string_view raw) {
    seen = true;
    if (requested.empty() && !settled && sample.size() < kSampleLimit) sample.append(raw).push_back('\n');
  }
  // After the names were seen: the code page to read in from now on; true when it changed.
  bool settle(std::string& chosen) {
    settled = true;
    if (!seen) return false;
    chosen = requested.empty() ? detectLegacyCharset(sample) : requested;
    if (!requested.empty() || chosen == kCodePage437) return false;
    decoder = std::make_unique<LegacyDecoder>(chosen);
    return true;
  }
  static constexpr size_t kSampleLimit = 64 * 1024;
};

// Into `out`, whose room is reused from entry to entry. True when the legacy code page was used.
bool decodeText(std::string_view raw, bool utf8Flag, uint8_t host, LegacyTexts& legacy, std::string& out) {
  out.clear();
  if (!needsLegacyDecoding(raw, utf8Flag, host)) {
    out.append(raw);
    return false;
  }
  legacy.decoder->decode(raw, out);
  return true;
}

// The Info-ZIP Unicode path extra: version 1, CRC-32 of the raw name, then the UTF-8 name.
bool unicodePathName(const ZipEntry& e, std::string& out) {
  const uint8_t* d;
  size_t n;
  if (!findExtraField(e.extra, kExtraUnicodePath, &d, &n) || n < 5 || d[0] != 1) return false;
  uint32_t crc = libdeflate_crc32(0, e.rawName.data(), e.rawName.size());
  if (crc != get32(d + 1)) return false;
  std::string_view name(reinterpret_cast<const char*>(d + 5), n - 5);
  if (!isValidUtf8(name)) return false;
  out.assign(name);
  return true;
}

// The NTFS extra field (written by Windows tools): attribute 1 holds three FILETIMEs, the first
// being the modification time in 100 ns steps since 1601.
bool ntfsModificationTime(const std::string& extra, int64_t& unixTime) {
  const uint8_t* d;
  size_t n;
  if (!findExtraField(extra, kExtraNtfs, &d, &n) || n < 4) return false;
  ByteReader r(d + 4, n - 4);
  while (r.remaining() >= 4) {
    uint16_t tag = r.u16();
    uint16_t size = r.u16();
    const uint8_t* body = r.take(size);
    if (!body) return false;
    if (tag == 1 && size >= 24) {
      uint64_t filetime = get64(body);
      if (filetime == 0) return false;
      unixTime = static_cast<int64_t>(filetime / 10000000ULL) - 11644473600LL;
      return true;
    }
  }
  return false;
}

// Parses one central header at `r`; false when it runs past the directory or is no header, so
// that the directory cannot be walked. A ZIP64 field too short for the values the record marks
// spoils only this entry: `sound` is then false. Without `full` only what can spoil it is read
// (sizes, offsets, their ZIP64 forms): names, comments and the other extra fields are left
// undecoded.
// With `full` the texts are decoded (through `legacy`, which notes the legacy names); without,
// only what can fail is read, and legacy names are only noted.
bool parseCentralHeader(ByteReader& r, ZipEntry& e, uint32_t& diskOut, bool& sound, LegacyTexts& legacy,
                        bool full = true) {
  const uint8_t* fixed = r.take(kCentralHeaderSize);
  if (!fixed || get32(fixed) != kCentralHeaderSig) return false;
  e.versionMadeBy = get16(fixed + 4);
  e.versionNeeded = get16(fixed + 6);
  e.flags = get16(fixed + 8);
  e.method = get16(fixed + 10);
  e.dosTime = get16(fixed + 12);
  e.dosDate = get16(fixed + 14);
  e.crc = get32(fixed + 16);
  e.compressedSize = get32(fixed + 20);
  e.uncompressedSize = get32(fixed + 24);
  uint16_t nameLength = get16(fixed + 28);
  uint16_t extraLength = get16(fixed + 30);
  uint16_t commentLength = get16(fixed + 32);
  uint32_t disk = get16(fixed + 34);
  e.internalAttributes = get16(fixed + 36);
  e.externalAttributes = get32(fixed + 38);
  e.localHeaderOffset = get32(fixed + 42);
  const uint8_t* name = r.take(nameLength);
  const uint8_t* extra = r.take(extraLength);
  const uint8_t* comment = r.take(commentLength);
  if (!r.ok()) return false;
  if (!full) {
    std::string_view rawName(reinterpret_cast<const char*>(name), nameLength);
    if (needsLegacyDecoding(rawName, (e.flags & kFlagUtf8) != 0, e.host())) legacy.note(rawName);
    // The ZIP64 extra, read in place: the only part of the variable fields that can fail.
    sound = applyZip64Extra({reinterpret_cast<const char*>(extra), extraLength},
                            {&e.uncompressedSize, &e.compressedSize, &e.localHeaderOffset, &disk});
    diskOut = disk;
    e.disk = disk;
    return true;
  }
  // Appended to the fresh entry's empty texts: cheaper than assigning, and the same.
  e.rawName.append(reinterpret_cast<const char*>(name), nameLength);
  e.extra.append(reinterpret_cast<const char*>(extra), extraLength);
  std::string_view rawComment(reinterpret_cast<const char*>(comment), commentLength);

  sound = applyZip64Extra(e.extra, {&e.uncompressedSize, &e.compressedSize, &e.localHeaderOffset, &disk});
  const uint8_t* d;
  size_t n;
  diskOut = disk;
  e.disk = disk;

  const bool utf8 = (e.flags & kFlagUtf8) != 0;
  if ((utf8 || !unicodePathName(e, e.name)) && decodeText(e.rawName, utf8, e.host(), legacy, e.name))
    legacy.note(e.rawName);
  if (decodeText(rawComment, utf8, e.host(), legacy, e.comment)) legacy.seen = true;

  // AES: version, vendor "AE", key strength, the real method.
  if (e.method == kMethodAes && findExtraField(e.extra, kExtraAes, &d, &n) && n >= 7 && d[2] == 'A' &&
      d[3] == 'E') {
    e.aesVersion = get16(d);
    e.aesStrength = d[4];
    e.aesMethod = get16(d + 5);
  }
  if (findExtraField(e.extra, kExtraExtendedTime, &d, &n) && n >= 5 && (d[0] & 1)) {
    e.unixMtime = static_cast<int32_t>(get32(d + 1));
    e.hasUnixMtime = true;
  } else if (int64_t ntfs; ntfsModificationTime(e.extra, ntfs)) {
    e.unixMtime = ntfs;
    e.hasUnixMtime = true;
  } else if (findExtraField(e.extra, kExtraOldUnix, &d, &n) && n >= 8) {
    // The old Unix field of other archivers: access time, then modification time (owner ids
    // may follow). Unlike the extended timestamp its times are unsigned.
    e.unixMtime = get32(d + 4);
    e.hasUnixMtime = true;
  }
  return true;
}

// Of the records that claim the local header at one position, the one that header describes:
// the first whose name and sizes match it, else the first whose name does, else the first.
// Only records that collide come here, so an ordinary archive reads no header for this.
uint32_t ownerOfHeader(ArchiveSource& source, const std::vector<ZipEntry>& entries, const uint32_t* claims,
                       size_t count) {
  LocalHeader local;
  if (!readLocalHeader(source, entries[claims[0]].localHeaderPosition, local)) return claims[0];
  // A header whose sizes follow the data in a descriptor may leave them zero.
  const bool deferred =
      (local.flags & kFlagDataDescriptor) && local.compressedSize == 0 && local.uncompressedSize == 0;
  uint32_t best = claims[0];
  int bestScore = -1;
  for (size_t k = 0; k < count; ++k) {
    const ZipEntry& e = entries[claims[k]];
    const bool sizes = deferred || (local.compressedSize == e.compressedSize &&
                                    local.uncompressedSize == e.uncompressedSize);
    const int score = (e.rawName == local.rawName ? 2 : 0) + (sizes ? 1 : 0);
    if (score > bestScore) {
      best = claims[k];
      bestScore = score;
    }
  }
  return best;
}

// Entries whose data would run into the next local header or the directory are marked: an
// archive built so that entries share one compressed stream is a bomb, and those entries are
// refused when read. Their headers are at least 30 bytes plus the name. Where several records
// claim one header, the one it describes is judged so and the others are refused.
// Whether a name occurs twice. One flat table of entry numbers (a node per name cost more than
// reading the whole directory), looked up by the name's hash.
bool hasDuplicateNames(const std::vector<ZipEntry>& entries) {
  size_t slots = 16;
  while (slots < 2 * entries.size()) slots *= 2;
  struct Slot {
    uint32_t hash = 0;   // the hash's low bits, to pass over most other names unread
    uint32_t entry = 0;  // its number + 1; 0: free
  };
  std::vector<Slot> table(slots);
  const std::hash<std::string_view> hasher;
  for (uint32_t i = 0; i < entries.size(); ++i) {
    const size_t hash = hasher(entries[i].name);
    for (size_t at = hash & (slots - 1);; at = (at + 1) & (slots - 1)) {
      Slot& slot = table[at];
      if (slot.entry == 0) {
        slot = {static_cast<uint32_t>(hash), i + 1};
        break;
      }
      if (slot.hash == static_cast<uint32_t>(hash) && entries[slot.entry - 1].name == entries[i].name)
        return true;
    }
  }
  return false;
}

void markOverlaps(ArchiveSource& source, ArchiveIndex& index) {
  auto& entries = index.entries;
  // By position, then directory order among records of one position, so the choice between
  // them is stable. Most directories are in position order already.
  std::vector<std::pair<uint64_t, uint32_t>> byPosition(entries.size());
  for (uint32_t i = 0; i < byPosition.size(); ++i) byPosition[i] = {entries[i].localHeaderPosition, i};
  if (!std::is_sorted(byPosition.begin(), byPosition.end())) std::sort(byPosition.begin(), byPosition.end());
  std::vector<uint32_t> order(entries.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = byPosition[k].second;
  for (size_t k = 0; k < order.size();) {
    const uint64_t position = byPosition[k].first;
    size_t next = k + 1;
    while (next < order.size() && byPosition[next].first == position) ++next;
    uint32_t owner = order[k];
    if (next - k > 1 && position < index.dataEnd) {
      owner = ownerOfHeader(source, entries, &order[k], next - k);
      for (size_t j = k; j < next; ++j)
        if (order[j] != owner) entries[order[j]].overlaps = true;
    }
    ZipEntry& e = entries[owner];
    uint64_t limit = next < order.size() ? byPosition[next].first : index.dataEnd;
    uint64_t minEnd = position + kLocalHeaderSize + e.rawName.size();
    if (minEnd < position || minEnd > limit || e.compressedSize > limit - minEnd) e.overlaps = true;
    if (position >= index.dataEnd)
      for (size_t j = k; j < next; ++j) entries[order[j]].overlaps = true;
    k = next;
  }
}

bool tryIndex(ArchiveSource& source, const EndRecord& end, ArchiveIndex& index, bool allowSpanned,
              const EntryVisitor* visit, const std::string& nameCharset, int32_t& result) {
  LegacyTexts legacy(nameCharset);
  const uint64_t size = source.size();
  if (end.disk != 0 || end.cdDisk != 0) {
    if (!allowSpanned) {
      result = zipabi::zrSpannedNotMultidisk;
      return false;
    }
    if (source.segmentCount() < static_cast<size_t>(end.disk) + 1) {
      result = zipabi::zrCannotAccess;  // segments missing
      return false;
    }
  }
  if (end.cdSize > end.cdEnd) return false;
  uint64_t claimed = source.segmentStart(end.cdDisk) + end.cdOffset;
  uint64_t expected = end.cdEnd - end.cdSize;
  uint64_t prefix = 0;
  if (claimed != expected) {
    // Bytes before the archive (a self-extractor stub) shift every offset by the same amount.
    if (source.spanned() || claimed > expected) return false;
    prefix = expected - claimed;
  }
  if (end.totalEntries > 0 && end.cdSize < kCentralHeaderSize) return false;
  if (end.totalEntries > end.cdSize / kCentralHeaderSize + 1 && end.totalEntries != k16Max) {
    // More entries claimed than the directory could hold: the count is a lie or the directory
    // is cut; the parse below counts for itself.
  }
  index.entries.clear();
  if (!visit)
    index.entries.reserve(static_cast<size_t>(
        std::min<uint64_t>({end.totalEntries, end.cdSize / kCentralHeaderSize, 1u << 20})));
  // One parse of a record for both ways of reading; a visited entry is handed on, not kept.
  uint64_t parsed = 0;
  const auto parseRecord = [&](const uint8_t* record, size_t length, ZipEntry& e, bool full) {
    ByteReader r(record, length);
    // A fresh entry whose texts keep their room. Copied from a blank one: building a temporary
    // clears it with a string instruction that costs more than the rest of the record. The
    // checking pass reads only fields it sets itself, so its entry needs no clearing.
    static const ZipEntry kBlank;
    if (full) e = kBlank;
    uint32_t disk = 0;
    bool sound = true;
    if (!parseCentralHeader(r, e, disk, sound, legacy, full)) return false;
    // A record that cannot place its entry (a ZIP64 field short of what it marks, a segment the
    // set does not have, an offset outside the file) spoils that entry only; the others stay
    // readable.
    sound = sound && (disk < source.segmentCount() || disk == 0);
    if (sound) e.localHeaderPosition = source.segmentStart(disk) + prefix + e.localHeaderOffset;
    if (!sound || e.localHeaderPosition < e.localHeaderOffset || e.localHeaderPosition >= size) {
      e.localHeaderPosition = size;
      e.overlaps = true;
    }
    ++parsed;
    return true;
  };
  ZipEntry current;
  const auto readAll = [&] {
    parsed = 0;
    index.entries.clear();
    return walkCentralDirectory(
        source, expected, end.cdSize,
        [&](const uint8_t* record, size_t length, uint64_t) {
          // A directory read to be handed on is checked first without decoding names.
          if (!parseRecord(record, length, current, !visit)) return false;
          if (!visit) index.entries.push_back(std::move(current));
          return true;
        },
        &result);
  };
  if (!readAll()) return false;
  // The names seen, the code page of the texts without the UTF-8 flag is settled. When it is
  // not the one they were read in, they are read again, the same way; entries handed on later
  // and the archive comment are read in it.
  if (legacy.settle(index.nameCharset) && !visit && !readAll()) return false;
  // The count in the end record is cut to 16 bits by writers that know no ZIP64.
  if (parsed != end.totalEntries && (end.zip64 || (parsed & 0xFFFF) != (end.totalEntries & 0xFFFF)))
    return false;

  index.centralDirectoryOffset = expected;
  index.centralDirectorySize = end.cdSize;
  index.endRecordPosition = end.position;
  index.prefixBytes = prefix;
  index.dataEnd = expected;
  index.diskNumber = end.disk;
  index.zip64 = end.zip64;
  uint64_t after = end.position + kEndOfCentralSize + end.commentLength;
  index.trailingBytes = after < size ? size - after : 0;
  index.rawComment.resize(end.commentLength);
  size_t available =
      static_cast<size_t>(std::min<uint64_t>(end.commentLength, size - (end.position + kEndOfCentralSize)));
  index.rawComment.resize(available);
  if (available && !source.read(end.position + kEndOfCentralSize, index.rawComment.data(), available))
    return false;
  decodeText(index.rawComment, false, kHostUnix, legacy, index.comment);
  index.entryCount = parsed;

  if (visit && !*visit) {
    result = zipabi::zrOk;  // only counted
    return true;
  }
  if (visit) {
    // The whole directory held together: now hand its entries on, one at a time.
    bool stopped = false;
    bool walked = walkCentralDirectory(
        source, expected, end.cdSize,
        [&](const uint8_t* record, size_t length, uint64_t) {
          if (!parseRecord(record, length, current, true)) return false;
          if ((*visit)(current)) return true;
          stopped = true;
          return false;
        },
        &result);
    if (stopped) {
      result = zipabi::zrAborted;
      return false;
    }
    if (!walked) return false;
    result = zipabi::zrOk;
    return true;
  }
  markOverlaps(source, index);
  index.duplicates = hasDuplicateNames(index.entries);
  result = zipabi::zrOk;
  return true;
}

}  // namespace

bool walkCentralDirectory(ArchiveSource& source, uint64_t start, uint64_t length,
                          const DirectoryVisitor& visit, int32_t* failure) {
  // The directory is read through a bounded window, so a directory size that lies costs no
  // memory; the records take memory only where they are really there. A quarter of a MiB
  // (beside room for the largest record) is still in the processor's cache when it is parsed.
  constexpr size_t kWindow = (1u << 18) + kCentralHeaderSize + 3 * 65535;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(length, kWindow)));
  uint64_t readAt = start;
  uint64_t left = length;
  uint64_t offset = 0;
  size_t begin = 0, have = 0;
  auto fill = [&](size_t need) -> bool {
    if (have - begin >= need) return true;
    std::memmove(buffer.data(), buffer.data() + begin, have - begin);
    have -= begin;
    begin = 0;
    size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size() - have, left));
    if (n && !source.read(readAt, buffer.data() + have, n)) {
      if (source.aborted())
        *failure = zipabi::zrAborted;
      else if (source.ioFailed())
        *failure = zipabi::zrCannotAccess;
      return false;
    }
    readAt += n;
    left -= n;
    have += n;
    return have - begin >= need;
  };
  while (left > 0 || begin < have) {
    if (!fill(kCentralHeaderSize)) return false;
    const uint8_t* h = buffer.data() + begin;
    if (get32(h) != kCentralHeaderSig) return false;
    size_t total = kCentralHeaderSize + get16(h + 28) + get16(h + 30) + get16(h + 32);
    if (!fill(total)) return false;
    if (!visit(buffer.data() + begin, total, offset)) return false;
    begin += total;
    offset += total;
  }
  return true;
}

std::vector<EndRecord> findEndRecords(ArchiveSource& source, int32_t* failure) {
  std::vector<EndRecord> found;
  const uint64_t size = source.size();
  if (size < kEndOfCentralSize) return found;
  const size_t tailSize =
      static_cast<size_t>(std::min<uint64_t>(size, kMaxCommentLength + kEndOfCentralSize + 1024));
  const uint64_t tailStart = size - tailSize;
  std::string tailBuffer(tailSize, '\0');
  if (!source.read(tailStart, tailBuffer.data(), tailSize)) {
    *failure = source.aborted() ? zipabi::zrAborted : zipabi::zrCannotAccess;
    return found;
  }
  const auto* tail = reinterpret_cast<const uint8_t*>(tailBuffer.data());
  // Candidates: every end-record signature in the tail. Those whose comment reaches exactly the
  // end of the file come first, earliest first, so a signature planted inside the real record's
  // comment is not believed; then the rest, latest first (trailing data after the archive).
  std::vector<size_t> exact, other;
  for (size_t pos = tailSize - kEndOfCentralSize + 1; pos-- > 0;) {
    if (get32(tail + pos) != kEndOfCentralSig) continue;
    uint64_t end = tailStart + pos + kEndOfCentralSize + get16(tail + pos + 20);
    if (end == size)
      exact.push_back(pos);
    else
      other.push_back(pos);
  }
  std::reverse(exact.begin(), exact.end());
  exact.insert(exact.end(), other.begin(), other.end());
  for (size_t pos : exact) {
    EndRecord end;
    parseEndRecord(source, tail, tailStart, pos, end);
    found.push_back(end);
  }
  return found;
}

int32_t readArchiveIndex(ArchiveSource& source, ArchiveIndex& index, bool allowSpanned,
                         const EntryVisitor* visit, const std::string& nameCharset) {
  index = ArchiveIndex{};
  int32_t firstFailure = zipabi::zrArchiveTooCorrupted;
  std::vector<EndRecord> candidates = findEndRecords(source, &firstFailure);
  for (const EndRecord& end : candidates) {
    if (allowSpanned && source.segmentCount() != static_cast<size_t>(end.disk) + 1 &&
        (source.segmentCount() > 1 || end.disk > 0)) {
      // The set has another number of segments than the files found: drop the strays or ask
      // for the missing ones, and read again, as every absolute position changes.
      if (end.disk > 0xFFFF || !source.limitSegments(end.disk))
        return source.aborted() ? zipabi::zrAborted : zipabi::zrCannotAccess;
      return readArchiveIndex(source, index, allowSpanned, visit, nameCharset);
    }
    int32_t result = zipabi::zrArchiveTooCorrupted;
    if (tryIndex(source, end, index, allowSpanned, visit, nameCharset, result)) return zipabi::zrOk;
    if (result == zipabi::zrAborted || result == zipabi::zrOutOfMemory) return result;
    if (firstFailure == zipabi::zrArchiveTooCorrupted) firstFailure = result;
  }
  index = ArchiveIndex{};
  return firstFailure;
}

}  // namespace zipeng
