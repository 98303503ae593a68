// AES encryption of entries, both directions (the widespread "AE-1"/"AE-2" scheme, method 99):
// keys from the password by PBKDF2 with HMAC-SHA1 (1,000 iterations, a salt per entry), AES in
// counter mode with a little-endian counter starting at 1, and HMAC-SHA1 over the encrypted bytes
// whose first ten bytes close the data. The read chain decrypts, the writers encrypt. The cipher
// and the MAC are OpenSSL's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zipeng {

class AesCipher {
 public:
  static constexpr size_t kVerifierLength = 2;
  static constexpr size_t kMacLength = 10;
  // Salt bytes for key strength 1, 2, 3 (128, 192, 256-bit keys); 0 for any other.
  static size_t saltLength(uint8_t strength);
  // What precedes and follows the encrypted data.
  static size_t overhead(uint8_t strength) { return saltLength(strength) + kVerifierLength + kMacLength; }

  AesCipher();
  ~AesCipher();
  AesCipher(const AesCipher&) = delete;
  AesCipher& operator=(const AesCipher&) = delete;

  // The key material PBKDF2 derives from the password and an entry's salt: the AES key, the MAC
  // key, then the two verifier bytes (at most 66 bytes). False when the library fails.
  static constexpr size_t kMaxDerived = 2 * 32 + kVerifierLength;
  static bool deriveKeys(const std::string& password, uint8_t strength, const uint8_t* salt,
                         uint8_t* derived);
  // Whether derived keys belong to the password that made the entry: their verifier matches.
  static bool verifierMatches(uint8_t strength, const uint8_t* derived, const uint8_t* saltAndVerifier);
  // Sets up the cipher and the MAC from derived keys; false when the library fails.
  bool init(uint8_t strength, const uint8_t* derived);
  // Authenticates and then decrypts `size` bytes in place, continuing the stream.
  bool decrypt(uint8_t* data, size_t size);
  // Encrypts `size` bytes in place and authenticates them, continuing the stream.
  bool encrypt(uint8_t* data, size_t size);
  uint64_t processed() const { return processed_; }
  // Whether the ten bytes that end the data match what was processed.
  bool authentic(const uint8_t* mac);
  // The ten bytes that end the data written (once, after the last encrypt).
  bool finish(uint8_t* mac);

  // What precedes an entry's encrypted data when writing: a fresh salt from the system's random
  // source and the verifier of the keys derived from it, which are put in place. False when the
  // random source or the library fails.
  bool start(const std::string& password, uint8_t strength, std::string& saltAndVerifier);

 private:
  struct Impl;
  bool applyKeyStream(uint8_t* data, size_t size);
  std::unique_ptr<Impl> impl_;
  uint64_t processed_ = 0;
};

}  // namespace zipeng
