#include "platform/text_limits.h"

#include <QByteArray>

#include "libs/zipeng/include/utf8_cut.h"

namespace platform {

QString CutToBytes(const QString& text, int maxBytes) {
  if (maxBytes <= 0) return QString();
  const QByteArray bytes = text.toUtf8();
  if (bytes.size() <= maxBytes) return text;
  const std::size_t keep = zipabi::Utf8CutLength(bytes.constData(), static_cast<std::size_t>(bytes.size()),
                                                 static_cast<std::size_t>(maxBytes));
  return QString::fromUtf8(bytes.left(static_cast<qsizetype>(keep)));
}

}  // namespace platform
