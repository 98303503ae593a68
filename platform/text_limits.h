// Fixed-width text fields count bytes of UTF-8; a text cut to fit one never ends inside a
// character.
#pragma once

#include <QString>

namespace platform {

// `text` cut to at most `maxBytes` bytes of UTF-8 at a character boundary.
QString CutToBytes(const QString& text, int maxBytes);

}  // namespace platform
