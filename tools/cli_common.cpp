#include "cli_common.h"

#include <charconv>
#include <cstring>
#include <memory>

#include "platform/module.h"

namespace cli {

namespace {

// Text fields stay on one line: control characters and the escape character are escaped.
void appendEscaped(std::string& line, const char* text, size_t length) {
  size_t plain = 0;
  while (plain < length && static_cast<unsigned char>(text[plain]) >= 0x20 && text[plain] != '\\') ++plain;
  line.append(text, plain);
  for (size_t i = plain; i < length; ++i) {
    char c = text[i];
    switch (c) {
      case '\\': line += "\\\\"; break;
      case '\n': line += "\\n"; break;
      case '\r': line += "\\r"; break;
      case '\t': line += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned char>(c));
          line += buf;
        } else {
          line += c;
        }
    }
  }
}
void appendEscaped(std::string& line, const char* text) {
  if (text) appendEscaped(line, text, std::strlen(text));
}

// Hand formatting: listing a large archive prints hundreds of thousands of lines.
void appendNumber(std::string& line, int64_t value) {
  char buf[24];
  auto result = std::to_chars(buf, buf + sizeof buf, value);
  line.append(buf, static_cast<size_t>(result.ptr - buf));
}

void appendDigits(std::string& line, unsigned value, int width) {
  char buf[8];
  for (int i = width - 1; i >= 0; --i) {
    buf[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  line.append(buf, static_cast<size_t>(width));
}

void appendDosDateTime(std::string& line, uint32_t dos) {
  unsigned date = dos >> 16, time = dos & 0xFFFF;
  appendDigits(line, 1980 + (date >> 9), 4);
  line += '-';
  appendDigits(line, (date >> 5) & 0x0F, 2);
  line += '-';
  appendDigits(line, date & 0x1F, 2);
  line += ' ';
  appendDigits(line, time >> 11, 2);
  line += ':';
  appendDigits(line, (time >> 5) & 0x3F, 2);
  line += ':';
  appendDigits(line, (time & 0x1F) * 2, 2);
}

struct RunState {
  const Options* options;
  std::FILE* out;
  std::string line;
  std::string buffer;  // output collected and written in large pieces
};

int32_t printingCallback(int32_t message, void* data, void* userData) {
  auto* state = static_cast<RunState*>(userData);
  state->line.clear();
  formatMessage(message, data, state->line);
  state->buffer += state->line;
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
  appendDosDateTime(text, dos);
  return text;
}

void formatMessage(int32_t message, const void* data, std::string& line) {
  appendNumber(line, message);
  switch (message) {
    case zipabi::zcmTesting:
    case zipabi::zcmExtracting:
    case zipabi::zcmListing:
    case zipabi::zcmEntryStats:
    case zipabi::zcmUpdating:
    case zipabi::zcmAdding:
    case zipabi::zcmStatus: {
      auto* s = static_cast<const zipabi::TZipLibFileStats*>(data);
      line += '\t';
      appendEscaped(line, s->FileName);
      line += '\t';
      appendNumber(line, s->Size);
      line += '\t';
      appendNumber(line, s->CompressedSize);
      line += '\t';
      appendNumber(line, s->Ratio);
      line += '\t';
      appendDosDateTime(line, s->DosDateTime);
      static const char kHex[] = "0123456789abcdef";
      line += '\t';
      line += kHex[s->Attributes >> 4];
      line += kHex[s->Attributes & 15];
      if (message == zipabi::zcmStatus) {
        line += '\t';
        appendNumber(line, s->PercentDone);
      }
      break;
    }
    case zipabi::zcmSkipping: {
      auto* s = static_cast<const zipabi::TZipLibSkipping*>(data);
      line += '\t';
      appendEscaped(line, s->FileName);
      line += '\t';
      appendNumber(line, s->Reason);
      break;
    }
    case zipabi::zcmEntryCount:
    case zipabi::zcmNewDisk:
      line += '\t';
      appendNumber(line, *static_cast<const int32_t*>(data));
      break;
    case zipabi::zcmDeleting:
    case zipabi::zcmFixing:
      line += '\t';
      appendEscaped(line, static_cast<const char*>(data));
      break;
    case zipabi::zcmArchiveComment: {
      auto* c = static_cast<const zipabi::TZipLibCommentText*>(data);
      line += '\t';
      if (c->Text) appendEscaped(line, c->Text, c->Length);
      break;
    }
    case zipabi::zcmReplace:
      line += '\t';
      appendEscaped(line, static_cast<const zipabi::TZipLibReplace*>(data)->FileName);
      break;
    case zipabi::zcmPassword:
      line += '\t';
      appendEscaped(line, static_cast<const zipabi::TZipLibPwdQuery*>(data)->FileName);
      break;
    case zipabi::zcmFileComment:
      line += '\t';
      appendEscaped(line, static_cast<const zipabi::TZipLibFileComment*>(data)->FileName);
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
  RunState state{&options, out, {}, {}};
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
