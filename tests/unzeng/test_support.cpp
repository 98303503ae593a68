#include "test_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "core/zip_format.h"
#include "platform/module.h"

namespace testkit {

namespace {
// Dates in the tests are written for UTC, and the peer tools see the same zone and a UTF-8
// locale, whatever the machine is set to.
const bool kEnvironmentPinned = [] {
  setenv("TZ", "UTC", 1);
  setenv("LC_ALL", "C.UTF-8", 1);
  tzset();
  return true;
}();
}  // namespace

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/unzeng-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  char* made = mkdtemp(buffer.data());
  path_ = made ? made : "";
}

TempDir::~TempDir() {
  if (!path_.empty()) sh("chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'");
}

uint32_t crc32Of(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

RawEntry rawFile(const std::string& name, const std::string& data, bool deflate) {
  RawEntry e;
  e.name = name;
  e.data = data;
  e.deflate = deflate;
  return e;
}

RawEntry rawLink(const std::string& name, const std::string& target) {
  RawEntry e = rawFile(name, target);
  e.externalAttributes = (0120777u << 16);
  return e;
}

std::string deflateRaw(const std::string& data) {
  z_stream zs{};
  deflateInit2(&zs, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, data.size()) + 16, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

std::string buildArchive(const std::vector<RawEntry>& entries, const std::string& comment) {
  using namespace zipeng;
  std::string out, central;
  for (const auto& e : entries) {
    std::string packed = e.method >= 0 ? e.packed : e.deflate ? deflateRaw(e.data) : e.data;
    const uint16_t method = static_cast<uint16_t>(e.method >= 0 ? e.method : e.deflate ? 8 : 0);
    uint32_t crc = crc32Of(e.data);
    uint32_t offset = static_cast<uint32_t>(out.size());
    append32(out, kLocalHeaderSig);
    append16(out, 20);
    append16(out, e.flags);
    append16(out, method);
    append16(out, e.dosTime);
    append16(out, e.dosDate);
    append32(out, crc);
    append32(out, static_cast<uint32_t>(packed.size()));
    append32(out, static_cast<uint32_t>(e.data.size()));
    append16(out, static_cast<uint16_t>(e.name.size()));
    append16(out, static_cast<uint16_t>(e.localExtra.size()));
    out += e.name;
    out += e.localExtra;
    out += packed;
    append32(central, kCentralHeaderSig);
    append16(central, e.versionMadeBy);
    append16(central, 20);
    append16(central, e.flags);
    append16(central, method);
    append16(central, e.dosTime);
    append16(central, e.dosDate);
    append32(central, e.centralCrc >= 0 ? static_cast<uint32_t>(e.centralCrc) : crc);
    append32(central, e.centralCompressedSize >= 0 ? static_cast<uint32_t>(e.centralCompressedSize)
                                                   : static_cast<uint32_t>(packed.size()));
    append32(central, e.centralUncompressedSize >= 0 ? static_cast<uint32_t>(e.centralUncompressedSize)
                                                     : static_cast<uint32_t>(e.data.size()));
    append16(central, static_cast<uint16_t>(e.name.size()));
    append16(central, static_cast<uint16_t>(e.centralExtra.size()));
    append16(central, static_cast<uint16_t>(e.comment.size()));
    append16(central, 0);
    append16(central, 0);
    append32(central, e.externalAttributes);
    append32(central, e.centralOffset >= 0 ? static_cast<uint32_t>(e.centralOffset) : offset);
    central += e.name;
    central += e.centralExtra;
    central += e.comment;
  }
  uint32_t cdOffset = static_cast<uint32_t>(out.size());
  out += central;
  append32(out, kEndOfCentralSig);
  append16(out, 0);
  append16(out, 0);
  append16(out, static_cast<uint16_t>(entries.size()));
  append16(out, static_cast<uint16_t>(entries.size()));
  append32(out, static_cast<uint32_t>(central.size()));
  append32(out, cdOffset);
  append16(out, static_cast<uint16_t>(comment.size()));
  out += comment;
  return out;
}

Library::Library() {
  module_ = platform::LoadLibrary(zipabi::kUnzipLibraryName);
  entry_ =
      reinterpret_cast<zipabi::EngineEntryFn>(platform::GetProcAddress(module_, zipabi::kUnzipEntryName));
}

Library::~Library() {
  if (module_) platform::FreeLibrary(module_);
}

int32_t Library::run(const std::vector<std::string>& vector) {
  messages.clear();
  passwordsUsed_ = 0;
  // Heap copies, one per element, as the component makes them.
  std::vector<char*> elements;
  for (const auto& v : vector) elements.push_back(strdup(v.c_str()));
  int32_t value = entry_(zipabi::kInterfaceVersion, static_cast<int32_t>(elements.size()), elements.data(),
                         callback, this);
  for (char* e : elements) free(e);
  return value & 0xFFFF;
}

int32_t Library::query(const std::string& archive, int32_t selector) {
  messages.clear();
  zipabi::TZipQueryBlock block{};
  block.ZipFileName = archive.c_str();
  block.Selector = selector;
  block.SelectorAddress = &block.Selector;
  return entry_(zipabi::kInterfaceVersion, 1, &block, callback, this) & 0xFFFF;
}

std::vector<Message> Library::of(int32_t code) const {
  std::vector<Message> out;
  for (const auto& m : messages)
    if (m.code == code) out.push_back(m);
  return out;
}

std::vector<std::string> Library::names(int32_t code) const {
  std::vector<std::string> out;
  for (const auto& m : messages)
    if (m.code == code) out.push_back(m.name);
  return out;
}

int32_t Library::callback(int32_t code, void* data, void* userData) {
  auto* self = static_cast<Library*>(userData);
  Message m;
  m.code = code;
  switch (code) {
    case zipabi::zcmTesting:
    case zipabi::zcmExtracting:
    case zipabi::zcmListing:
    case zipabi::zcmEntryStats:
    case zipabi::zcmStatus: {
      auto* s = static_cast<zipabi::TZipLibFileStats*>(data);
      m.name = s->FileName;
      m.size = s->Size;
      m.packed = s->CompressedSize;
      m.ratio = s->Ratio;
      m.attributes = s->Attributes;
      m.percent = s->PercentDone;
      m.dosDateTime = s->DosDateTime;
      m.text.assign(s->Comment ? s->Comment : "", s->CommentLength);
      break;
    }
    case zipabi::zcmSkipping: {
      auto* s = static_cast<zipabi::TZipLibSkipping*>(data);
      m.name = s->FileName;
      m.reason = s->Reason;
      break;
    }
    case zipabi::zcmEntryCount:
    case zipabi::zcmNewDisk:
    case zipabi::zcmNameCodePage:
      m.value = *static_cast<int32_t*>(data);
      break;
    case zipabi::zcmArchiveComment: {
      auto* c = static_cast<zipabi::TZipLibCommentText*>(data);
      m.text.assign(c->Text, c->Length);
      break;
    }
    case zipabi::zcmReplace: {
      auto* r = static_cast<zipabi::TZipLibReplace*>(data);
      m.name = r->FileName;
      r->Answer = self->replaceAnswer;
      if (self->renamesUsed_ < self->renameAnswers.size())
        std::snprintf(r->NewNameBuffer, zipabi::kReplaceNameCapacity, "%s",
                      self->renameAnswers[self->renamesUsed_++].c_str());
      break;
    }
    case zipabi::zcmPassword: {
      auto* q = static_cast<zipabi::TZipLibPwdQuery*>(data);
      m.name = q->FileName;
      if (self->passwordsUsed_ < self->passwordAnswers.size()) {
        const std::string& p = self->passwordAnswers[self->passwordsUsed_++];
        std::snprintf(q->PasswordBuffer, zipabi::kPasswordCapacity, "%s", p.c_str());
        q->Response = zipabi::kPasswordSupplied;
      } else {
        q->Response = 0;
      }
      break;
    }
    default:
      break;
  }
  self->messages.push_back(m);
  return self->abortWhen && self->abortWhen(m) ? 1 : 0;
}

}  // namespace testkit
