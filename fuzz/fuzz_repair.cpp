// Feeds arbitrary bytes to the repair scanner, normal and aggressive, with and without a
// password: it must never crash, hang on a small input, or read outside the source. It traps
// when an entry kept on its local header alone has a name that leaves the folder, or when the
// entries left out are not in the order of their positions.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/archive_source.h"
#include "core/repair_scanner.h"
#include "core/safe_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (int mode = 0; mode < 3; ++mode) {
    zipeng::ArchiveSource source;
    source.openMemory(data, size);
    zipeng::RepairOptions options;
    options.aggressive = mode != 0;
    if (mode == 2) options.password = "pw";  // the seeds' password, so that their data is decrypted
    bool aborted = false;
    std::vector<zipeng::LeftOutEntry> leftOut;
    auto found = zipeng::scanForEntries(source, options, &aborted, &leftOut);
    for (auto& e : found) {
      if (e.end < e.start || e.end > size) __builtin_trap();
      if (!e.hasCentral && zipeng::nameLeavesFolder(e.rawName)) __builtin_trap();
    }
    for (size_t i = 1; i < leftOut.size(); ++i)
      if (leftOut[i].start < leftOut[i - 1].start) __builtin_trap();
  }
  return 0;
}
