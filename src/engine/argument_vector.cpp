#include "engine/argument_vector.h"

char** TArgumentVector::Addresses() {
  FAddresses.clear();
  FAddresses.reserve(FElements.size() + 1);
  // data() of a QByteArray is always terminated, also when it is empty.
  for (QByteArray& element : FElements) FAddresses.push_back(element.data());
  FAddresses.push_back(nullptr);  // one past the end, for libraries that look
  return FAddresses.data();
}
