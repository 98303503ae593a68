#include "zip_crypto.h"

#include <zlib.h>

#include <random>

namespace zipeng {

namespace {
inline uint32_t crcByte(uint32_t crc, uint8_t b) {
  static const z_crc_t* table = get_crc_table();
  return table[(crc ^ b) & 0xFF] ^ (crc >> 8);
}
}  // namespace

ZipCrypto::ZipCrypto(std::string_view password) {
  keys_[0] = 0x12345678;
  keys_[1] = 0x23456789;
  keys_[2] = 0x34567890;
  for (unsigned char c : password) update(c);
}

void ZipCrypto::update(uint8_t plain) {
  keys_[0] = crcByte(keys_[0], plain);
  keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
  keys_[2] = crcByte(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
}

void ZipCrypto::decrypt(uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    uint8_t plain = data[i] ^ streamByte();
    update(plain);
    data[i] = plain;
  }
}

void ZipCrypto::encrypt(uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    uint8_t plain = data[i];
    data[i] = plain ^ streamByte();
    update(plain);
  }
}

uint8_t ZipCrypto::decryptHeader(uint8_t* header) {
  decrypt(header, 12);
  return header[11];
}

void ZipCrypto::makeHeader(uint8_t* header, uint8_t checkByte) {
  static thread_local std::random_device device;
  for (int i = 0; i < 11; ++i) header[i] = static_cast<uint8_t>(device());
  header[11] = checkByte;
  encrypt(header, 12);
}

}  // namespace zipeng
