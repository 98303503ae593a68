#include "cli_common.h"

#include <charconv>
#include <cstring>
#include <memory>

#include "platform/module.h"

namespace cli {

namespace {

// Appends to a string through a plain pointer, into room made beforehand: listing a large
// archive prints hundreds of thousands of lines, and formatting them was most of its time.
class Writer {
 public:
  Writer(std::string& text, size_t room) : text_(text) {
    size_t at = text.size();
    text.resize(at + room);
    p_ = text.data() + at;
  }
  ~Writer() { text_.resize(static_cast<size_t>(p_ - text_.data())); }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  void put(char c) { *p_++ = c; }
  void put(const char* text, size_t length) {
    std::memcpy(p_, text, length);
    p_ += length;
  }
  void number(int64_t value) { p_ = std::to_chars(p_, p_ + 24, value).ptr; }
  void digits(unsigned value, int width) {
    for (int i = width - 1; i >= 0; --i) {
      p_[i] = static_cast<char>('0' + value % 10);
      value /= 10;
    }
    p_ += width;
  }
  // Text fields stay on one line: control characters and the escape character are escaped.
  void escaped(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
      const unsigned char c = static_cast<unsigned char>(text[i]);
      if (c >= 0x20 && c != '\\') {
        *p_++ = static_cast<char>(c);
        continue;
      }
      *p_++ = '\\';
      switch (c) {
        case '\\': *p_++ = '\\'; break;
        case '\n': *p_++ = 'n'; break;
        case '\r': *p_++ = 'r'; break;
        case '\t': *p_++ = 't'; break;
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
    digits(1980 + (date >> 9), 4);
    put('-');
    digits((date >> 5) & 0x0F, 2);
    put('-');
    digits(date & 0x1F, 2);
    put(' ');
    digits(time >> 11, 2);
    put(':');
    digits((time >> 5) & 0x3F, 2);
    put(':');
    digits((time & 0x1F) * 2, 2);
  }

 private:
  std::string& text_;
  char* p_;
};

// Room for a line with a text of `length` bytes, each escaped to at most four.
size_t roomFor(size_t length) { return 160 + 4 * length; }
size_t lengthOf(const char* text) { return text ? std::strlen(text) : 0; }

struct RunState {
  const Options* options;
  std::FILE* out;
  std::string buffer;  // output collected and written in large pieces
};

int32_t printingCallback(int32_t message, void* data, void* userData) {
  auto* state = static_cast<RunState*>(userData);
  formatMessage(message, data, state->buffer);
  state->buffer += '\n';
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
        size_t n = std::min<size_t>(pw.size(), zipabi::kPasswordCapacity - 1);
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
      size_t n = std::min<size_t>(text.size(), zipabi::kCommentCapacity);
      if (c->Text) std::memcpy(c->Text, text.data(), n);
      c->Length = static_cast<uint16_t>(n);
      c->Flag = 1;
      break;
    }
    default:
      break;
  }
  if (state->buffer.size() >= (1u << 16)) {
    std::fwrite(state->buffer.data(), 1, state->buffer.size(), state->out);
    state->buffer.clear();
  }
  return 0;
}

}  // namespace

std::string formatDosDateTime(uint32_t dos) {
  std::string text;
  Writer(text, 24).dosDateTime(dos);
  return text;
}

void formatMessage(int32_t message, const void* data, std::string& line) {
  // A text field with the room it needs, or none.
  const bool stats = message == zipabi::zcmTesting || message == zipabi::zcmExtracting ||
                     message == zipabi::zcmListing || message == zipabi::zcmEntryStats ||
                     message == zipabi::zcmUpdating || message == zipabi::zcmAdding || message == zipabi::zcmStatus;
  const char* text = stats ? static_cast<const zipabi::TZipLibFileStats*>(data)->FileName : nullptr;
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
  Writer out(line, roomFor(length));
  out.number(message);
  if (stats) {
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
    return;
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
}

bool parseOptions(int argc, char** argv, bool acceptComment, Options& options) {
  int i = 1;
  while (i < argc) {
    std::string a = argv[i];
    if (a == "-P" || (acceptComment && a == "-c")) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "%s: option %s needs a value\n", argv[0], a.c_str());
        return false;
      }
      if (a == "-P") {
        options.password = argv[i + 1];
      } else {
        options.comment = argv[i + 1];
        options.hasComment = true;
      }
      i += 2;
      continue;
    }
    break;
  }
  for (; i < argc; ++i) {
    options.args.emplace_back(argv[i]);
    if (options.args.back() == "-o") options.overwrite = true;
  }
  return true;
}

int run(const char* libraryName, const char* entryName, const Options& options, std::FILE* out) {
  int32_t code = zipabi::zrLibraryMissing;
  platform::ModuleHandle module = platform::LoadLibrary(libraryName);
  auto entry = reinterpret_cast<zipabi::EngineEntryFn>(platform::GetProcAddress(module, entryName));
  RunState state{&options, out, {}};
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
  state.buffer += "result " + std::to_string(code) + "\n";
  std::fwrite(state.buffer.data(), 1, state.buffer.size(), out);
  std::fflush(out);
  return code == 0 ? 0 : 1;
}

}  // namespace cli
