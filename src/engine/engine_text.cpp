#include "engine/engine_text.h"

#include <cstring>

QByteArray CutUtf8(const QByteArray& bytes, std::size_t limit) {
  if (static_cast<std::size_t>(bytes.size()) <= limit) return bytes;
  const auto isContinuation = [&](std::size_t at) {
    return (static_cast<unsigned char>(bytes[static_cast<qsizetype>(at)]) & 0xC0) == 0x80;
  };
  // Step back over continuation bytes (10xxxxxx) to the start of the character that would be
  // cut; a character has at most three of them, so bytes that are not UTF-8 are cut at the limit.
  std::size_t end = limit;
  while (end > 0 && limit - end < 3 && isContinuation(end)) --end;
  if (isContinuation(end)) end = limit;
  return bytes.left(static_cast<qsizetype>(end));
}

QString TextFromLibrary(const char* text) { return text ? QString::fromUtf8(text) : QString(); }

std::size_t CopyToLibrary(const QByteArray& text, char* buffer, std::size_t limit, bool terminate) {
  if (!buffer) return 0;
  const QByteArray cut = CutUtf8(text, limit);
  const auto count = static_cast<std::size_t>(cut.size());
  if (count) std::memcpy(buffer, cut.constData(), count);
  if (terminate) buffer[count] = '\0';
  return count;
}
