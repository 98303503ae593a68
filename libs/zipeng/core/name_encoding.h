// Names and comments stored without the UTF-8 flag are in a legacy code page: the one the caller
// names (`-O CHARSET`, as iconv spells it), or by default the one the names themselves most
// likely came from, else code page 437, the format's own.
#pragma once

#include <iconv.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace zipeng {

inline constexpr const char* kCodePage437 = "CP437";

// Whether a stored text is read through the legacy code page: not flagged UTF-8, not plain
// ASCII, and not already UTF-8 from a tool of a system whose names are UTF-8.
bool needsLegacyDecoding(std::string_view raw, bool utf8Flag, uint8_t host);

// The number of a code page as iconv names it (CP866 866, WINDOWS-1250 1250, KOI8-R 20866,
// ISO-8859-5 28595, ...); 0 when it has none.
int32_t codePageNumber(const std::string& charset);

// Whether iconv can read `charset`.
bool knownCharset(const std::string& charset);

// The code page that most likely wrote `sample` (legacy names, one per line), as iconv names it;
// code page 437 when nothing more likely is found.
std::string detectLegacyCharset(std::string_view sample);

// Reads texts of one code page as UTF-8. A text the code page cannot read, or any text when
// iconv cannot open the code page, is read as code page 437 (every byte has a meaning there).
class LegacyDecoder {
 public:
  explicit LegacyDecoder(const std::string& charset);
  ~LegacyDecoder();
  LegacyDecoder(const LegacyDecoder&) = delete;
  LegacyDecoder& operator=(const LegacyDecoder&) = delete;
  void decode(std::string_view raw, std::string& out);
  // The same, false when the code page cannot read `raw`.
  bool tryDecode(std::string_view raw, std::string& out);

 private:
  iconv_t iconv_ = reinterpret_cast<iconv_t>(-1);
};

}  // namespace zipeng
