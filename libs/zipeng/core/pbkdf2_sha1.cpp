// The one-block SHA-1 interface is marked deprecated in OpenSSL 3 but stays: it is what lets the
// HMAC states be kept.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "core/pbkdf2_sha1.h"

#include <openssl/crypto.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cstring>

namespace zipeng {

namespace {

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

}  // namespace

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
  for (uint32_t index = 1; length > 0; ++index) {
    // U1 = HMAC(password, salt || index), through the library for its odd length.
    SHA_CTX first = inner;
    uint8_t counter[4];
    putBigEndian32(counter, index);
    SHA1_Update(&first, salt, saltLength);
    SHA1_Update(&first, counter, sizeof counter);
    SHA1_Final(innerDigest, &first);
    hashDigestAfter(outer, block, innerDigest, u);
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
