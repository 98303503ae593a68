// PBKDF2 with HMAC-SHA1, as AES entries derive their keys: the HMAC's inner and outer states are
// hashed once per password, and each of the thousands of iterations is then two SHA-1
// compressions of libcrypto (which uses the processor's SHA instructions where there are some),
// where the library's own PBKDF2 sets up a fresh HMAC for every one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zipeng {

// `length` bytes derived from `password` and `salt` in `iterations` rounds into `out`.
void pbkdf2HmacSha1(std::string_view password, const uint8_t* salt, size_t saltLength, unsigned iterations,
                    uint8_t* out, size_t length);

}  // namespace zipeng
