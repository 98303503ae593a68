#include "zip_format.h"

namespace zipeng {

bool findExtraField(std::string_view extra, uint16_t tag, const uint8_t** data, size_t* size) {
  const auto* p = reinterpret_cast<const uint8_t*>(extra.data());
  size_t left = extra.size();
  while (left >= 4) {
    uint16_t id = get16(p);
    uint16_t length = get16(p + 2);
    if (length > left - 4) return false;  // malformed block: trust nothing after it
    if (id == tag) {
      *data = p + 4;
      *size = length;
      return true;
    }
    p += 4 + length;
    left -= 4 + length;
  }
  return false;
}

}  // namespace zipeng
