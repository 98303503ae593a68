#include "core/aes_cipher.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/pbkdf2_sha1.h"

namespace zipeng {

namespace {
constexpr int kIterations = 1000;
constexpr size_t kBlock = 16;
constexpr size_t kBatchBlocks = 4096;  // key stream made 64 KiB at a time
}  // namespace

struct AesCipher::Impl {
  EVP_CIPHER_CTX* cipher = nullptr;
  EVP_MAC* macAlgorithm = nullptr;
  EVP_MAC_CTX* mac = nullptr;
  uint64_t counter = 0;  // the last counter value used
  std::vector<uint8_t> counters, stream;
  size_t streamAt = 0;  // key stream bytes of the current batch already used
  ~Impl() {
    EVP_CIPHER_CTX_free(cipher);
    EVP_MAC_CTX_free(mac);
    EVP_MAC_free(macAlgorithm);
  }
  // The next batch of key stream: AES of the counter blocks 1, 2, 3, ... (little-endian).
  bool refill() {
    counters.assign(kBatchBlocks * kBlock, 0);
    for (size_t b = 0; b < kBatchBlocks; ++b) {
      uint64_t c = ++counter;
      for (int i = 0; i < 8; ++i)
        counters[b * kBlock + static_cast<size_t>(i)] = static_cast<uint8_t>(c >> (8 * i));
    }
    stream.resize(counters.size());
    int outLength = 0;
    if (EVP_EncryptUpdate(cipher, stream.data(), &outLength, counters.data(),
                          static_cast<int>(counters.size())) != 1 ||
        static_cast<size_t>(outLength) != stream.size())
      return false;
    streamAt = 0;
    return true;
  }
};

size_t AesCipher::saltLength(uint8_t strength) {
  switch (strength) {
    case 1:
      return 8;
    case 2:
      return 12;
    case 3:
      return 16;
    default:
      return 0;
  }
}

AesCipher::AesCipher() : impl_(std::make_unique<Impl>()) {}
AesCipher::~AesCipher() = default;

bool AesCipher::deriveKeys(const std::string& password, uint8_t strength, const uint8_t* salt,
                           uint8_t* derived) {
  const size_t saltBytes = saltLength(strength);
  if (saltBytes == 0) return false;
  const size_t derivedLength = 2 * (saltBytes * 2) + kVerifierLength;  // keys of 16, 24 or 32 bytes
  pbkdf2HmacSha1(password, salt, saltBytes, kIterations, derived, derivedLength);
  return true;
}

bool AesCipher::verifierMatches(uint8_t strength, const uint8_t* derived, const uint8_t* saltAndVerifier) {
  const size_t saltBytes = saltLength(strength);
  return saltBytes &&
         CRYPTO_memcmp(derived + 4 * saltBytes, saltAndVerifier + saltBytes, kVerifierLength) == 0;
}

bool AesCipher::init(uint8_t strength, const uint8_t* derived) {
  const size_t keyLength = saltLength(strength) * 2;
  if (keyLength == 0) return false;
  Impl& im = *impl_;
  const EVP_CIPHER* aes = keyLength == 16   ? EVP_aes_128_ecb()
                          : keyLength == 24 ? EVP_aes_192_ecb()
                                            : EVP_aes_256_ecb();
  im.cipher = EVP_CIPHER_CTX_new();
  im.macAlgorithm = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
  im.mac = im.macAlgorithm ? EVP_MAC_CTX_new(im.macAlgorithm) : nullptr;
  if (!im.cipher || !im.mac || EVP_EncryptInit_ex(im.cipher, aes, nullptr, derived, nullptr) != 1)
    return false;
  EVP_CIPHER_CTX_set_padding(im.cipher, 0);
  char digest[] = "SHA1";
  OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                         OSSL_PARAM_construct_end()};
  if (EVP_MAC_init(im.mac, derived + keyLength, keyLength, params) != 1) return false;
  im.streamAt = im.stream.size();
  return true;
}

bool AesCipher::decrypt(uint8_t* data, size_t size) {
  Impl& im = *impl_;
  if (!im.mac || EVP_MAC_update(im.mac, data, size) != 1) return false;
  return applyKeyStream(data, size);
}

bool AesCipher::encrypt(uint8_t* data, size_t size) {
  Impl& im = *impl_;
  return im.mac && applyKeyStream(data, size) && EVP_MAC_update(im.mac, data, size) == 1;
}

bool AesCipher::applyKeyStream(uint8_t* data, size_t size) {
  Impl& im = *impl_;
  processed_ += size;
  while (size > 0) {
    if (im.streamAt == im.stream.size() && !im.refill()) return false;
    size_t n = std::min(size, im.stream.size() - im.streamAt);
    const uint8_t* k = im.stream.data() + im.streamAt;
    for (size_t i = 0; i < n; ++i) data[i] ^= k[i];
    data += n;
    size -= n;
    im.streamAt += n;
  }
  return true;
}

bool AesCipher::authentic(const uint8_t* mac) {
  uint8_t computed[kMacLength];
  return finish(computed) && CRYPTO_memcmp(computed, mac, kMacLength) == 0;
}

bool AesCipher::finish(uint8_t* mac) {
  Impl& im = *impl_;
  uint8_t full[EVP_MAX_MD_SIZE];
  size_t length = 0;
  if (!im.mac || EVP_MAC_final(im.mac, full, &length, sizeof full) != 1 || length < kMacLength) return false;
  memcpy(mac, full, kMacLength);
  return true;
}

bool AesCipher::start(const std::string& password, uint8_t strength, std::string& saltAndVerifier) {
  const size_t saltBytes = saltLength(strength);
  uint8_t salt[16];
  uint8_t derived[kMaxDerived];
  if (saltBytes == 0 || RAND_bytes(salt, static_cast<int>(saltBytes)) != 1 ||
      !deriveKeys(password, strength, salt, derived) || !init(strength, derived))
    return false;
  saltAndVerifier.assign(reinterpret_cast<const char*>(salt), saltBytes);
  saltAndVerifier.append(reinterpret_cast<const char*>(derived + 4 * saltBytes), kVerifierLength);
  OPENSSL_cleanse(derived, sizeof derived);
  return true;
}

}  // namespace zipeng
