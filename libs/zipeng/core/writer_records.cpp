#include "core/writer_records.h"

#include <algorithm>

namespace zipeng {

std::string stripZip64Extra(const std::string& extra) {
  std::string out;
  size_t pos = 0;
  auto* p = reinterpret_cast<const uint8_t*>(extra.data());
  while (pos + 4 <= extra.size()) {
    uint16_t id = get16(p + pos);
    uint16_t len = get16(p + pos + 2);
    if (pos + 4 + len > extra.size()) break;  // a torn field is dropped, not copied half
    if (id != 0x0001) out.append(extra, pos, 4 + len);
    pos += 4 + len;
  }
  return out;
}

std::string extendedTimestampExtra(int64_t mtime) {
  std::string out;
  append16(out, 0x5455);
  append16(out, 5);
  out.push_back(1);  // modification time present
  append32(out, static_cast<uint32_t>(mtime));
  return out;
}

void markAesEntry(WriterEntry& e, uint8_t strength, uint16_t realMethod) {
  std::string extra;
  append16(extra, kExtraAes);
  append16(extra, 7);
  append16(extra, 2);  // AE-2
  extra += "AE";
  extra.push_back(static_cast<char>(strength));
  append16(extra, realMethod);
  e.localExtra += extra;
  e.centralExtra += extra;
  e.method = kMethodAes;
  e.crc = 0;
  e.flags |= kFlagEncrypted;
  e.versionNeeded = std::max<uint16_t>(e.versionNeeded, 51);
}

static std::string Zip64Extra(const std::vector<uint64_t>& values) {
  std::string out;
  append16(out, 0x0001);
  append16(out, static_cast<uint16_t>(values.size() * 8));
  for (uint64_t v : values) append64(out, v);
  return out;
}

std::string buildLocalHeader(const WriterEntry& e, bool zip64Local) {
  std::string extra = e.localExtra;
  if (zip64Local) extra = Zip64Extra({e.size, e.compressedSize}) + extra;
  std::string out;
  out.reserve(30 + e.name.size() + extra.size());
  append32(out, kLocalHeaderSig);
  append16(out, zip64Local ? std::max<uint16_t>(45, e.versionNeeded) : e.versionNeeded);
  append16(out, e.flags);
  append16(out, e.method);
  append32(out, e.dosDateTime);
  if (e.flags & kFlagDataDescriptor) {
    // Sizes and CRC follow the data.
    append32(out, 0);
    append32(out, zip64Local ? 0xFFFFFFFFu : 0);
    append32(out, zip64Local ? 0xFFFFFFFFu : 0);
  } else {
    append32(out, e.crc);
    append32(out, zip64Local ? 0xFFFFFFFFu : static_cast<uint32_t>(e.compressedSize));
    append32(out, zip64Local ? 0xFFFFFFFFu : static_cast<uint32_t>(e.size));
  }
  append16(out, static_cast<uint16_t>(e.name.size()));
  append16(out, static_cast<uint16_t>(extra.size()));
  out += e.name;
  out += extra;
  return out;
}

std::string buildDataDescriptor(const WriterEntry& e, bool wide) {
  std::string desc;
  append32(desc, kDataDescriptorSig);
  append32(desc, e.crc);
  if (wide) {
    append64(desc, e.compressedSize);
    append64(desc, e.size);
  } else {
    append32(desc, static_cast<uint32_t>(e.compressedSize));
    append32(desc, static_cast<uint32_t>(e.size));
  }
  return desc;
}

std::string buildCentralRecord(const WriterEntry& e) {
  std::vector<uint64_t> z64;
  bool bigSize = e.size >= 0xFFFFFFFFull;
  bool bigPacked = e.compressedSize >= 0xFFFFFFFFull;
  bool bigOffset = e.localOffset >= 0xFFFFFFFFull;
  bool bigDisk = e.diskStart >= 0xFFFF;
  if (bigSize) z64.push_back(e.size);
  if (bigPacked) z64.push_back(e.compressedSize);
  if (bigOffset) z64.push_back(e.localOffset);
  std::string extra;
  if (!z64.empty() || bigDisk) {
    extra = Zip64Extra(z64);
    if (bigDisk) {
      append32(extra, e.diskStart);
      extra[2] = static_cast<char>(z64.size() * 8 + 4);
    }
  }
  extra += e.centralExtra;
  std::string out;
  out.reserve(46 + e.name.size() + extra.size() + e.comment.size());
  append32(out, kCentralHeaderSig);
  append16(out, e.versionMadeBy);
  uint16_t needed = e.versionNeeded;
  if (!extra.empty() && (bigSize || bigPacked || bigOffset || bigDisk) && needed < 45) needed = 45;
  append16(out, needed);
  append16(out, e.flags);
  append16(out, e.method);
  append32(out, e.dosDateTime);
  append32(out, e.crc);
  append32(out, bigPacked ? 0xFFFFFFFFu : static_cast<uint32_t>(e.compressedSize));
  append32(out, bigSize ? 0xFFFFFFFFu : static_cast<uint32_t>(e.size));
  append16(out, static_cast<uint16_t>(e.name.size()));
  append16(out, static_cast<uint16_t>(extra.size()));
  append16(out, static_cast<uint16_t>(e.comment.size()));
  append16(out, bigDisk ? 0xFFFF : static_cast<uint16_t>(e.diskStart));
  append16(out, e.internalAttributes);
  append32(out, e.externalAttributes);
  append32(out, bigOffset ? 0xFFFFFFFFu : static_cast<uint32_t>(e.localOffset));
  out += e.name;
  out += extra;
  out += e.comment;
  return out;
}

std::string buildEndRecords(uint64_t count, uint64_t cdOffset, uint64_t cdSize, uint64_t endOffset,
                            const std::string& comment, uint32_t thisDisk, uint32_t diskOfCd,
                            uint64_t countOnThisDisk) {
  if (countOnThisDisk == UINT64_MAX) countOnThisDisk = count;
  bool need64 = count >= 0xFFFF || countOnThisDisk >= 0xFFFF || cdOffset >= 0xFFFFFFFFull ||
                cdSize >= 0xFFFFFFFFull || thisDisk >= 0xFFFF || diskOfCd >= 0xFFFF;
  std::string out;
  if (need64) {
    append32(out, kZip64EndSig);
    append64(out, 44);
    append16(out, (3 << 8) | 45);
    append16(out, 45);
    append32(out, thisDisk);
    append32(out, diskOfCd);
    append64(out, countOnThisDisk);
    append64(out, count);
    append64(out, cdSize);
    append64(out, cdOffset);
    append32(out, kZip64LocatorSig);
    append32(out, thisDisk);
    append64(out, endOffset);
    append32(out, thisDisk + 1);
  }
  append32(out, kEndOfCentralSig);
  append16(out, thisDisk >= 0xFFFF ? 0xFFFF : static_cast<uint16_t>(thisDisk));
  append16(out, diskOfCd >= 0xFFFF ? 0xFFFF : static_cast<uint16_t>(diskOfCd));
  append16(out, countOnThisDisk >= 0xFFFF ? 0xFFFF : static_cast<uint16_t>(countOnThisDisk));
  append16(out, count >= 0xFFFF ? 0xFFFF : static_cast<uint16_t>(count));
  append32(out, cdSize >= 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(cdSize));
  append32(out, cdOffset >= 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(cdOffset));
  std::string c = comment.substr(0, 0xFFFF);
  append16(out, static_cast<uint16_t>(c.size()));
  out += c;
  return out;
}

bool needsUtf8Flag(const std::string& name) {
  // Only names that are plain ASCII or well-formed UTF-8: other bytes are stored as they are,
  // unflagged, rather than declared as UTF-8 they are not.
  bool high = false;
  for (size_t i = 0; i < name.size();) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    high = true;
    size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || c == 0xC0 || c == 0xC1 || c > 0xF4 || i + len > name.size()) return false;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(name[i + k]) & 0xC0) != 0x80) return false;
    i += len;
  }
  return high;
}

}  // namespace zipeng
