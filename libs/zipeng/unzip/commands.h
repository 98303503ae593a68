// The decompression library's operations, one per file.
#pragma once

#include <cstdint>

#include "session.h"

namespace zipeng {

int32_t listEntries(Session& session);     // -v
int32_t testEntries(Session& session);     // -t
int32_t extractEntries(Session& session);  // default
int32_t reportComment(Session& session);   // -z
// Query block: selector 0 (count), 1234567890 (count of a spanned set), n >= 1 (entry n).
int32_t answerQuery(const char* archive, int32_t selector, zipabi::EngineCallbackFn fn, void* userData);

}  // namespace zipeng
