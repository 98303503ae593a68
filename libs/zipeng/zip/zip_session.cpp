#include "zip/zip_session.h"

#include <cstring>

namespace zipeng {

uint8_t writerAttributes(const WriterEntry& e) {
  uint8_t a = 0;
  bool unix = (e.versionMadeBy >> 8) == kHostUnix;
  uint32_t mode = e.externalAttributes >> 16;
  if (!e.name.empty() && e.name.back() == '/') a |= zipabi::kAttrDirectory;
  if (e.externalAttributes & 0x08) a |= zipabi::kAttrVolumeLabel;
  if (unix ? (mode != 0 && (mode & 0222) == 0) : (e.externalAttributes & 0x01)) a |= zipabi::kAttrReadOnly;
  std::string leaf = e.name;
  while (!leaf.empty() && leaf.back() == '/') leaf.pop_back();
  size_t slash = leaf.rfind('/');
  if (slash != std::string::npos) leaf.erase(0, slash + 1);
  if (!leaf.empty() && leaf[0] == '.') a |= zipabi::kAttrHidden;
  return a;
}

bool ZipSession::sendEntry(int32_t message, const WriterEntry& e, uint8_t percent) {
  EntryFacts facts;
  facts.name = &e.name;
  facts.size = e.size;
  facts.packed = e.compressedSize;
  facts.crc = e.crc;
  facts.attributes = writerAttributes(e);
  facts.dosDateTime = e.dosDateTime;
  facts.method = e.method;
  facts.encrypted = (e.flags & kFlagEncrypted) != 0;
  facts.comment = &e.comment;
  return cb.sendStats(message, facts, percent);
}

std::string ZipSession::askFileComment(const std::string& name) {
  char buffer[zipabi::kCommentCapacity + 1] = {};
  zipabi::TZipLibFileComment rec{};
  rec.FileName = name.c_str();
  rec.CommentBuffer = buffer;
  rec.Length = 0;
  cb.send(zipabi::zcmFileComment, &rec);
  return std::string(buffer, std::min<size_t>(rec.Length, zipabi::kCommentCapacity));
}

std::unique_ptr<ArchiveSink> ZipSession::openOutput(ExistingArchive* existing, bool growInPlace,
                                                    bool* inPlace, int* error) {
  *inPlace = false;
  *error = 0;
  if (cmd.spanned) {
    return openSpannedSink(
        cmd.archive, spannedSegmentSize(), [this](uint32_t d) { return newDisk(d); }, error);
  }
  if (growInPlace && existing && existing->growableInPlace()) {
    // What follows the entries is kept to be put back if the change fails: the directory we
    // already hold, then the end records read now.
    uint64_t from = existing->appendOffset();
    uint64_t total = existing->source().size() - from;
    const std::string& cd = existing->rawDirectory();
    size_t have = cd.size() <= total ? cd.size() : 0;
    std::string rest(static_cast<size_t>(total - have), '\0');
    if (!rest.empty() && !existing->source().read(from + have, rest.data(), rest.size())) {
      *error = zipabi::zrCannotAccess;
      return nullptr;
    }
    auto sink =
        openInPlaceSink(cmd.archive, from, std::string_view(cd).substr(0, have), std::move(rest), error);
    if (sink) *inPlace = true;
    return sink;
  }
  return openTempFileSink(cmd.archive, cmd.tempFolder, error);
}

}  // namespace zipeng
