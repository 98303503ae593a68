// The command line of the service. Parcelix starts it as "ProgMan" followed by an empty topic;
// empty arguments are therefore accepted and ignored. "--idle-ms N" shortens the idle time for tests.
#pragma once

#include <optional>
#include <string>

#include "platform/progman/server.h"

namespace progman {

// The times to serve with, or nothing with `error` set when an argument is not understood.
std::optional<ServerTimes> ParseOptions(int argc, const char* const* argv, std::string& error);

}  // namespace progman
