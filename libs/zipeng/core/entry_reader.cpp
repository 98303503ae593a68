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

namespace zipcore {

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
}  // namespace

struct EntryReader::Impl {
  libdeflate_decompressor* decompressor = nullptr;
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
bool locateData(ArchiveSource& source, const ZipEntry& entry, uint64_t& dataPos) {
  LocalHeader local;
  if (!readLocalHeader(source, entry.localHeaderPosition, local)) return false;
  dataPos = local.dataPosition;
  if (dataPos > source.size() || entry.compressedSize > source.size() - dataPos) return false;
  return true;
}
}  // namespace

bool EntryReader::passwordFits(ArchiveSource& source, const ZipEntry& entry, const std::string& password) {
  uint64_t dataPos;
  if (!entry.encrypted() || entry.compressedSize < kCryptHeaderSize || !locateData(source, entry, dataPos))
    return false;
  uint8_t header[kCryptHeaderSize];
  if (!source.read(dataPos, header, sizeof header)) return false;
  ZipCrypto crypto(password);
  return crypto.decryptHeader(header) == ZipCrypto::checkByte(entry.crc, entry.dosTime, entry.hasDataDescriptor());
}

EntryStatus EntryReader::read(ArchiveSource& source, const ZipEntry& entry, const std::string& password,
                              const DataSink& sink, const ProgressFn& progress) {
  if (entry.method != kMethodStored && entry.method != kMethodDeflate) return EntryStatus::UnknownMethod;
  if (entry.flags & kFlagStrongEncryption) return EntryStatus::UnknownMethod;
  if (entry.overlaps) return EntryStatus::Corrupt;
  uint64_t dataPos;
  if (!locateData(source, entry, dataPos)) return source.aborted() ? EntryStatus::Aborted : EntryStatus::Corrupt;

  uint64_t packed = entry.compressedSize;
  std::unique_ptr<ZipCrypto> crypto;
  if (entry.encrypted()) {
    if (password.empty()) return EntryStatus::BadPassword;
    if (packed < kCryptHeaderSize) return EntryStatus::Corrupt;
    uint8_t header[kCryptHeaderSize];
    if (!source.read(dataPos, header, sizeof header)) return EntryStatus::Corrupt;
    crypto = std::make_unique<ZipCrypto>(password);
    // The DOS time used for the check byte is the stored one, not the extended timestamp.
    uint8_t check = crypto->decryptHeader(header);
    uint16_t dosTime = entry.dosTime;
    LocalHeader local;
    if (entry.hasDataDescriptor() && readLocalHeader(source, entry.localHeaderPosition, local)) dosTime = local.dosTime;
    if (check != ZipCrypto::checkByte(entry.crc, dosTime, entry.hasDataDescriptor())) return EntryStatus::BadPassword;
    dataPos += kCryptHeaderSize;
    packed -= kCryptHeaderSize;
  }
  const uint64_t size = entry.uncompressedSize;
  Impl& im = *impl_;
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
  auto readPacked = [&](uint64_t at, uint8_t* buf, size_t n) -> bool {
    if (!source.read(dataPos + at, buf, n)) return false;
    if (crypto) crypto->decrypt(buf, n);
    return true;
  };

  if (entry.method == kMethodStored) {
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
    if (!im.grow(im.in, static_cast<size_t>(packed) + 1) || !im.grow(im.out, static_cast<size_t>(size) + 1))
      return EntryStatus::Corrupt;
    if (packed && !readPacked(0, im.in.data(), static_cast<size_t>(packed)))
      return source.aborted() ? EntryStatus::Aborted : EntryStatus::Corrupt;
    size_t inUsed = 0, outGot = 0;
    // One spare byte of room tells "more output than declared" apart from an exact fit.
    auto rc = libdeflate_deflate_decompress_ex(im.decompressor, im.in.data(), static_cast<size_t>(packed),
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

}  // namespace zipcore
