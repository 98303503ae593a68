#include "core/repair_scanner.h"

#include <zlib.h>

#include <algorithm>
#include <map>
#include <memory>

#include "core/archive_index.h"
#include "core/compressor_deflate.h"
#include "core/zip_crypto.h"
#include "core/zip_format.h"

namespace zipeng {

namespace {

constexpr size_t kChunk = 64 * 1024;

// What checking an entry's data found.
struct DataCheck {
  bool ok = false;
  uint64_t consumed = 0;  // compressed bytes the stream used
  uint64_t produced = 0;
  uint32_t crc = 0;
};

class Scanner {
 public:
  Scanner(ArchiveSource& src, const RepairOptions& opt) : src_(src), opt_(opt) {}

  std::vector<RecoveredEntry> run(bool* aborted) {
    *aborted = false;
    ArchiveIndex index;
    if (readArchiveIndex(src_, index, false) == 0) {
      for (auto& e : index.entries) central_[e.localHeaderPosition] = e;
    }
    std::vector<RecoveredEntry> out;
    uint64_t pos = nextSignature(0);
    while (pos < src_.size()) {
      if (opt_.keepGoing && !opt_.keepGoing(pos)) {
        *aborted = true;
        break;
      }
      RecoveredEntry e;
      if (tryEntry(pos, e)) {
        uint64_t next = e.end;
        out.push_back(std::move(e));
        pos = next;
        continue;
      }
      if (opt_.aggressive) {
        pos = nextSignature(pos + 1);
      } else {
        // Past a damaged entry, the surviving directory still says where the next one starts.
        auto it = central_.upper_bound(pos);
        if (it == central_.end()) break;
        pos = it->first;
      }
    }
    return out;
  }

 private:
  bool read(uint64_t at, void* buf, size_t n) { return at <= src_.size() && n <= src_.size() - at && src_.read(at, buf, n); }

  // Position of the next local header signature at or after `from`, or the size when none.
  uint64_t nextSignature(uint64_t from) {
    uint64_t size = src_.size();
    if (from >= size) return size;
    std::vector<uint8_t> buf(static_cast<size_t>(std::min<uint64_t>(kChunk + 3, size - from)));
    while (from + 4 <= size) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), size - from));
      if (!read(from, buf.data(), n)) return size;
      for (size_t i = 0; i + 4 <= n; ++i)
        if (buf[i] == 'P' && buf[i + 1] == 'K' && buf[i + 2] == 3 && buf[i + 3] == 4) return from + i;
      if (n < 4) break;
      from += n - 3;
    }
    return size;
  }

  bool tryEntry(uint64_t pos, RecoveredEntry& e) {
    uint8_t h[kLocalHeaderSize];
    if (!read(pos, h, sizeof h) || get32(h) != kLocalHeaderSig) return false;
    e.start = pos;
    e.versionNeeded = get16(h + 4);
    e.flags = get16(h + 6);
    e.method = get16(h + 8);
    e.dosDateTime = (static_cast<uint32_t>(get16(h + 12)) << 16) | get16(h + 10);
    e.crc = get32(h + 14);
    e.compressedSize = get32(h + 18);
    e.size = get32(h + 22);
    uint16_t n = get16(h + 26), m = get16(h + 28);
    if (n == 0) return false;
    std::string nameExtra(n + m, '\0');
    if (!read(pos + kLocalHeaderSize, nameExtra.data(), nameExtra.size())) return false;
    e.rawName = nameExtra.substr(0, n);
    e.localExtra = nameExtra.substr(n);
    const uint8_t* z = nullptr;
    size_t zs = 0;
    bool zip64 = findExtraField(e.localExtra, kExtraZip64, &z, &zs);
    if (zip64) {
      ByteReader r(z, zs);
      if (e.size == k32Max) e.size = r.u64();
      if (e.compressedSize == k32Max) e.compressedSize = r.u64();
    }
    uint64_t dataStart = pos + kLocalHeaderSize + n + m;
    if (dataStart > src_.size()) return false;

    auto c = central_.find(pos);
    bool descriptor = (e.flags & kFlagDataDescriptor) != 0;
    bool sizesKnown = !descriptor || e.compressedSize != 0 || e.crc != 0;
    if (c != central_.end() && c->second.rawName == e.rawName) {
      const ZipEntry& ce = c->second;
      e.hasCentral = true;
      e.versionMadeBy = ce.versionMadeBy;
      e.internalAttributes = ce.internalAttributes;
      e.externalAttributes = ce.externalAttributes;
      e.centralExtra = ce.extra;
      e.comment = ce.comment;
      e.crc = ce.crc;
      e.compressedSize = ce.compressedSize;
      e.size = ce.uncompressedSize;
      sizesKnown = true;
    }
    bool encrypted = (e.flags & kFlagEncrypted) != 0;
    if (sizesKnown) {
      if (e.compressedSize > src_.size() - dataStart) return false;
      DataCheck d = checkData(e, dataStart, e.compressedSize);
      if (!d.ok) return false;
      e.end = dataStart + e.compressedSize;
      if (descriptor) e.end += descriptorLength(e.end, e.crc, e.compressedSize, e.size, zip64);
      return true;
    }
    // Sizes follow the data: find where it ends.
    if (e.method == kMethodDeflate && !encrypted) {
      DataCheck d = checkData(e, dataStart, src_.size() - dataStart);
      if (!d.ok) return false;
      e.crc = d.crc;
      e.compressedSize = d.consumed;
      e.size = d.produced;
      uint64_t len = descriptorLength(dataStart + d.consumed, d.crc, d.consumed, d.produced, zip64);
      if (len == 0) return false;  // the descriptor must agree with the data
      e.end = dataStart + d.consumed + len;
      return true;
    }
    return findDescriptor(e, dataStart, zip64);
  }

  // Length of a data descriptor at `at` that agrees with the entry, or 0.
  uint64_t descriptorLength(uint64_t at, uint32_t crc, uint64_t packed, uint64_t size, bool zip64) {
    uint8_t d[28] = {};
    size_t have = static_cast<size_t>(std::min<uint64_t>(sizeof d, src_.size() - std::min(at, src_.size())));
    if (have < 12 || !read(at, d, have)) return 0;
    size_t sig = get32(d) == kDataDescriptorSig ? 4 : 0;
    if (have >= sig + 12 && get32(d + sig) == crc) {
      bool narrowFits = get32(d + sig + 4) == static_cast<uint32_t>(packed) && get32(d + sig + 8) == static_cast<uint32_t>(size);
      bool wideFits = have >= sig + 20 && get64(d + sig + 4) == packed && get64(d + sig + 12) == size;
      if (zip64 && wideFits) return sig + 20;
      if (narrowFits) return sig + 12;
      if (wideFits) return sig + 20;
    }
    return 0;
  }

  // Stored or encrypted data with its sizes in a trailing descriptor: look for a descriptor
  // whose compressed size equals its distance from the data (and whose CRC fits, when the
  // data can be checked).
  bool findDescriptor(RecoveredEntry& e, uint64_t dataStart, bool zip64) {
    bool checkCrc = e.method == kMethodStored && !(e.flags & kFlagEncrypted);
    uint32_t running = 0;
    uint64_t at = dataStart;
    std::vector<uint8_t> buf(kChunk + 32);
    uint64_t size = src_.size();
    while (at + 16 <= size) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), size - at));
      if (!read(at, buf.data(), n)) return false;
      size_t limit = n >= 16 ? n - 16 : 0;
      if (at + n >= size) limit = n - 12;
      size_t scanned = 0;
      for (size_t i = 0; i <= limit && i + 12 <= n; ++i) {
        if (get32(buf.data() + i) == kDataDescriptorSig) {
          uint64_t dist = at + i - dataStart;
          uint32_t crc = checkCrc ? crc32(running, buf.data() + scanned, i - scanned) : 0;
          uint32_t dcrc = get32(buf.data() + i + 4);
          bool crcOk = !checkCrc || crc == dcrc;
          uint64_t packed = get32(buf.data() + i + 8);
          if (zip64 && i + 20 <= n) packed = get64(buf.data() + i + 8);
          if (crcOk && packed == dist) {
            e.compressedSize = dist;
            e.crc = dcrc;
            e.size = zip64 && i + 20 <= n ? get64(buf.data() + i + 16) : get32(buf.data() + i + 12);
            if (checkCrc && e.size != dist) continue;
            if (!checkData(e, dataStart, dist).ok) continue;
            e.end = at + i + (zip64 ? 24 : 16);
            return true;
          }
        }
      }
      size_t advance = limit + 1;
      if (checkCrc) running = crc32(running, buf.data(), advance);
      at += advance;
    }
    return false;
  }

  // Reads the data (decrypting and inflating as needed) and checks its CRC and size.
  DataCheck checkData(const RecoveredEntry& e, uint64_t dataStart, uint64_t available) {
    DataCheck r;
    bool encrypted = (e.flags & kFlagEncrypted) != 0;
    bool knownSizes = available == e.compressedSize;
    if (encrypted && opt_.password.empty()) {
      // Nothing to check the data with; the structure has to do.
      r.ok = knownSizes && available >= kCryptHeaderSize;
      r.consumed = available;
      r.produced = e.size;
      r.crc = e.crc;
      return r;
    }
    if (e.method != kMethodStored && e.method != kMethodDeflate) {
      r.ok = knownSizes;  // kept as stored; its own method is for the reader to judge
      r.consumed = available;
      r.produced = e.size;
      r.crc = e.crc;
      return r;
    }
    std::unique_ptr<ZipCrypto> crypto;
    uint64_t at = dataStart, left = available;
    if (encrypted) {
      uint8_t header[kCryptHeaderSize];
      if (left < kCryptHeaderSize || !read(at, header, sizeof header)) return r;
      crypto = std::make_unique<ZipCrypto>(opt_.password);
      crypto->decryptHeader(header);
      at += kCryptHeaderSize;
      left -= kCryptHeaderSize;
      r.consumed = kCryptHeaderSize;
    }
    std::vector<uint8_t> in(static_cast<size_t>(std::min<uint64_t>(kChunk, std::max<uint64_t>(left, 1)))), out(kChunk);
    uint32_t crc = 0;
    if (e.method == kMethodStored) {
      if (!knownSizes) return r;
      uint64_t produced = 0;
      while (left > 0) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(left, in.size()));
        if (!read(at, in.data(), n)) return r;
        if (crypto) crypto->decrypt(in.data(), n);
        crc = crc32(crc, in.data(), n);
        at += n;
        left -= n;
        produced += n;
      }
      r.consumed = available;
      r.produced = produced;
      r.crc = crc;
      r.ok = crc == e.crc && produced == e.size;
      return r;
    }
    z_stream zs{};
    if (inflateInit2(&zs, -15) != Z_OK) return r;
    uint64_t produced = 0;
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
      if (zs.avail_in == 0) {
        if (left == 0) break;
        size_t n = static_cast<size_t>(std::min<uint64_t>(left, in.size()));
        if (!read(at, in.data(), n)) break;
        if (crypto) crypto->decrypt(in.data(), n);
        at += n;
        left -= n;
        zs.next_in = in.data();
        zs.avail_in = static_cast<uInt>(n);
      }
      zs.next_out = out.data();
      zs.avail_out = static_cast<uInt>(out.size());
      rc = inflate(&zs, Z_NO_FLUSH);
      size_t got = out.size() - zs.avail_out;
      crc = crc32(crc, out.data(), got);
      produced += got;
      if (rc != Z_OK && rc != Z_STREAM_END) break;
      if (knownSizes && produced > e.size) break;  // more than it claims: damaged
    }
    uint64_t consumed = (available - left) - zs.avail_in;
    inflateEnd(&zs);
    if (rc != Z_STREAM_END) return r;
    r.consumed = consumed;
    r.produced = produced;
    r.crc = crc;
    r.ok = knownSizes ? (crc == e.crc && produced == e.size && consumed == available) : true;
    return r;
  }

  ArchiveSource& src_;
  const RepairOptions& opt_;
  std::map<uint64_t, ZipEntry> central_;
};

}  // namespace

std::vector<RecoveredEntry> scanForEntries(ArchiveSource& source, const RepairOptions& options, bool* aborted) {
  Scanner s(source, options);
  return s.run(aborted);
}

}  // namespace zipeng
