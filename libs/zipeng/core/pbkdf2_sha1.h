// PBKDF2 with HMAC-SHA1, as AES entries derive their keys: the HMAC's inner and outer states are
// hashed once per password, and each of the thousands of iterations is then two SHA-1
// compressions, where the library's own PBKDF2 sets up a fresh HMAC for every one. On x86-64
// processors with SHA instructions the compressions run on them in registers; elsewhere through
// libcrypto's one-block call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zipeng {

// `length` bytes derived from `password` and `salt` in `iterations` rounds into `out`.
void pbkdf2HmacSha1(std::string_view password, const uint8_t* salt, size_t saltLength, unsigned iterations,
                    uint8_t* out, size_t length);

// For tests: false makes every derivation go through libcrypto's compression (true by default).
void setPbkdf2ProcessorSha(bool use);

}  // namespace zipeng
