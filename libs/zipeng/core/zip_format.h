// ZIP container constants and little-endian byte access, shared by reading and writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace zipeng {

// Record signatures.
inline constexpr uint32_t kLocalHeaderSig = 0x04034b50;
inline constexpr uint32_t kCentralHeaderSig = 0x02014b50;
inline constexpr uint32_t kEndOfCentralSig = 0x06054b50;
inline constexpr uint32_t kZip64EndSig = 0x06064b50;
inline constexpr uint32_t kZip64LocatorSig = 0x07064b50;
inline constexpr uint32_t kDataDescriptorSig = 0x08074b50;
inline constexpr uint32_t kSpannedMarkerSig = 0x08074b50;  // first 4 bytes of a split set's first segment

// Fixed record sizes (without their variable parts).
inline constexpr size_t kLocalHeaderSize = 30;
inline constexpr size_t kCentralHeaderSize = 46;
inline constexpr size_t kEndOfCentralSize = 22;
inline constexpr size_t kZip64EndSize = 56;
inline constexpr size_t kZip64LocatorSize = 20;
inline constexpr size_t kMaxCommentLength = 65535;

// General purpose flag bits.
inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr uint16_t kFlagStrongEncryption = 0x0040;
inline constexpr uint16_t kFlagUtf8 = 0x0800;

// Methods.
inline constexpr uint16_t kMethodStored = 0;
inline constexpr uint16_t kMethodDeflate = 8;
inline constexpr uint16_t kMethodDeflate64 = 9;
inline constexpr uint16_t kMethodBzip2 = 12;
inline constexpr uint16_t kMethodLzma = 14;
inline constexpr uint16_t kMethodZstd = 93;
inline constexpr uint16_t kMethodXz = 95;
inline constexpr uint16_t kMethodAes = 99;  // the real method is in the AES extra field

// Whether the read side can decompress `method`.
inline bool isReadableMethod(uint16_t method) {
  switch (method) {
    case kMethodStored:
    case kMethodDeflate:
    case kMethodDeflate64:
    case kMethodBzip2:
    case kMethodLzma:
    case kMethodZstd:
    case kMethodXz:
      return true;
    default:
      return false;
  }
}

// "Version made by" high byte.
inline constexpr uint8_t kHostDos = 0;
inline constexpr uint8_t kHostUnix = 3;
inline constexpr uint8_t kHostNtfs = 10;
inline constexpr uint8_t kHostVfat = 14;

// Extra field tags.
inline constexpr uint16_t kExtraZip64 = 0x0001;
inline constexpr uint16_t kExtraExtendedTime = 0x5455;
inline constexpr uint16_t kExtraUnicodePath = 0x7075;
inline constexpr uint16_t kExtraUnicodeComment = 0x6375;
inline constexpr uint16_t kExtraInfoZipUnix = 0x7875;
inline constexpr uint16_t kExtraOldUnix = 0x5855;  // access and modification times, unsigned
inline constexpr uint16_t kExtraNtfs = 0x000a;
inline constexpr uint16_t kExtraAes = 0x9901;

inline constexpr uint32_t k32Max = 0xFFFFFFFFu;
inline constexpr uint16_t k16Max = 0xFFFFu;

// Traditional encryption header before the data.
inline constexpr size_t kCryptHeaderSize = 12;

inline uint16_t get16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t get64(const uint8_t* p) {
  return static_cast<uint64_t>(get32(p)) | (static_cast<uint64_t>(get32(p + 4)) << 32);
}

inline void put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void put64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Appending writers for building records in a std::string.
inline void append16(std::string& out, uint16_t v) {
  uint8_t b[2];
  put16(b, v);
  out.append(reinterpret_cast<const char*>(b), 2);
}
inline void append32(std::string& out, uint32_t v) {
  uint8_t b[4];
  put32(b, v);
  out.append(reinterpret_cast<const char*>(b), 4);
}
inline void append64(std::string& out, uint64_t v) {
  uint8_t b[8];
  put64(b, v);
  out.append(reinterpret_cast<const char*>(b), 8);
}

// Bounded sequential reader over a byte range; reads past the end yield zero and set `ok` false,
// so parsers check once at the end instead of before every field.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  size_t remaining() const { return static_cast<size_t>(end_ - p_); }
  bool ok() const { return ok_; }
  const uint8_t* position() const { return p_; }
  bool need(size_t n) {
    if (remaining() < n) {
      ok_ = false;
      p_ = end_;
      return false;
    }
    return true;
  }
  uint16_t u16() { return need(2) ? (p_ += 2, get16(p_ - 2)) : 0; }
  uint32_t u32() { return need(4) ? (p_ += 4, get32(p_ - 4)) : 0; }
  uint64_t u64() { return need(8) ? (p_ += 8, get64(p_ - 8)) : 0; }
  uint8_t u8() { return need(1) ? *p_++ : 0; }
  const uint8_t* take(size_t n) {
    if (!need(n)) return nullptr;
    p_ += n;
    return p_ - n;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
  bool ok_ = true;
};

// Finds the data of extra field `tag` in an extra block; returns false when absent or malformed.
bool findExtraField(std::string_view extra, uint16_t tag, const uint8_t** data, size_t* size);

}  // namespace zipeng
