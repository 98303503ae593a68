// An argument vector for one library call: each element is a zero-terminated UTF-8 copy owned
// by the vector, never a null address, freed when the vector goes away.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

class TArgumentVector {
 public:
  void Append(const QString& text) { FElements.push_back(text.toUtf8()); }
  void Append(const char* text) { FElements.push_back(QByteArray(text)); }

  int Count() const { return static_cast<int>(FElements.size()); }
  const QByteArray& At(int index) const { return FElements[static_cast<size_t>(index)]; }

  // The contiguous array of addresses the library reads; valid until the vector changes.
  char** Addresses();

 private:
  std::vector<QByteArray> FElements;
  std::vector<char*> FAddresses;
};
