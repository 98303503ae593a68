#include "engine/engine_text.h"

#include <cstring>

#include "utf8_cut.h"

QByteArray CutUtf8(const QByteArray& bytes, std::size_t limit) {
  const auto size = static_cast<std::size_t>(bytes.size());
  return bytes.left(static_cast<qsizetype>(zipabi::Utf8CutLength(bytes.constData(), size, limit)));
}

QString TextFromLibrary(const char* text) {
  return text ? QString::fromUtf8(text) : QString();
}

std::size_t CopyToLibrary(const QByteArray& text, char* buffer, std::size_t limit, bool terminate) {
  if (!buffer) return 0;
  const QByteArray cut = CutUtf8(text, limit);
  const auto count = static_cast<std::size_t>(cut.size());
  if (count) std::memcpy(buffer, cut.constData(), count);
  if (terminate) buffer[count] = '\0';
  return count;
}
