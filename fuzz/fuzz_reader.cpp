// libFuzzer target for the archive reader: the end records, the central directory, local
// headers and every entry's data through the read chain (traditional and AES decryption, every
// method, the CRC and the authentication code), plus the entry-name sanitiser.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/archive_index.h"
#include "core/archive_source.h"
#include "core/entry_reader.h"
#include "core/safe_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zipeng::ArchiveSource source;
  source.openMemory(data, size);
  zipeng::ArchiveIndex index;
  if (zipeng::readArchiveIndex(source, index, true) != zipabi::zrOk) return 0;
  zipeng::EntryReader reader;
  uint64_t total = 0;
  size_t n = 0;
  for (const auto& entry : index.entries) {
    if (++n > 64) break;  // enough to reach every code path; keeps each run quick
    (void)zipeng::safeRelativePath(entry.name, false);
    (void)zipeng::safeRelativePath(entry.name, true);
    (void)entry.dosAttributes();
    (void)entry.isSymlink();
    std::string password = entry.encrypted() ? "pw" : "";
    if (entry.encrypted()) (void)reader.passwordFits(source, entry, password);
    reader.read(source, entry, password, [&](const uint8_t* p, size_t k) {
      total += k;
      return p != nullptr && total < (64u << 20);
    });
  }
  return 0;
}
