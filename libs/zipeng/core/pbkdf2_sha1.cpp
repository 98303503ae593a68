// The one-block SHA-1 interface is marked deprecated in OpenSSL 3 but stays: it is what lets the
// HMAC states be kept.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "core/pbkdf2_sha1.h"

#include <openssl/crypto.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace zipeng {

namespace {

bool useProcessorSha = true;

constexpr size_t kBlock = 64;
constexpr size_t kDigest = 20;

void putBigEndian32(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value >> 24);
  at[1] = static_cast<uint8_t>(value >> 16);
  at[2] = static_cast<uint8_t>(value >> 8);
  at[3] = static_cast<uint8_t>(value);
}

// The state after one block of the key xor `pad`.
SHA_CTX padState(const uint8_t* key, uint8_t pad) {
  uint8_t block[kBlock];
  for (size_t i = 0; i < kBlock; ++i) block[i] = key[i] ^ pad;
  SHA_CTX state;
  SHA1_Init(&state);
  SHA1_Update(&state, block, kBlock);
  OPENSSL_cleanse(block, sizeof block);
  return state;
}

// SHA-1 of the 64 bytes `state` stands for followed by the 20 of `message`: one compression of a
// block padded in place (`block` holds the padding already).
void hashDigestAfter(const SHA_CTX& state, uint8_t* block, const uint8_t* message, uint8_t* digest) {
  SHA_CTX c = state;
  std::memcpy(block, message, kDigest);
  SHA1_Transform(&c, block);
  for (int i = 0; i < 5; ++i) putBigEndian32(digest + 4 * i, (&c.h0)[i]);
}

#if defined(__x86_64__)
// The rounds in PBKDF2 hash a 20-byte digest after a block already hashed, so they can stay in
// words and in registers with the processor's SHA instructions: libcrypto's one-block call
// converts to and from bytes and dispatches at every one of the thousands of compressions.
#define PARCELIX_SHA_TARGET __attribute__((target("sha,sse4.1")))

bool processorHasSha() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSE4_1) || !(c & bit_SSSE3)) return false;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return (b & bit_SHA) != 0;
}

// The key's output blocks are independent chains of compressions, each waiting on its own last
// result: they run side by side, `kLanes` at a time, so that the processor overlaps them.
constexpr int kLanes = 2;

// Four rounds of SHA-1 in every lane, the `Group`th of twenty, with the message schedule's steps
// that belong to them (each schedule vector is made over the three groups before its own).
template <int Group>
PARCELIX_SHA_TARGET inline void shaRounds(__m128i (&abcd)[kLanes], __m128i (&e)[kLanes][2],
                                          __m128i (&w)[kLanes][4]) {
  for (int l = 0; l < kLanes; ++l) {
    __m128i& current = e[l][Group & 1];
    if constexpr (Group == 0)
      current = _mm_add_epi32(current, w[l][0]);
    else
      current = _mm_sha1nexte_epu32(current, w[l][Group % 4]);
    e[l][(Group & 1) ^ 1] = abcd[l];
    if constexpr (Group >= 3 && Group <= 18)
      w[l][(Group + 1) % 4] = _mm_sha1msg2_epu32(w[l][(Group + 1) % 4], w[l][Group % 4]);
    abcd[l] = _mm_sha1rnds4_epu32(abcd[l], current, Group / 5);
    if constexpr (Group >= 1 && Group <= 16)
      w[l][(Group + 3) % 4] = _mm_sha1msg1_epu32(w[l][(Group + 3) % 4], w[l][Group % 4]);
    if constexpr (Group >= 2 && Group <= 17)
      w[l][(Group + 2) % 4] = _mm_xor_si128(w[l][(Group + 2) % 4], w[l][Group % 4]);
  }
  if constexpr (Group < 19) shaRounds<Group + 1>(abcd, e, w);
}

// In every lane, `out` = the SHA-1 state after hashing, from `state`, one block holding the
// 20-byte message whose words are `message` and the padding for 84 bytes in all (each
// compression of the iterations).
PARCELIX_SHA_TARGET void hashDigestWords(const uint32_t* state, const uint32_t (*message)[5],
                                         uint32_t (*out)[5]) {
  __m128i abcd[kLanes], e[kLanes][2], w[kLanes][4];
  const __m128i abcdBefore = _mm_set_epi32(static_cast<int>(state[0]), static_cast<int>(state[1]),
                                           static_cast<int>(state[2]), static_cast<int>(state[3]));
  const __m128i eBefore = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
  for (int l = 0; l < kLanes; ++l) {
    abcd[l] = abcdBefore;
    e[l][0] = eBefore;
    e[l][1] = _mm_setzero_si128();
    const uint32_t* m = message[l];
    w[l][0] = _mm_set_epi32(static_cast<int>(m[0]), static_cast<int>(m[1]), static_cast<int>(m[2]),
                            static_cast<int>(m[3]));
    w[l][1] = _mm_set_epi32(static_cast<int>(m[4]), static_cast<int>(0x80000000u), 0, 0);
    w[l][2] = _mm_setzero_si128();
    w[l][3] = _mm_set_epi32(0, 0, 0, (64 + 20) * 8);
  }
  shaRounds<0>(abcd, e, w);
  for (int l = 0; l < kLanes; ++l) {
    const __m128i last = _mm_sha1nexte_epu32(e[l][0], eBefore);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out[l]),
                     _mm_shuffle_epi32(_mm_add_epi32(abcd[l], abcdBefore), 0x1B));
    out[l][4] = static_cast<uint32_t>(_mm_extract_epi32(last, 3));
  }
}

// T for the output blocks `index` .. `index + kLanes - 1` (as many as `blocks` of them) from
// their first U, as bytes.
PARCELIX_SHA_TARGET void iterateLanes(const SHA_CTX& inner, const SHA_CTX& outer, uint8_t (*u)[20],
                                      int blocks, unsigned iterations) {
  uint32_t innerWords[5], outerWords[5], uw[kLanes][5], tw[kLanes][5], xw[kLanes][5];
  for (int i = 0; i < 5; ++i) {
    innerWords[i] = (&inner.h0)[i];
    outerWords[i] = (&outer.h0)[i];
  }
  for (int l = 0; l < kLanes; ++l)
    for (int i = 0; i < 5; ++i) {
      const uint8_t* b = u[l < blocks ? l : 0] + 4 * i;
      uw[l][i] = tw[l][i] = static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
                            static_cast<uint32_t>(b[2]) << 8 | b[3];
    }
  for (unsigned round = 1; round < iterations; ++round) {
    hashDigestWords(innerWords, uw, xw);
    hashDigestWords(outerWords, xw, uw);
    for (int l = 0; l < kLanes; ++l)
      for (int i = 0; i < 5; ++i) tw[l][i] ^= uw[l][i];
  }
  for (int l = 0; l < blocks; ++l)
    for (int i = 0; i < 5; ++i) putBigEndian32(u[l] + 4 * i, tw[l][i]);
  OPENSSL_cleanse(uw, sizeof uw);
  OPENSSL_cleanse(tw, sizeof tw);
  OPENSSL_cleanse(xw, sizeof xw);
}
#endif

}  // namespace

void setPbkdf2ProcessorSha(bool use) {
  useProcessorSha = use;
}

void pbkdf2HmacSha1(std::string_view password, const uint8_t* salt, size_t saltLength, unsigned iterations,
                    uint8_t* out, size_t length) {
  uint8_t key[kBlock] = {};
  if (password.size() > kBlock)
    SHA1(reinterpret_cast<const unsigned char*>(password.data()), password.size(), key);
  else
    std::memcpy(key, password.data(), password.size());
  const SHA_CTX inner = padState(key, 0x36);
  const SHA_CTX outer = padState(key, 0x5c);
  OPENSSL_cleanse(key, sizeof key);

  // A 20-byte message after a 64-byte block: 0x80, zeros, then the length, 672 bits.
  uint8_t block[kBlock] = {};
  block[kDigest] = 0x80;
  putBigEndian32(block + kBlock - 4, (kBlock + kDigest) * 8);

  uint8_t u[kDigest], t[kDigest], innerDigest[kDigest];
  // U1 = HMAC(password, salt || index), through the library for its odd length.
  auto firstU = [&](uint32_t index, uint8_t* into) {
    SHA_CTX first = inner;
    uint8_t counter[4];
    putBigEndian32(counter, index);
    SHA1_Update(&first, salt, saltLength);
    SHA1_Update(&first, counter, sizeof counter);
    SHA1_Final(innerDigest, &first);
    hashDigestAfter(outer, block, innerDigest, into);
  };
#if defined(__x86_64__)
  static const bool haveSha = processorHasSha();
  if (haveSha && useProcessorSha) {
    uint8_t lanes[kLanes][kDigest];
    for (uint32_t index = 1; length > 0; index += kLanes) {
      const int blocks = static_cast<int>(std::min<size_t>(kLanes, (length + kDigest - 1) / kDigest));
      for (int l = 0; l < blocks; ++l) firstU(index + static_cast<uint32_t>(l), lanes[l]);
      iterateLanes(inner, outer, lanes, blocks, iterations);
      for (int l = 0; l < blocks; ++l) {
        const size_t n = std::min(length, kDigest);
        std::memcpy(out, lanes[l], n);
        out += n;
        length -= n;
      }
    }
    OPENSSL_cleanse(lanes, sizeof lanes);
  }
#endif
  for (uint32_t index = 1; length > 0; ++index) {
    firstU(index, u);
    std::memcpy(t, u, kDigest);
    for (unsigned round = 1; round < iterations; ++round) {
      hashDigestAfter(inner, block, u, innerDigest);
      hashDigestAfter(outer, block, innerDigest, u);
      for (size_t i = 0; i < kDigest; ++i) t[i] ^= u[i];
    }
    const size_t n = std::min(length, kDigest);
    std::memcpy(out, t, n);
    out += n;
    length -= n;
  }
  OPENSSL_cleanse(u, sizeof u);
  OPENSSL_cleanse(t, sizeof t);
  OPENSSL_cleanse(innerDigest, sizeof innerDigest);
  OPENSSL_cleanse(block, sizeof block);
}

}  // namespace zipeng
