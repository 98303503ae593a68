#include "entry_reader.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "aes_cipher.h"
#include "archive_index.h"
#include "archive_source.h"
#include "deflate64.h"
#include "local_header.h"
#include "stream_decoders.h"
#include "zip_crypto.h"
#include "zip_format.h"

namespace zipeng {

uint8_t skipReasonOf(EntryStatus status) {
  switch (status) {
    case EntryStatus::UnknownMethod:
    case EntryStatus::OverMemoryLimit:
      return zipabi::zsrUnknownCompression;
    case EntryStatus::BadCrc:
      return zipabi::zsrBadCrc;
    case EntryStatus::BadPassword:
      return zipabi::zsrBadPassword;
    case EntryStatus::SinkFailed:
      return zipabi::zsrCannotOpen;
    case EntryStatus::OutOfMemory:
      return zipabi::zsrCorruptData;
    default:
      return zipabi::zsrCorruptData;
  }
}

namespace {
constexpr size_t kChunk = 1u << 20;              // streaming read size
constexpr uint64_t kProgressStep = 1u << 20;     // bytes between progress reports
constexpr uint64_t kPrefetchLimit = 256u << 10;  // entries read with their header in one go
}  // namespace

struct EntryReader::Impl {
  libdeflate_decompressor* decompressor = nullptr;
  std::vector<uint8_t> head;  // local header and, for small entries, their data
  std::vector<uint8_t> in;
  std::vector<uint8_t> out;
  // The last AES key derivation: its password, strength and salt, and what came out.
  std::string keysFor;
  uint8_t keys[AesCipher::kMaxDerived] = {};

  ~Impl() {
    if (decompressor) libdeflate_free_decompressor(decompressor);
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

EntryStatus readFailure(ArchiveSource& source) {
  return source.aborted() ? EntryStatus::Aborted : EntryStatus::Corrupt;
}
}  // namespace

bool EntryReader::passwordFits(ArchiveSource& source, const ZipEntry& entry, const std::string& password) {
  uint64_t dataPos = 0;
  uint16_t localDosTime = 0;
  if (!entry.encrypted() || entry.overlaps ||
      (!entry.aesStrength && entry.compressedSize < kCryptHeaderSize) ||
      !locateData(source, entry, dataPos, localDosTime))
    return false;
  if (entry.aesStrength) return aesKeys(source, entry, password, dataPos, nullptr) != nullptr;
  uint8_t header[kCryptHeaderSize];
  if (!source.read(dataPos, header, sizeof header)) return false;
  ZipCrypto crypto(password);
  return crypto.decryptHeader(header) ==
         ZipCrypto::checkByte(entry.crc, localDosTime, entry.hasDataDescriptor());
}

const uint8_t* EntryReader::aesKeys(ArchiveSource& source, const ZipEntry& entry, const std::string& password,
                                    uint64_t dataPos, const uint8_t* inMemory) {
  Impl& im = *impl_;
  const size_t lead = AesCipher::saltLength(entry.aesStrength) + AesCipher::kVerifierLength;
  if (lead == AesCipher::kVerifierLength || entry.compressedSize < AesCipher::overhead(entry.aesStrength))
    return nullptr;
  uint8_t saltAndVerifier[16 + AesCipher::kVerifierLength];
  if (inMemory)
    std::memcpy(saltAndVerifier, inMemory, lead);
  else if (!source.read(dataPos, saltAndVerifier, lead))
    return nullptr;
  std::string key = password;
  key.push_back('\0');
  key.push_back(static_cast<char>(entry.aesStrength));
  key.append(reinterpret_cast<const char*>(saltAndVerifier), lead - AesCipher::kVerifierLength);
  if (key != im.keysFor) {
    im.keysFor.clear();
    if (!AesCipher::deriveKeys(password, entry.aesStrength, saltAndVerifier, im.keys)) return nullptr;
    im.keysFor = std::move(key);
  }
  return AesCipher::verifierMatches(entry.aesStrength, im.keys, saltAndVerifier) ? im.keys : nullptr;
}

EntryStatus EntryReader::read(ArchiveSource& source, const ZipEntry& entry, const std::string& password,
                              const DataSink& sink, const ProgressFn& progress) {
  if (!entry.readable()) return EntryStatus::UnknownMethod;
  if (entry.overlaps) return EntryStatus::Corrupt;
  Impl& im = *impl_;

  // Stage 1, the source's bytes. Small entries: one read brings the local header and the data
  // together (archives of many tiny files are bound by system calls).
  const uint64_t at = entry.localHeaderPosition;
  LocalHeader local;
  uint8_t* inMemory = nullptr;
  if (entry.compressedSize <= kPrefetchLimit && at < source.size()) {
    size_t want = kLocalHeaderSize + entry.rawName.size() + entry.extra.size() + 256 +
                  static_cast<size_t>(entry.compressedSize);
    size_t n = static_cast<size_t>(std::min<uint64_t>(want, source.size() - at));
    if (!im.grow(im.head, n)) return EntryStatus::OutOfMemory;
    if (!source.read(at, im.head.data(), n)) return readFailure(source);
    if (!parseLocalHeader(im.head.data(), n, at, local)) {
      if (!readLocalHeader(source, at, local)) return readFailure(source);
    } else if (local.dataPosition - at <= n && entry.compressedSize <= n - (local.dataPosition - at)) {
      inMemory = im.head.data() + (local.dataPosition - at);
    }
  } else if (!readLocalHeader(source, at, local)) {
    return readFailure(source);
  }
  uint64_t dataPos = local.dataPosition;
  if (dataPos > source.size() || entry.compressedSize > source.size() - dataPos) return EntryStatus::Corrupt;

  // Stage 2, decryption.
  uint64_t packed = entry.compressedSize;
  std::unique_ptr<ZipCrypto> crypto;
  std::unique_ptr<AesCipher> aes;
  if (entry.aesStrength) {
    if (password.empty()) return EntryStatus::BadPassword;
    const size_t lead = AesCipher::saltLength(entry.aesStrength) + AesCipher::kVerifierLength;
    if (packed < AesCipher::overhead(entry.aesStrength)) return EntryStatus::Corrupt;
    const uint8_t* keys = aesKeys(source, entry, password, dataPos, inMemory);
    if (!keys) return source.aborted() ? EntryStatus::Aborted : EntryStatus::BadPassword;
    aes = std::make_unique<AesCipher>();
    if (!aes->init(entry.aesStrength, keys)) return EntryStatus::OutOfMemory;
    dataPos += lead;
    packed -= AesCipher::overhead(entry.aesStrength);
    if (inMemory) {
      inMemory += lead;
      if (!aes->decrypt(inMemory, static_cast<size_t>(packed))) return EntryStatus::OutOfMemory;
    }
  } else if (entry.encrypted()) {
    if (password.empty()) return EntryStatus::BadPassword;
    if (packed < kCryptHeaderSize) return EntryStatus::Corrupt;
    uint8_t header[kCryptHeaderSize];
    if (inMemory)
      std::memcpy(header, inMemory, sizeof header);
    else if (!source.read(dataPos, header, sizeof header))
      return readFailure(source);
    crypto = std::make_unique<ZipCrypto>(password);
    // With a data descriptor the check byte comes from the local header's DOS time.
    if (crypto->decryptHeader(header) !=
        ZipCrypto::checkByte(entry.crc, local.dosTime, entry.hasDataDescriptor()))
      return EntryStatus::BadPassword;
    dataPos += kCryptHeaderSize;
    packed -= kCryptHeaderSize;
    if (inMemory) {
      inMemory += kCryptHeaderSize;
      crypto->decrypt(inMemory, static_cast<size_t>(packed));
      crypto.reset();  // decrypted in place already
    }
  }

  // Stages 3 and 4, decompression and the check.
  DecodeRequest request;
  request.method = entry.dataMethod();
  request.dataPosition = dataPos;
  request.packed = packed;
  request.size = entry.uncompressedSize;
  request.crypto = crypto.get();
  request.aes = inMemory ? nullptr : aes.get();
  request.inMemory = inMemory;
  request.lzmaEndMarker = (entry.flags & 0x0002) != 0;
  DecodeResult result = decode(source, request, sink, progress);
  const bool undecodable = result.status == EntryStatus::Corrupt || result.status == EntryStatus::BadCrc;
  if (result.status != EntryStatus::Ok && !(aes && undecodable)) return result.status;
  if (aes) {
    // Data that will not decode is judged by the authentication code first: a failed code says
    // the bytes were changed, which is what the user needs to hear.
    // The code that closes the data covers every encrypted byte, also any the stream left unread.
    std::vector<uint8_t>& rest = im.in;
    for (uint64_t at = aes->processed(); at < packed;) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(packed - at, kChunk));
      if (!im.grow(rest, n)) return EntryStatus::OutOfMemory;
      if (!source.read(dataPos + at, rest.data(), n)) return readFailure(source);
      if (!aes->decrypt(rest.data(), n)) return EntryStatus::OutOfMemory;
      at += n;
    }
    uint8_t mac[AesCipher::kMacLength];
    if (inMemory)
      std::memcpy(mac, inMemory + packed, sizeof mac);
    else if (!source.read(dataPos + packed, mac, sizeof mac))
      return readFailure(source);
    if (!aes->authentic(mac)) return EntryStatus::BadCrc;
    if (result.status != EntryStatus::Ok) return result.status;
    // The second version of the scheme stores no CRC: the code is the check.
    if (entry.aesVersion == 2) return EntryStatus::Ok;
  }
  if (result.crc != entry.crc) return EntryStatus::BadCrc;
  return EntryStatus::Ok;
}

DecodeResult EntryReader::decode(ArchiveSource& source, const DecodeRequest& rq, const DataSink& sink,
                                 const ProgressFn& progress) {
  Impl& im = *impl_;
  DecodeResult r;
  const bool limitOutput = rq.sizesKnown;
  uint64_t nextProgress = kProgressStep;
  auto fail = [&](EntryStatus s) {
    r.status = s;
    return r;
  };
  auto emit = [&](const uint8_t* data, size_t n) -> EntryStatus {
    if (limitOutput && n > rq.size - r.produced) return EntryStatus::Corrupt;  // more data than declared
    r.crc = libdeflate_crc32(r.crc, data, n);
    if (n && sink && !sink(data, n)) return EntryStatus::SinkFailed;
    r.produced += n;
    if (progress && r.produced >= nextProgress) {
      nextProgress = r.produced + kProgressStep;
      if (!progress(r.produced)) return EntryStatus::Aborted;
    }
    return EntryStatus::Ok;
  };
  // The source stage with decryption: packed bytes [from, from + n) in clear.
  auto readPacked = [&](uint64_t from, uint8_t* buf, size_t n) -> bool {
    if (rq.inMemory) {
      std::memcpy(buf, rq.inMemory + from, n);
      return true;
    }
    if (!source.read(rq.dataPosition + from, buf, n)) return false;
    if (rq.crypto) rq.crypto->decrypt(buf, n);
    if (rq.aes && !rq.aes->decrypt(buf, n)) return false;
    return true;
  };

  if (rq.method == kMethodStored) {
    if (!rq.sizesKnown || rq.packed != rq.size) return fail(EntryStatus::Corrupt);
    if (rq.inMemory) {
      if (auto s = emit(rq.inMemory, static_cast<size_t>(rq.packed)); s != EntryStatus::Ok) return fail(s);
    } else {
      if (!im.grow(im.in, static_cast<size_t>(std::min<uint64_t>(rq.packed, kChunk))))
        return fail(EntryStatus::OutOfMemory);
      for (uint64_t at = 0; at < rq.packed;) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(rq.packed - at, kChunk));
        if (!readPacked(at, im.in.data(), n)) return fail(readFailure(source));
        if (auto s = emit(im.in.data(), n); s != EntryStatus::Ok) return fail(s);
        at += n;
      }
    }
    r.consumed = rq.packed;
  } else if (rq.method == kMethodDeflate && rq.sizesKnown && rq.packed <= kWholeBufferLimit &&
             rq.size <= kWholeBufferLimit && rq.size / 1032 <= rq.packed) {
    // (Deflate cannot expand more than about 1032 to 1: a larger claim is a lie, and the
    // streaming path below then finds it out without a buffer of the claimed size.)
    // Fits the bounded buffers: one call to the fast decompressor.
    if (!im.decompressor && !(im.decompressor = libdeflate_alloc_decompressor()))
      return fail(EntryStatus::OutOfMemory);
    if (!im.grow(im.out, static_cast<size_t>(rq.size) + 1)) return fail(EntryStatus::OutOfMemory);
    const uint8_t* input = rq.inMemory;
    if (!input) {
      if (!im.grow(im.in, static_cast<size_t>(rq.packed) + 1)) return fail(EntryStatus::OutOfMemory);
      if (rq.packed && !readPacked(0, im.in.data(), static_cast<size_t>(rq.packed)))
        return fail(readFailure(source));
      input = im.in.data();
    }
    size_t inUsed = 0, outGot = 0;
    // One spare byte of room tells "more output than declared" apart from an exact fit.
    auto rc =
        libdeflate_deflate_decompress_ex(im.decompressor, input, static_cast<size_t>(rq.packed),
                                         im.out.data(), static_cast<size_t>(rq.size) + 1, &inUsed, &outGot);
    if (rc != LIBDEFLATE_SUCCESS || outGot != rq.size) return fail(EntryStatus::Corrupt);
    if (auto s = emit(im.out.data(), outGot); s != EntryStatus::Ok) return fail(s);
    r.consumed = inUsed;
  } else if (rq.method == kMethodDeflate64) {
    // Our own decoder pulls its input and pushes its output.
    uint64_t at = 0;
    EntryStatus failure = EntryStatus::Ok;
    auto input = [&](uint8_t* buffer, size_t capacity) -> size_t {
      size_t n = static_cast<size_t>(std::min<uint64_t>(rq.packed - at, capacity));
      if (n && !readPacked(at, buffer, n)) {
        failure = readFailure(source);
        return 0;
      }
      at += n;
      return n;
    };
    auto output = [&](const uint8_t* data, size_t n) {
      failure = emit(data, n);
      return failure == EntryStatus::Ok;
    };
    Deflate64Result d = inflate64(input, output);
    if (failure != EntryStatus::Ok) return fail(failure);
    if (d.status == Deflate64Status::OutOfMemory) return fail(EntryStatus::OutOfMemory);
    if (d.status != Deflate64Status::End) return fail(EntryStatus::Corrupt);
    r.consumed = d.consumed;
  } else {
    StreamSettings settings;
    settings.method = rq.method;
    settings.sizeKnown = rq.sizesKnown;
    settings.size = rq.size;
    settings.lzmaEndMarker = rq.lzmaEndMarker;
    settings.concatenated = rq.sizesKnown;  // the packed size says where the data ends
    if (!im.grow(im.in, kChunk) || !im.grow(im.out, kChunk)) return fail(EntryStatus::OutOfMemory);
    const uint64_t held = im.head.capacity() + im.in.capacity() + im.out.capacity();
    settings.memoryLimit = held < kDecodeMemoryLimit ? kDecodeMemoryLimit - held : 0;
    bool noMemory = false;
    std::unique_ptr<StreamDecoder> decoder = makeStreamDecoder(settings, &noMemory);
    if (!decoder) return fail(noMemory ? EntryStatus::OutOfMemory : EntryStatus::UnknownMethod);
    uint64_t at = 0;
    const uint8_t* in = nullptr;
    size_t inLeft = 0;
    for (;;) {
      if (inLeft == 0 && at < rq.packed) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(rq.packed - at, kChunk));
        if (!readPacked(at, im.in.data(), n)) return fail(readFailure(source));
        at += n;
        in = im.in.data();
        inLeft = n;
      }
      uint8_t* out = im.out.data();
      size_t outLeft = kChunk;
      StreamDecoder::Step step = decoder->run(in, inLeft, out, outLeft, at >= rq.packed);
      if (step == StreamDecoder::Step::OutOfMemory) return fail(EntryStatus::OutOfMemory);
      if (step == StreamDecoder::Step::OverMemoryLimit) return fail(EntryStatus::OverMemoryLimit);
      if (step == StreamDecoder::Step::Corrupt) return fail(EntryStatus::Corrupt);
      if (step == StreamDecoder::Step::CheckFailed) return fail(EntryStatus::BadCrc);
      size_t got = kChunk - outLeft;
      if (auto s = emit(im.out.data(), got); s != EntryStatus::Ok) return fail(s);
      if (step == StreamDecoder::Step::End) break;
      // All input used and nothing more came out, though the output had room: the stream is cut
      // short. (With the output full, a decoder may still owe output for input it already took.)
      if (got == 0 && inLeft == 0 && at >= rq.packed) return fail(EntryStatus::Corrupt);
    }
    r.consumed = at - inLeft;
  }
  if (limitOutput && r.produced != rq.size) return fail(EntryStatus::Corrupt);
  return r;
}

}  // namespace zipeng
