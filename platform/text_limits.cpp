#include "platform/text_limits.h"

#include <QByteArray>

namespace platform {

QString CutToBytes(const QString& text, int maxBytes) {
  if (maxBytes <= 0) return QString();
  const QByteArray bytes = text.toUtf8();
  if (bytes.size() <= maxBytes) return text;
  qsizetype cut = maxBytes;
  while (cut > 0 && (static_cast<unsigned char>(bytes.at(cut)) & 0xC0) == 0x80) --cut;
  return QString::fromUtf8(bytes.left(cut));
}

}  // namespace platform
