#include "platform/progman/options.h"

#include <charconv>
#include <string_view>

namespace progman {

namespace {

constexpr long long kLongestIdleMs = 24LL * 60 * 60 * 1000;

}  // namespace

std::optional<ServerTimes> ParseOptions(int argc, const char* const* argv, std::string& error) {
  ServerTimes times;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument.empty()) continue;
    if (argument == "--idle-ms") {
      const std::string_view value = i + 1 < argc ? argv[++i] : "";
      long long ms = 0;
      const auto [end, problem] = std::from_chars(value.data(), value.data() + value.size(), ms);
      if (problem != std::errc() || end != value.data() + value.size() || ms < 1 || ms > kLongestIdleMs) {
        error = "--idle-ms wants a number of milliseconds from 1 to " + std::to_string(kLongestIdleMs) +
                ", not \"" + std::string(value) + "\"";
        return std::nullopt;
      }
      times.idle = std::chrono::milliseconds(ms);
      continue;
    }
    error = "unknown argument \"" + std::string(argument) + "\"";
    return std::nullopt;
  }
  return times;
}

}  // namespace progman
