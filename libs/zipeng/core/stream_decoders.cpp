#include "core/stream_decoders.h"

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "core/zip_format.h"

namespace zipeng {

namespace {

using Step = StreamDecoder::Step;

class ZlibInflate final : public StreamDecoder {
 public:
  bool init() { return inflateInit2(&zs_, -MAX_WBITS) == Z_OK && (ready_ = true); }
  ~ZlibInflate() override {
    if (ready_) inflateEnd(&zs_);
  }
  Step run(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft, bool) override {
    zs_.next_in = const_cast<Bytef*>(in);
    zs_.avail_in = static_cast<uInt>(std::min<size_t>(inLeft, 1u << 30));
    zs_.next_out = out;
    zs_.avail_out = static_cast<uInt>(std::min<size_t>(outLeft, 1u << 30));
    int rc = inflate(&zs_, Z_NO_FLUSH);
    advance(in, inLeft, out, outLeft, zs_.next_in, zs_.next_out);
    if (rc == Z_STREAM_END) return Step::End;
    if (rc == Z_OK || rc == Z_BUF_ERROR) return Step::More;
    return rc == Z_MEM_ERROR ? Step::OutOfMemory : Step::Corrupt;
  }
  static void advance(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft, const void* newIn,
                      void* newOut) {
    size_t used = static_cast<size_t>(static_cast<const uint8_t*>(newIn) - in);
    size_t made = static_cast<size_t>(static_cast<uint8_t*>(newOut) - out);
    in += used;
    inLeft -= used;
    out += made;
    outLeft -= made;
  }

 private:
  z_stream zs_{};
  bool ready_ = false;
};

class Bzip2Decoder final : public StreamDecoder {
 public:
  int init() {
    int rc = BZ2_bzDecompressInit(&bs_, 0, 0);
    ready_ = rc == BZ_OK;
    return rc;
  }
  ~Bzip2Decoder() override {
    if (ready_) BZ2_bzDecompressEnd(&bs_);
  }
  Step run(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft, bool) override {
    bs_.next_in = reinterpret_cast<char*>(const_cast<uint8_t*>(in));
    bs_.avail_in = static_cast<unsigned>(std::min<size_t>(inLeft, 1u << 30));
    bs_.next_out = reinterpret_cast<char*>(out);
    bs_.avail_out = static_cast<unsigned>(std::min<size_t>(outLeft, 1u << 30));
    int rc = BZ2_bzDecompress(&bs_);
    ZlibInflate::advance(in, inLeft, out, outLeft, bs_.next_in, bs_.next_out);
    if (rc == BZ_STREAM_END) return Step::End;
    if (rc == BZ_OK) return Step::More;
    if (rc == BZ_DATA_ERROR) return Step::CheckFailed;
    return rc == BZ_MEM_ERROR ? Step::OutOfMemory : Step::Corrupt;
  }

 private:
  bz_stream bs_{};
  bool ready_ = false;
};

// liblzma for XZ streams and for LZMA data. The ZIP form of LZMA begins with its own header
// (version, properties size, properties); it is turned into the classic 13-byte header (the
// properties, then the uncompressed size or "unknown" when the stream ends with a marker).
// Concatenated XZ streams (with stream padding between and after them) are read to the end of
// the input, which the decoder must be told of.
class LzmaDecoder final : public StreamDecoder {
 public:
  LzmaDecoder(bool zipLzma, const StreamSettings& settings)
      : zipLzma_(zipLzma),
        concatenated_(!zipLzma && settings.concatenated),
        memoryLimit_(std::max<uint64_t>(settings.memoryLimit, 1)),
        size_((settings.sizeKnown && !settings.lzmaEndMarker) ? settings.size : UINT64_MAX) {}
  ~LzmaDecoder() override { lzma_end(&strm_); }
  // The limit counts the dictionary and everything else liblzma allocates for the stream.
  bool init() {
    lzma_ret rc = zipLzma_ ? lzma_alone_decoder(&strm_, memoryLimit_)
                           : lzma_stream_decoder(&strm_, memoryLimit_, concatenated_ ? LZMA_CONCATENATED : 0);
    return rc == LZMA_OK;
  }
  Step run(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft, bool inputEnds) override {
    if (zipLzma_ && !headerDone_) {
      // Gather version (2), properties size (2) and the properties.
      while (inLeft > 0 && header_.size() < headerWanted()) {
        header_.push_back(*in++);
        --inLeft;
      }
      if (header_.size() < headerWanted()) return Step::More;
      if (get16(header_.data() + 2) != 5) return Step::Corrupt;
      uint8_t classic[13];
      std::memcpy(classic, header_.data() + 4, 5);
      put64(classic + 5, size_);
      // The decoder reads its header only while it has room for output.
      strm_.next_in = classic;
      strm_.avail_in = sizeof classic;
      strm_.next_out = out;
      strm_.avail_out = outLeft;
      lzma_ret rc = lzma_code(&strm_, LZMA_RUN);
      if (rc != LZMA_OK && rc != LZMA_BUF_ERROR) return map(rc);
      if (strm_.avail_in != 0) return Step::Corrupt;
      headerDone_ = true;
    }
    strm_.next_in = in;
    strm_.avail_in = inLeft;
    strm_.next_out = out;
    strm_.avail_out = outLeft;
    lzma_ret rc = lzma_code(&strm_, concatenated_ && inputEnds ? LZMA_FINISH : LZMA_RUN);
    ZlibInflate::advance(in, inLeft, out, outLeft, strm_.next_in, strm_.next_out);
    if (rc == LZMA_STREAM_END) return Step::End;
    if (rc == LZMA_OK || rc == LZMA_BUF_ERROR) return Step::More;
    return map(rc);
  }

 private:
  size_t headerWanted() const { return header_.size() < 4 ? 4 : 4 + get16(header_.data() + 2); }
  static Step map(lzma_ret rc) {
    if (rc == LZMA_MEMLIMIT_ERROR) return Step::OverMemoryLimit;
    return rc == LZMA_MEM_ERROR ? Step::OutOfMemory : Step::Corrupt;
  }
  lzma_stream strm_ = LZMA_STREAM_INIT;
  bool zipLzma_;
  bool concatenated_;
  uint64_t memoryLimit_;
  uint64_t size_;
  bool headerDone_ = false;
  std::basic_string<uint8_t> header_;
};

class ZstdDecoder final : public StreamDecoder {
 public:
  explicit ZstdDecoder(bool concatenated) : concatenated_(concatenated) {}
  ~ZstdDecoder() override { ZSTD_freeDStream(ds_); }
  bool init() {
    ds_ = ZSTD_createDStream();
    if (!ds_) return false;
    // The window a frame may ask for is bounded at 2^27 bytes, the library's own default cap:
    // with the stream's buffers that stays far below the memory limit.
    static_assert((1ull << 27) * 2 < kDecodeMemoryLimit);
    return !ZSTD_isError(ZSTD_DCtx_setParameter(ds_, ZSTD_d_windowLogMax, 27));
  }
  Step run(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft, bool inputEnds) override {
    ZSTD_inBuffer input{in, inLeft, 0};
    ZSTD_outBuffer output{out, outLeft, 0};
    size_t rc = ZSTD_decompressStream(ds_, &output, &input);
    ZlibInflate::advance(in, inLeft, out, outLeft, in + input.pos, out + output.pos);
    if (ZSTD_isError(rc)) {
      ZSTD_ErrorCode code = ZSTD_getErrorCode(rc);
      if (code == ZSTD_error_memory_allocation) return Step::OutOfMemory;
      if (code == ZSTD_error_frameParameter_windowTooLarge) return Step::OverMemoryLimit;
      return code == ZSTD_error_checksum_wrong ? Step::CheckFailed : Step::Corrupt;
    }
    if (rc != 0) return Step::More;
    // A frame ended: the next call starts on the frame after it, if the data holds one.
    return concatenated_ && (inLeft > 0 || !inputEnds) ? Step::More : Step::End;
  }

 private:
  ZSTD_DStream* ds_ = nullptr;
  bool concatenated_;
};

}  // namespace

std::unique_ptr<StreamDecoder> makeStreamDecoder(const StreamSettings& settings, bool* outOfMemory) {
  *outOfMemory = false;
  try {
    switch (settings.method) {
      case kMethodDeflate: {
        auto d = std::make_unique<ZlibInflate>();
        if (d->init()) return d;
        break;
      }
      case kMethodBzip2: {
        auto d = std::make_unique<Bzip2Decoder>();
        if (d->init() == BZ_OK) return d;
        break;
      }
      case kMethodLzma:
      case kMethodXz: {
        auto d = std::make_unique<LzmaDecoder>(settings.method == kMethodLzma, settings);
        if (d->init()) return d;
        break;
      }
      case kMethodZstd: {
        auto d = std::make_unique<ZstdDecoder>(settings.concatenated);
        if (d->init()) return d;
        break;
      }
      default:
        return nullptr;
    }
  } catch (const std::bad_alloc&) {
  }
  *outOfMemory = true;
  return nullptr;
}

}  // namespace zipeng
