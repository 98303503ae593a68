#include "core/compressor_deflate.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <vector>

#include "core/aes_cipher.h"
#include "core/compressor_blocks.h"
#include "core/incompressible.h"
#include "core/unique_fd.h"
#include "core/zip_crypto.h"
#include "zipengine_abi.h"

namespace zipeng {

namespace {

uint8_t reasonForErrno(int err) {
  return err == ENOENT || err == ENOTDIR ? 0 : 4;
}

// Opens a source file to read. Only a regular file is taken: a name swapped for a pipe or a
// device after the folder walk would block the add or never end. -1 with errno set otherwise.
UniqueFd openSource(const std::string& path) {
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return fd;
  struct stat st {};
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    errno = EACCES;
    return UniqueFd();
  }
  return fd;
}

// Reads the whole file into `out`; false with errno set on failure. `tooLarge` when it
// outgrows the limit (it may have grown since it was listed).
bool readWhole(int fd, uint64_t hint, std::string& out, bool& tooLarge) {
  tooLarge = false;
  const size_t limit = static_cast<size_t>(largeFileSizes().wholeFileLimit);
  size_t cap = static_cast<size_t>(std::min<uint64_t>(hint, limit)) + 1;
  out.resize(cap);
  size_t have = 0;
  for (;;) {
    if (have == out.size()) {
      if (out.size() > limit) {
        tooLarge = true;
        return true;
      }
      out.resize(std::min<size_t>(out.size() * 2, limit + 1));
    }
    ssize_t n = ::read(fd, out.data() + have, out.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    have += static_cast<size_t>(n);
  }
  out.resize(have);
  return true;
}

void encrypt(const std::string& password, uint8_t check, std::string& data) {
  ZipCrypto crypto(password);
  std::string out(kCryptHeaderSize + data.size(), '\0');
  auto* p = reinterpret_cast<uint8_t*>(out.data());
  crypto.makeHeader(p, check);
  memcpy(p + kCryptHeaderSize, data.data(), data.size());
  crypto.encrypt(p + kCryptHeaderSize, data.size());
  data.swap(out);
}

// Salt and verifier, the encrypted data, then the MAC. False when the random source or the
// library fails.
bool encryptAes(const std::string& password, uint8_t strength, std::string& data) {
  AesCipher cipher;
  std::string out;
  if (!cipher.start(password, strength, out)) return false;
  const size_t lead = out.size();
  out.resize(lead + data.size() + AesCipher::kMacLength);
  auto* p = reinterpret_cast<uint8_t*>(out.data());
  memcpy(p + lead, data.data(), data.size());
  if (!cipher.encrypt(p + lead, data.size()) || !cipher.finish(p + lead + data.size())) return false;
  data.swap(out);
  return true;
}

bool encrypting(const CompressJob& job) {
  return job.password && !job.password->empty();
}

const LargeFileSizes defaultSizes;
const LargeFileSizes* currentSizes = &defaultSizes;

}  // namespace

const LargeFileSizes& largeFileSizes() {
  return *currentSizes;
}
void setLargeFileSizes(const LargeFileSizes* sizes) {
  currentSizes = sizes ? sizes : &defaultSizes;
}

uint32_t crc32(uint32_t crc, const void* data, size_t size) {
  return libdeflate_crc32(crc, data, size);
}

DeflateWorker::DeflateWorker() = default;

DeflateWorker::~DeflateWorker() {
  for (auto* c : compressors_)
    if (c) libdeflate_free_compressor(c);
}

CompressedData DeflateWorker::compressWhole(const CompressJob& job) {
  CompressedData r;
  if (job.expectedSize > largeFileSizes().wholeFileLimit) {
    r.streamed = true;
    return r;
  }
  UniqueFd fd = openSource(job.path);
  if (!fd) {
    r.skipReason = reasonForErrno(errno);
    return r;
  }
  std::string& input = input_;
  bool tooLarge = false;
  bool ok = readWhole(fd.get(), job.expectedSize, input, tooLarge);
  int err = errno;
  fd.reset();
  if (!ok) {
    r.skipReason = reasonForErrno(err);
    return r;
  }
  if (tooLarge) {
    r.streamed = true;
    return r;
  }
  return compressBuffer(job, reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

CompressedData DeflateWorker::compressBuffer(const CompressJob& job, const uint8_t* data, size_t size) {
  CompressedData r;
  r.size = size;
  r.crc = crc32(0, data, size);
  bool stored = job.store || job.level <= 0 || size == 0;
  if (!stored) {
    int level = std::min(job.level, 9);
    auto*& c = compressors_[level];
    if (!c) c = libdeflate_alloc_compressor(level);
    auto*& fast = compressors_[1];
    if (!fast) fast = libdeflate_alloc_compressor(1);
    if (!c || !fast) {
      stored = true;
    } else {
      // Room for exactly the input: what does not shrink is stored instead. What looks
      // incompressible is tried at the fastest level only, and random bytes not at all.
      InputLook look = lookAtInput(fast, data, size);
      size_t n = 0;
      if (look != InputLook::Random) {
        r.data.resize(size);
        n = libdeflate_deflate_compress(look == InputLook::Fastest ? fast : c, data, size, r.data.data(),
                                        size);
      }
      if (n == 0) {
        stored = true;
      } else {
        r.data.resize(n);
        r.method = kMethodDeflate;
      }
    }
  }
  if (stored) {
    r.method = kMethodStored;
    r.data.assign(reinterpret_cast<const char*>(data), size);
  }
  if (encrypting(job) && job.aesStrength) {
    if (!encryptAes(*job.password, job.aesStrength, r.data)) {
      r.data.clear();
      r.error = zipabi::zrOutOfMemory;  // the crypto library or the random source failed
      return r;
    }
    r.aesStrength = job.aesStrength;
    r.flags |= kFlagEncrypted;
  } else if (encrypting(job)) {
    encrypt(*job.password, ZipCrypto::checkByte(r.crc, 0, false), r.data);
    r.flags |= kFlagEncrypted;
  }
  return r;
}

int streamCompressFile(const CompressJob& job, WriterEntry& entry, ArchiveSink& sink,
                       const std::function<bool(int)>& progress, TaskRunner* runner) {
  UniqueFd fd = openSource(job.path);
  if (!fd) return -1 - reasonForErrno(errno);
  struct stat st {};
  fstat(fd.get(), &st);
  uint64_t total = static_cast<uint64_t>(st.st_size);
  const bool aes = encrypting(job) && job.aesStrength;
  const bool encrypt = encrypting(job) && !aes;  // traditional: the check byte needs a descriptor
  bool stored = job.store || job.level <= 0;
  // Deflate can outgrow incompressible input by about one byte in 13,000 (stored blocks, and the
  // joins of our own blocks): the header must have room for ZIP64 sizes before they are known.
  uint64_t largest = std::max<uint64_t>(total, job.expectedSize);
  bool zip64Local = needsZip64Local(stored ? largest : largest + largest / 8192);

  entry.method = stored ? kMethodStored : kMethodDeflate;
  entry.flags =
      static_cast<uint16_t>((entry.flags & kFlagUtf8) | (encrypt ? kFlagEncrypted | kFlagDataDescriptor : 0));
  entry.crc = 0;
  entry.size = entry.compressedSize = 0;
  if (aes) markAesEntry(entry, job.aesStrength, entry.method);
  if (zip64Local) entry.versionNeeded = std::max<uint16_t>(entry.versionNeeded, 45);
  std::string header = buildLocalHeader(entry, zip64Local);
  if (!sink.writeWhole(header)) {
    return sink.error();
  }
  // WriteWhole may have begun a new segment: the header starts where it ended, less itself.
  SinkPos headerAt{sink.pos().disk, sink.pos().offset - header.size()};
  entry.diskStart = headerAt.disk;
  entry.localOffset = headerAt.offset;

  std::unique_ptr<ZipCrypto> crypto;
  std::unique_ptr<AesCipher> cipher;
  uint64_t packed = 0;
  if (aes) {
    cipher = std::make_unique<AesCipher>();
    std::string lead;
    if (!cipher->start(*job.password, job.aesStrength, lead)) return zipabi::zrOutOfMemory;
    if (!sink.write(reinterpret_cast<const uint8_t*>(lead.data()), lead.size())) return sink.error();
    packed += lead.size();
  }
  if (encrypt) {
    crypto = std::make_unique<ZipCrypto>(*job.password);
    uint8_t header[kCryptHeaderSize];
    crypto->makeHeader(header,
                       ZipCrypto::checkByte(0, static_cast<uint16_t>(entry.dosDateTime & 0xFFFF), true));
    if (!sink.write(header, sizeof header)) {
      return sink.error();
    }
    packed += kCryptHeaderSize;
  }

  uint32_t crc = 0;
  uint64_t done = 0;
  int result = 0;
  int lastPercent = -1;
  bool cipherFailed = false;
  auto emit = [&](uint8_t* p, size_t n) {
    if (n == 0) return true;
    if (crypto) crypto->encrypt(p, n);
    if (cipher && !cipher->encrypt(p, n)) {
      cipherFailed = true;
      return false;
    }
    packed += n;
    return sink.write(p, n);
  };
  // After each piece of input: the percentage, whenever it changes.
  auto advance = [&](uint64_t n) {
    done += n;
    int percent = total ? static_cast<int>(std::min<uint64_t>(100, done * 100 / total)) : 100;
    if (percent == lastPercent) return true;
    lastPercent = percent;
    return !progress || progress(percent);
  };
  if (stored) {
    constexpr size_t kChunk = 1 << 20;
    std::vector<uint8_t> in(kChunk);
    for (bool eof = false; !eof;) {
      ssize_t n = ::read(fd.get(), in.data(), in.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        result = -1 - 4;
        break;
      }
      eof = n == 0;
      crc = crc32(crc, in.data(), static_cast<size_t>(n));
      if (!emit(in.data(), static_cast<size_t>(n))) {
        result = cipherFailed ? zipabi::zrOutOfMemory : sink.error();
        break;
      }
      if (!advance(static_cast<uint64_t>(n))) {
        result = zipabi::zrAborted;
        break;
      }
    }
  } else {
    // Written in order while the blocks after it are being compressed.
    BlockDeflater blocks(fd.get(), job.level, largeFileSizes().blockSize, total, runner);
    DeflatedBlock block;
    for (bool last = false; !last;) {
      blocks.next(block);
      if (block.failure) {
        result = block.failure;
        break;
      }
      last = block.last;
      crc = static_cast<uint32_t>(crc32_combine(crc, block.crc, static_cast<z_off_t>(block.size)));
      if (!emit(reinterpret_cast<uint8_t*>(block.data.data()), block.data.size())) {
        result = cipherFailed ? zipabi::zrOutOfMemory : sink.error();
        break;
      }
      if (!advance(block.size)) {
        result = zipabi::zrAborted;
        break;
      }
    }
  }
  if (result) return result;

  if (cipher) {
    uint8_t mac[AesCipher::kMacLength];
    if (!cipher->finish(mac)) return zipabi::zrOutOfMemory;
    if (!sink.write(mac, sizeof mac)) return sink.error();
    packed += sizeof mac;
  }
  entry.crc = cipher ? 0 : crc;  // AE-2: the MAC stands for the CRC
  entry.size = done;
  entry.compressedSize = packed;
  if (encrypt) {
    if (!sink.writeWhole(buildDataDescriptor(entry, zip64Local))) return sink.error();
  } else if (!sink.patch(headerAt, buildLocalHeader(entry, zip64Local))) {
    return sink.error() ? sink.error() : zipabi::zrTempFileProblem;
  }
  return 0;
}

}  // namespace zipeng
