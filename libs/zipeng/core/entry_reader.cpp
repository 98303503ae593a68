#include "entry_reader.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "archive_index.h"
#include "archive_source.h"
#include "local_header.h"
#include "zip_crypto.h"
#include "zip_format.h"

namespace zipeng {

uint8_t skipReasonOf(EntryStatus status) {
  switch (status) {
    case EntryStatus::UnknownMethod: return zipabi::zsrUnknownCompression;
    case EntryStatus::BadCrc: return zipabi::zsrBadCrc;
    case EntryStatus::BadPassword: return zipabi::zsrBadPassword;
    case EntryStatus::SinkFailed: return zipabi::zsrCannotOpen;
    default: return zipabi::zsrCorruptData;
  }
}

namespace {
constexpr size_t kChunk = 1u << 20;          // streaming read size
constexpr uint64_t kProgressStep = 1u << 20;  // bytes between progress reports
constexpr uint64_t kPrefetchLimit = 256u << 10;  // entries read with their header in one go
}  // namespace

struct EntryReader::Impl {
  libdeflate_decompressor* decompressor = nullptr;
  std::vector<uint8_t> head;  // local header and, for small entries, their data
  std::vector<uint8_t> in;
  std::vector<uint8_t> out;
  z_stream zs{};
  bool zsReady = false;

  ~Impl() {
    if (decompressor) libdeflate_free_decompressor(decompressor);
    if (zsReady) inflateEnd(&zs);
  }
  bool grow(std::vector<uint8_t>& v, size_t n) {
    try {
      if (v.size() < n) v.resize(n);
      return true;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
};

EntryReader::EntryReader() : impl_(std::make_unique<Impl>()) {}
EntryReader::~EntryReader() = default;

namespace {
// Where the entry's (possibly encrypted) data starts; checks the local header agrees enough.
bool locateData(ArchiveSource& source, const ZipEntry& entry, uint64_t& dataPos, uint16_t& localDosTime) {
  LocalHeader local;
  if (!readLocalHeader(source, entry.localHeaderPosition, local)) return false;
  dataPos = local.dataPosition;
  localDosTime = local.dosTime;
  if (dataPos > source.size() || entry.compressedSize > source.size() - dataPos) return false;
  return true;
}
}  // namespace

bool EntryReader::passwordFits(ArchiveSource& source, const ZipEntry& entry, const std::string& password) {
  uint64_t dataPos;
  uint16_t localDosTime;
  if (!entry.encrypted() || entry.overlaps || entry.compressedSize < kCryptHeaderSize ||
      !locateData(source, entry, dataPos, localDosTime))
    return false;
  uint8_t header[kCryptHeaderSize];
  if (!source.read(dataPos, header, sizeof header)) return false;
  ZipCrypto crypto(password);
  return crypto.decryptHeader(header) == ZipCrypto::checkByte(entry.crc, localDosTime, entry.hasDataDescriptor());
}

EntryStatus EntryReader::read(ArchiveSource& source, const ZipEntry& entry, const std::string& password,
                              const DataSink& sink, const ProgressFn& progress) {
  if (entry.method != kMethodStored && entry.method != kMethodDeflate) return EntryStatus::UnknownMethod;
  if (entry.flags & kFlagStrongEncryption) return EntryStatus::UnknownMethod;
  if (entry.overlaps) return EntryStatus::Corrupt;
  Impl& im = *impl_;

  // Small entries: one read brings the local header and the data together (archives of many
  // tiny files are bound by system calls).
  uint8_t* inMemory = nullptr;
  uint64_t dataPos = 0;
  uint16_t localDosTime = entry.dosTime;
  const uint64_t at = entry.localHeaderPosition;
  if (entry.compressedSize <= kPrefetchLimit && at < source.size()) {
    size_t want = kLocalHeaderSize + entry.rawName.size() + entry.extra.size() + 256 + static_cast<size_t>(entry.compressedSize);
    size_t n = static_cast<size_t>(std::min<uint64_t>(want, source.size() - at));
    if (!im.grow(im.head, n)) return EntryStatus::Corrupt;
    if (!source.read(at, im.head.data(), n)) return source.aborted() ? EntryStatus::Aborted : EntryStatus::Corrupt;
    const uint8_t* h = im.head.data();
    if (n < kLocalHeaderSize || get32(h) != kLocalHeaderSig) return EntryStatus::Corrupt;
    size_t offset = kLocalHeaderSize + get16(h + 26) + get16(h + 28);
    if (offset <= n && entry.compressedSize <= n - offset) {
      inMemory = im.head.data() + offset;
      dataPos = at + offset;
      localDosTime = get16(h + 10);
    }
  }
  if (!inMemory) {
    LocalHeader local;
    if (!readLocalHeader(source, at, local)) return source.aborted() ? EntryStatus::Aborted : EntryStatus::Corrupt;
    dataPos = local.dataPosition;
    if (dataPos > source.size() || entry.compressedSize > source.size() - dataPos) return EntryStatus::Corrupt;
    localDosTime = local.dosTime;
  }

  uint64_t packed = entry.compressedSize;
  std::unique_ptr<ZipCrypto> crypto;
  if (entry.encrypted()) {
    if (password.empty()) return EntryStatus::BadPassword;
    if (packed < kCryptHeaderSize) return EntryStatus::Corrupt;
    uint8_t header[kCryptHeaderSize];
    if (inMemory) std::memcpy(header, inMemory, sizeof header);
    else if (!source.read(dataPos, header, sizeof header)) return EntryStatus::Corrupt;
    crypto = std::make_unique<ZipCrypto>(password);
    uint8_t check = crypto->decryptHeader(header);
    // With a data descriptor the check byte comes from the local header's DOS time.
    if (check != ZipCrypto::checkByte(entry.crc, localDosTime, entry.hasDataDescriptor())) return EntryStatus::BadPassword;
    dataPos += kCryptHeaderSize;
    if (inMemory) inMemory += kCryptHeaderSize;
    packed -= kCryptHeaderSize;
    if (inMemory) {
      crypto->decrypt(inMemory, static_cast<size_t>(packed));
      crypto.reset();  // decrypted in place already
    }
  }
  const uint64_t size = entry.uncompressedSize;
  uint32_t crc = 0;
  uint64_t produced = 0;
  uint64_t nextProgress = kProgressStep;
  auto emit = [&](const uint8_t* data, size_t n) -> EntryStatus {
    if (produced + n > size) return EntryStatus::Corrupt;  // more data than declared
    crc = libdeflate_crc32(crc, data, n);
    if (n && !sink(data, n)) return EntryStatus::SinkFailed;
    produced += n;
    if (progress && produced >= nextProgress) {
      nextProgress = produced + kProgressStep;
      if (!progress(produced)) return EntryStatus::Aborted;
    }
    return EntryStatus::Ok;
  };
  auto readPacked = [&](uint64_t from, uint8_t* buf, size_t n) -> bool {
    if (inMemory) {
      std::memcpy(buf, inMemory + from, n);
      return true;
    }
    if (!source.read(dataPos + from, buf, n)) return false;
    if (crypto) crypto->decrypt(buf, n);
    return true;
  };

  if (entry.method == kMethodStored && inMemory) {
    if (packed != size) return EntryStatus::Corrupt;
    if (auto s = emit(inMemory, static_cast<size_t>(packed)); s != EntryStatus::Ok) return s;
  } else if (entry.method == kMethodStored) {
    if (packed != size) return EntryStatus::Corrupt;
    if (!im.grow(im.in, static_cast<size_t>(std::min<uint64_t>(packed, kChunk)))) return EntryStatus::Corrupt;
    for (uint64_t at = 0; at < packed;) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(packed - at, kChunk));
      if (!readPacked(at, im.in.data(), n)) return source.aborted() ? EntryStatus::Aborted : EntryStatus::Corrupt;
      if (auto s = emit(im.in.data(), n); s != EntryStatus::Ok) return s;
      at += n;
    }
  } else if (packed <= kWholeBufferLimit && size <= kWholeBufferLimit && size / 1032 <= packed) {
    // (Deflate cannot expand more than about 1032 to 1: a larger claim is a lie, and the
    // streaming path below then finds it out without a buffer of the claimed size.)
    // Fits the bounded buffers: one call to the fast decompressor.
    if (!im.decompressor && !(im.decompressor = libdeflate_alloc_decompressor())) return EntryStatus::Corrupt;
    if (!im.grow(im.out, static_cast<size_t>(size) + 1)) return EntryStatus::Corrupt;
    const uint8_t* input = inMemory;
    if (!input) {
      if (!im.grow(im.in, static_cast<size_t>(packed) + 1)) return EntryStatus::Corrupt;
      if (packed && !readPacked(0, im.in.data(), static_cast<size_t>(packed)))
        return source.aborted() ? EntryStatus::Aborted : EntryStatus::Corrupt;
      input = im.in.data();
    }
    size_t inUsed = 0, outGot = 0;
    // One spare byte of room tells "more output than declared" apart from an exact fit.
    auto rc = libdeflate_deflate_decompress_ex(im.decompressor, input, static_cast<size_t>(packed),
                                               im.out.data(), static_cast<size_t>(size) + 1, &inUsed, &outGot);
    if (rc != LIBDEFLATE_SUCCESS || outGot != size) return EntryStatus::Corrupt;
    if (auto s = emit(im.out.data(), outGot); s != EntryStatus::Ok) return s;
  } else {
    if (!im.grow(im.in, kChunk) || !im.grow(im.out, kChunk)) return EntryStatus::Corrupt;
    if (!im.zsReady) {
      if (inflateInit2(&im.zs, -MAX_WBITS) != Z_OK) return EntryStatus::Corrupt;
      im.zsReady = true;
    } else {
      inflateReset(&im.zs);
    }
    z_stream& zs = im.zs;
    uint64_t at = 0;
    int zr = Z_OK;
    zs.avail_in = 0;
    while (zr != Z_STREAM_END) {
      if (zs.avail_in == 0) {
        if (at >= packed) return EntryStatus::Corrupt;  // stream cut short
        size_t n = static_cast<size_t>(std::min<uint64_t>(packed - at, kChunk));
        if (!readPacked(at, im.in.data(), n)) return source.aborted() ? EntryStatus::Aborted : EntryStatus::Corrupt;
        at += n;
        zs.next_in = im.in.data();
        zs.avail_in = static_cast<uInt>(n);
      }
      zs.next_out = im.out.data();
      zs.avail_out = static_cast<uInt>(kChunk);
      zr = inflate(&zs, Z_NO_FLUSH);
      if (zr != Z_OK && zr != Z_STREAM_END && zr != Z_BUF_ERROR) return EntryStatus::Corrupt;
      size_t got = kChunk - zs.avail_out;
      if (zr == Z_BUF_ERROR && got == 0 && zs.avail_in != 0) return EntryStatus::Corrupt;
      if (auto s = emit(im.out.data(), got); s != EntryStatus::Ok) return s;
    }
  }
  if (produced != size) return EntryStatus::Corrupt;
  if (crc != entry.crc) return EntryStatus::BadCrc;
  return EntryStatus::Ok;
}

}  // namespace zipeng
