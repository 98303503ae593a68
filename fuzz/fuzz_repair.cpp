// Feeds arbitrary bytes to the repair scanner, normal and aggressive, with and without a
// password: it must never crash, hang on a small input, or read outside the source.
#include <cstddef>
#include <cstdint>

#include "core/archive_source.h"
#include "core/repair_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (int mode = 0; mode < 3; ++mode) {
    zipeng::ArchiveSource source;
    source.openMemory(data, size);
    zipeng::RepairOptions options;
    options.aggressive = mode != 0;
    if (mode == 2) options.password = "secret";
    bool aborted = false;
    auto found = zipeng::scanForEntries(source, options, &aborted);
    for (auto& e : found) {
      if (e.end < e.start || e.end > size) __builtin_trap();
    }
  }
  return 0;
}
