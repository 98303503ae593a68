#include "core/name_encoding.h"

#include <uchardet/uchardet.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <utility>

#include "core/cp437.h"
#include "core/zip_format.h"

namespace zipeng {

namespace {

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

// What the detector may answer for names, and the code page to read them with. Western
// single-byte answers are left out: names from such systems are code page 437 or 850, which the
// detector cannot tell from each other, and 437 is the format's own.
struct Family {
  const char* detected;
  const char* charset;
};
constexpr Family kFamilies[] = {
    {"IBM866", "CP866"},
    {"WINDOWS-1251", "CP1251"},
    {"KOI8-R", "KOI8-R"},
    {"ISO-8859-5", "ISO-8859-5"},
    {"MAC-CYRILLIC", "CP866"},
    {"IBM855", "CP855"},
    {"SHIFT_JIS", "CP932"},
    {"EUC-JP", "EUC-JP"},
    {"ISO-2022-JP", "ISO-2022-JP"},
    {"GB18030", "GB18030"},
    {"BIG5", "BIG5"},
    {"EUC-TW", "EUC-TW"},
    {"EUC-KR", "CP949"},
    {"UHC", "CP949"},
    {"WINDOWS-1250", "CP1250"},
    {"ISO-8859-2", "CP1250"},
    {"IBM852", "CP852"},
    {"MAC-CENTRALEUROPE", "CP1250"},
    {"WINDOWS-1253", "CP1253"},
    {"ISO-8859-7", "ISO-8859-7"},
    {"IBM737", "CP737"},
    {"WINDOWS-1255", "CP1255"},
    {"ISO-8859-8", "ISO-8859-8"},
    {"IBM862", "CP862"},
    {"WINDOWS-1256", "CP1256"},
    {"ISO-8859-6", "ISO-8859-6"},
    {"WINDOWS-1254", "CP1254"},
    {"ISO-8859-9", "ISO-8859-9"},
    {"IBM857", "CP857"},
    {"TIS-620", "CP874"},
    {"WINDOWS-874", "CP874"},
    {"WINDOWS-1257", "CP1257"},
    {"ISO-8859-13", "ISO-8859-13"},
    {"WINDOWS-1258", "CP1258"},
    {"VISCII", "VISCII"},
};

}  // namespace

bool needsLegacyDecoding(std::string_view raw, bool utf8Flag, uint8_t host) {
  const bool dosHost = host == kHostDos || host == kHostNtfs || host == kHostVfat;
  return !utf8Flag && !isAscii(raw) && (dosHost || !isValidUtf8(raw));
}

int32_t codePageNumber(const std::string& charset) {
  const std::string name = upper(charset);
  static constexpr std::pair<const char*, int32_t> kNamed[] = {
      {"KOI8-R", 20866},  {"KOI8-U", 21866}, {"EUC-JP", 20932}, {"ISO-2022-JP", 50220}, {"GB18030", 54936},
      {"GBK", 936},       {"GB2312", 936},   {"BIG5", 950},     {"EUC-KR", 949},        {"UHC", 949},
      {"SHIFT_JIS", 932}, {"SJIS", 932},     {"TIS-620", 874},  {"MACINTOSH", 10000},
  };
  for (const auto& [known, number] : kNamed)
    if (name == known) return number;
  for (const char* prefix : {"CP", "WINDOWS-", "IBM", "MS"})
    if (name.rfind(prefix, 0) == 0 && name.size() > strlen(prefix) &&
        name.find_first_not_of("0123456789", strlen(prefix)) == std::string::npos)
      return std::stoi(name.substr(strlen(prefix)));
  if (name.rfind("ISO-8859-", 0) == 0 && name.size() > 9 &&
      name.find_first_not_of("0123456789", 9) == std::string::npos)
    return 28590 + std::stoi(name.substr(9));
  return 0;
}

bool knownCharset(const std::string& charset) {
  if (charset.empty()) return false;
  iconv_t probe = iconv_open("UTF-8", charset.c_str());
  if (probe == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(probe);
  return true;
}

namespace {

// The next code point of UTF-8 `text` from `at` (moved past it); 0xFFFD for a broken sequence.
char32_t nextCodePoint(std::string_view text, size_t& at) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(at++);
  if (lead < 0x80) return lead;
  const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (more < 0 || at + static_cast<size_t>(more) > text.size()) return 0xFFFD;
  char32_t c = lead & (0x3F >> more);
  for (int k = 0; k < more; ++k) c = (c << 6) | (byte(at++) & 0x3F);
  return c;
}

// Letters of the scripts names are written in (box drawing, symbols and punctuation are not).
bool isLetter(char32_t c) {
  return (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || c == 0xAA || c == 0xB5 || c == 0xBA ||
         (c >= 0x370 && c <= 0x3FF && c != 0x37E && c != 0x387) || (c >= 0x400 && c <= 0x52F) ||
         (c >= 0x5D0 && c <= 0x5EA) || (c >= 0x620 && c <= 0x64A) || (c >= 0xE01 && c <= 0xE30) ||
         (c >= 0x1E00 && c <= 0x1EFF) || (c >= 0x3041 && c <= 0x30FF && c != 0x30FB) ||
         (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xFF21 && c <= 0xFF5A) ||
         (c >= 0xFF66 && c <= 0xFF9F);
}

// How much of `sample` read in `charset` is letters, of what is not ASCII: 0 to 1, and -1 when the
// code page cannot read it at all.
double letterShare(std::string_view sample, const std::string& charset) {
  LegacyDecoder decoder(charset);
  std::string text;
  if (!decoder.tryDecode(sample, text)) return -1;
  size_t letters = 0, others = 0;
  for (size_t at = 0; at < text.size();) {
    const char32_t c = nextCodePoint(text, at);
    if (c < 0x80) continue;
    ++(isLetter(c) ? letters : others);
  }
  return letters + others ? static_cast<double>(letters) / static_cast<double>(letters + others) : 0;
}

}  // namespace

std::string detectLegacyCharset(std::string_view sample) {
  uchardet_t detector = uchardet_new();
  if (!detector) return kCodePage437;
  std::string found;
  if (uchardet_handle_data(detector, sample.data(), sample.size()) == 0) {
    uchardet_data_end(detector);
    const char* answer = uchardet_get_charset(detector);
    found = upper(answer ? answer : "");
  }
  uchardet_delete(detector);
  // The detector guesses even from a few names; its guess stands when it reads them as letters
  // at least as well as code page 437 does. Code page 850, which the detector cannot tell from
  // 437, is taken when it reads them better than both.
  std::string best = kCodePage437;
  double bestShare = letterShare(sample, best);
  for (const Family& family : kFamilies)
    if (found == family.detected && knownCharset(family.charset)) {
      if (const double share = letterShare(sample, family.charset); share >= bestShare) {
        best = family.charset;
        bestShare = share;
      }
      break;
    }
  if (knownCharset("CP850") && letterShare(sample, "CP850") > bestShare) best = "CP850";
  return best;
}

LegacyDecoder::LegacyDecoder(const std::string& charset) {
  if (upper(charset) != kCodePage437 && upper(charset) != "IBM437")
    iconv_ = iconv_open("UTF-8", charset.c_str());
}

LegacyDecoder::~LegacyDecoder() {
  if (iconv_ != reinterpret_cast<iconv_t>(-1)) iconv_close(iconv_);
}

bool LegacyDecoder::tryDecode(std::string_view raw, std::string& out) {
  if (iconv_ == reinterpret_cast<iconv_t>(-1)) {
    out = cp437ToUtf8(raw);
    return true;
  }
  iconv(iconv_, nullptr, nullptr, nullptr, nullptr);  // a fresh start for stateful code pages
  out.resize(raw.size() * 4 + 8);
  char* in = const_cast<char*>(raw.data());
  size_t inLeft = raw.size();
  char* to = out.data();
  size_t toLeft = out.size();
  if (iconv(iconv_, &in, &inLeft, &to, &toLeft) == static_cast<size_t>(-1) ||
      iconv(iconv_, nullptr, nullptr, &to, &toLeft) == static_cast<size_t>(-1))
    return false;
  out.resize(out.size() - toLeft);
  return out.find('\0') == std::string::npos;
}

void LegacyDecoder::decode(std::string_view raw, std::string& out) {
  if (!tryDecode(raw, out)) out = cp437ToUtf8(raw);
}

}  // namespace zipeng
