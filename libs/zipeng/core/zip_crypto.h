// Traditional PKWARE encryption (the "ZipCrypto" stream cipher), both directions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zipeng {

class ZipCrypto {
 public:
  explicit ZipCrypto(std::string_view password);
  // Decrypts the 12-byte header in place and returns its last byte (the check byte).
  uint8_t decryptHeader(uint8_t* header);
  void decrypt(uint8_t* data, size_t size);
  void encrypt(uint8_t* data, size_t size);
  // Encrypts a 12-byte header: 11 random bytes then `checkByte`.
  void makeHeader(uint8_t* header, uint8_t checkByte);

  // The byte the header must end with: the CRC's high byte, or the DOS time's high byte when the
  // sizes and CRC follow in a data descriptor.
  static uint8_t checkByte(uint32_t crc, uint16_t dosTime, bool dataDescriptor) {
    return dataDescriptor ? static_cast<uint8_t>(dosTime >> 8) : static_cast<uint8_t>(crc >> 24);
  }

 private:
  uint8_t streamByte() const {
    uint32_t t = (keys_[2] | 2) & 0xFFFFu;  // unsigned: the product exceeds an int
    return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
  }
  void update(uint8_t plain);
  uint32_t keys_[3];
};

}  // namespace zipeng
