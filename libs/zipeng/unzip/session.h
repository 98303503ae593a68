// One operation's view of the archive: the command, the callback, the opened source and its
// parsed directory, and which entries the names select.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "command_line.h"
#include "core/archive_index.h"
#include "core/archive_source.h"
#include "core/callback.h"

namespace zipeng {

struct Session {
  // The archive is known by where it really is from here on (resolveArchivePath).
  Session(const Command& c, zipabi::EngineCallbackFn fn, void* userData);

  Command command;
  zipeng::Callback callback;
  zipeng::ArchiveSource source;
  zipeng::ArchiveIndex index;

  // Undoes what an interrupted operation left on the archive; zrArchiveBusy while another
  // operation is changing it in place.
  int32_t prepare();
  // Prepares, opens the archive (a spanned set with "-!", asking for each segment) and parses it;
  // with `visit`, hands its entries on without keeping them (see readArchiveIndex).
  int32_t open(const EntryVisitor* visit = nullptr);
  // Indexes of the entries the names select, in archive order. Every name that selects no entry
  // is reported with message 1060, reason 0; `unmatched` counts them.
  std::vector<size_t> selectEntries(size_t& unmatched);
};

}  // namespace zipeng
