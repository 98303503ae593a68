// Fixed-width texts at the library boundary: limits count bytes of UTF-8, and a cut never
// splits a character.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>

// The longest prefix of `bytes` of at most `limit` bytes that ends on a character boundary.
QByteArray CutUtf8(const QByteArray& bytes, std::size_t limit);

// A zero-terminated library string, or empty for a null address.
QString TextFromLibrary(const char* text);

// Copies at most `limit` bytes of `text` (cut on a character boundary) into `buffer` and returns
// the number copied; writes a terminator after them when `terminate` is set.
std::size_t CopyToLibrary(const QByteArray& text, char* buffer, std::size_t limit, bool terminate);
