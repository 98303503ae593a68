#include "cli_common.h"

#include <charconv>
#include <cstring>
#include <memory>

#include "platform/module.h"
#include "utf8_cut.h"

namespace cli {

namespace {

// Writes through a plain pointer into room made beforehand: listing a large archive prints
// hundreds of thousands of lines, and formatting them was most of its time.
class Writer {
 public:
  explicit Writer(char* at) : p_(at) {}
  char* end() const { return p_; }

  void put(char c) { *p_++ = c; }
  void put(const char* text, size_t length) {
    std::memcpy(p_, text, length);
    p_ += length;
  }
  void number(int64_t value) { p_ = std::to_chars(p_, p_ + 24, value).ptr; }
  // Two digits of 0 to 99 from a table: six of them in every line of a listing.
  void twoDigits(unsigned value) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    std::memcpy(p_, kPairs + 2 * (value % 100), 2);
    p_ += 2;
  }
  // Text fields stay on one line: control characters and the escape character are escaped.
  void escaped(const char* text, size_t length) {
    if (allPlain(text, length)) return put(text, length);  // nearly every name
    size_t i = 0;
    while (i < length) {
      const size_t plain = plainRun(text + i, length - i);
      put(text + i, plain);
      i += plain;
      if (i == length) break;
      const unsigned char c = static_cast<unsigned char>(text[i++]);
      *p_++ = '\\';
      switch (c) {
        case '\\':
          *p_++ = '\\';
          break;
        case '\n':
          *p_++ = 'n';
          break;
        case '\r':
          *p_++ = 'r';
          break;
        case '\t':
          *p_++ = 't';
          break;
        default:
          static const char kHex[] = "0123456789abcdef";
          *p_++ = 'x';
          *p_++ = kHex[c >> 4];
          *p_++ = kHex[c & 15];
      }
    }
  }
  void dosDateTime(uint32_t dos) {
    unsigned date = dos >> 16, time = dos & 0xFFFF;
    unsigned year = 1980 + (date >> 9);
    twoDigits(year / 100);
    twoDigits(year);
    put('-');
    twoDigits((date >> 5) & 0x0F);
    put('-');
    twoDigits(date & 0x1F);
    put(' ');
    twoDigits(time >> 11);
    put(':');
    twoDigits((time >> 5) & 0x3F);
    put(':');
    twoDigits((time & 0x1F) * 2);
  }

 private:
  static bool plainByte(char c) { return static_cast<unsigned char>(c) >= 0x20 && c != '\\'; }
  // Whether eight bytes at `p` need no escaping: a byte below 0x20 or equal to a backslash sets
  // its high bit in one of the two words tested.
  static bool plainWord(const char* p) {
    constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    uint64_t word;
    std::memcpy(&word, p, 8);
    const uint64_t low = (word - kOnes * 0x20) & ~word;
    const uint64_t slash = word ^ (kOnes * '\\');
    return !((low | ((slash - kOnes) & ~slash)) & kHighs);
  }
  static bool allPlain(const char* text, size_t length) {
    if (length < 8) {
      for (size_t i = 0; i < length; ++i)
        if (!plainByte(text[i])) return false;
      return true;
    }
    for (size_t i = 0; i + 8 <= length; i += 8)
      if (!plainWord(text + i)) return false;
    return plainWord(text + length - 8);  // the last eight, overlapping
  }
  // How many bytes from `text` on need no escaping, eight at a time.
  static size_t plainRun(const char* text, size_t length) {
    size_t i = 0;
    while (i + 8 <= length && plainWord(text + i)) i += 8;
    while (i < length && plainByte(text[i])) ++i;
    return i;
  }

 private:
  char* p_;
};

// Room for a line with a text of `length` bytes, each escaped to at most four.
size_t roomFor(size_t length) {
  return 160 + 4 * length;
}
size_t lengthOf(const char* text) {
  return text ? std::strlen(text) : 0;
}

struct LineText;
LineText lineTextOf(int32_t message, const void* data);
char* formatInto(char* at, int32_t message, const void* data, const LineText& line);

// Output collected and written in large pieces.
class OutputBuffer {
 public:
  explicit OutputBuffer(std::FILE* out) : out_(out), data_(new char[kSize]) {}
  ~OutputBuffer() { flush(); }
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;
  // Room for `size` bytes, written out first when they do not fit.
  char* room(size_t size) {
    if (used_ + size > kSize) flush();
    if (size > kSize) {
      big_.reset(new char[size]);
      return big_.get();
    }
    return data_.get() + used_;
  }
  // `end` follows what was written into the last room.
  void commit(char* end) {
    if (big_) {
      std::fwrite(big_.get(), 1, static_cast<size_t>(end - big_.get()), out_);
      big_.reset();
    } else {
      used_ = static_cast<size_t>(end - data_.get());
    }
  }
  void flush() {
    std::fwrite(data_.get(), 1, used_, out_);
    used_ = 0;
  }

 private:
  static constexpr size_t kSize = 1 << 16;
  std::FILE* out_;
  std::unique_ptr<char[]> data_;
  std::unique_ptr<char[]> big_;  // a line larger than the buffer
  size_t used_ = 0;
};

struct RunState {
  const Options* options;
  OutputBuffer buffer;
};

}  // namespace

namespace {

// A message's text field and the room its line needs.
struct LineText {
  const char* text = nullptr;
  size_t length = 0;
  size_t room = 0;
};

int32_t printingCallback(int32_t message, void* data, void* userData) {
  auto* state = static_cast<RunState*>(userData);
  const LineText line = lineTextOf(message, data);
  char* at = state->buffer.room(line.room + 1);
  char* end = formatInto(at, message, data, line);
  *end++ = '\n';
  state->buffer.commit(end);
  switch (message) {
    case zipabi::zcmReplace: {
      auto* r = static_cast<zipabi::TZipLibReplace*>(data);
      r->Answer = state->options->overwrite ? 1 : 0;
      if (r->NewNameBuffer) r->NewNameBuffer[0] = '\0';
      break;
    }
    case zipabi::zcmPassword: {
      auto* q = static_cast<zipabi::TZipLibPwdQuery*>(data);
      const std::string& pw = state->options->password;
      if (!pw.empty() && q->PasswordBuffer) {
        size_t n = zipabi::Utf8CutLength(pw.data(), pw.size(), zipabi::kPasswordCapacity - 1);
        std::memcpy(q->PasswordBuffer, pw.data(), n);
        q->PasswordBuffer[n] = '\0';
        q->Response = zipabi::kPasswordSupplied;
      } else {
        q->Response = 0;
      }
      break;
    }
    case zipabi::zcmNewArchiveComment: {
      auto* c = static_cast<zipabi::TZipLibCommentText*>(data);
      const std::string& text = state->options->comment;
      size_t n = zipabi::Utf8CutLength(text.data(), text.size(), zipabi::kCommentCapacity);
      if (c->Text) std::memcpy(c->Text, text.data(), n);
      c->Length = static_cast<uint16_t>(n);
      c->Flag = 1;
      break;
    }
    default:
      break;
  }
  return 0;
}

}  // namespace

std::string formatDosDateTime(uint32_t dos) {
  std::string text;
  char at[24];
  Writer out(at);
  out.dosDateTime(dos);
  return std::string(at, out.end());
}

namespace {

bool isStatsMessage(int32_t message) {
  return message == zipabi::zcmTesting || message == zipabi::zcmExtracting || message == zipabi::zcmListing ||
         message == zipabi::zcmEntryStats || message == zipabi::zcmUpdating || message == zipabi::zcmAdding ||
         message == zipabi::zcmStatus;
}

LineText lineTextOf(int32_t message, const void* data) {
  const char* text =
      isStatsMessage(message) ? static_cast<const zipabi::TZipLibFileStats*>(data)->FileName : nullptr;
  size_t length = 0;
  switch (message) {
    case zipabi::zcmSkipping:
      text = static_cast<const zipabi::TZipLibSkipping*>(data)->FileName;
      break;
    case zipabi::zcmDeleting:
    case zipabi::zcmFixing:
      text = static_cast<const char*>(data);
      break;
    case zipabi::zcmArchiveComment: {
      auto* c = static_cast<const zipabi::TZipLibCommentText*>(data);
      text = c->Text;
      length = c->Text ? c->Length : 0;
      break;
    }
    case zipabi::zcmReplace:
      text = static_cast<const zipabi::TZipLibReplace*>(data)->FileName;
      break;
    case zipabi::zcmPassword:
      text = static_cast<const zipabi::TZipLibPwdQuery*>(data)->FileName;
      break;
    case zipabi::zcmFileComment:
      text = static_cast<const zipabi::TZipLibFileComment*>(data)->FileName;
      break;
    default:
      break;
  }
  if (message != zipabi::zcmArchiveComment) length = lengthOf(text);
  return {text, length, roomFor(length)};
}

// Writes the line at `at`, which has `line.room` bytes; returns its end.
char* formatInto(char* at, int32_t message, const void* data, const LineText& line) {
  const char* text = line.text;
  const size_t length = line.length;
  Writer out(at);
  out.number(message);
  if (isStatsMessage(message)) {
    auto* s = static_cast<const zipabi::TZipLibFileStats*>(data);
    out.put('\t');
    out.escaped(text, length);
    out.put('\t');
    out.number(s->Size);
    out.put('\t');
    out.number(s->CompressedSize);
    out.put('\t');
    out.number(s->Ratio);
    out.put('\t');
    out.dosDateTime(s->DosDateTime);
    static const char kHex[] = "0123456789abcdef";
    out.put('\t');
    out.put(kHex[s->Attributes >> 4]);
    out.put(kHex[s->Attributes & 15]);
    if (message == zipabi::zcmStatus) {
      out.put('\t');
      out.number(s->PercentDone);
    }
    return out.end();
  }
  switch (message) {
    case zipabi::zcmSkipping:
      out.put('\t');
      out.escaped(text, length);
      out.put('\t');
      out.number(static_cast<const zipabi::TZipLibSkipping*>(data)->Reason);
      break;
    case zipabi::zcmEntryCount:
    case zipabi::zcmNewDisk:
    case zipabi::zcmNameCodePage:
      out.put('\t');
      out.number(*static_cast<const int32_t*>(data));
      break;
    case zipabi::zcmDeleting:
    case zipabi::zcmFixing:
    case zipabi::zcmArchiveComment:
    case zipabi::zcmReplace:
    case zipabi::zcmPassword:
    case zipabi::zcmFileComment:
      out.put('\t');
      out.escaped(text, length);
      break;
    default:
      break;
  }
  return out.end();
}

}  // namespace

void formatMessage(int32_t message, const void* data, std::string& line) {
  const LineText text = lineTextOf(message, data);
  const size_t at = line.size();
  line.resize(at + text.room);
  line.resize(static_cast<size_t>(formatInto(line.data() + at, message, data, text) - line.data()));
}

int32_t run(const char* libraryName, const char* entryName, const Options& options, std::FILE* out) {
  int32_t code = zipabi::zrLibraryMissing;
  platform::ModuleHandle module = platform::LoadLibrary(libraryName);
  auto entry = reinterpret_cast<zipabi::EngineEntryFn>(platform::GetProcAddress(module, entryName));
  RunState state{&options, OutputBuffer(out)};
  if (entry) {
    std::vector<std::string> texts;
    texts.reserve(options.args.size() + 1);
    texts.push_back(options.password);
    for (const auto& a : options.args) texts.push_back(a);
    std::vector<const char*> vector;
    vector.reserve(texts.size());
    for (const auto& t : texts) vector.push_back(t.c_str());
    int32_t value = entry(zipabi::kInterfaceVersion, static_cast<int32_t>(vector.size()),
                          const_cast<const char**>(vector.data()), printingCallback, &state);
    code = value & 0xFFFF;
  }
  if (module) platform::FreeLibrary(module);
  state.buffer.flush();
  std::fprintf(out, "result %d\n", code);
  std::fflush(out);
  return code;
}

}  // namespace cli
