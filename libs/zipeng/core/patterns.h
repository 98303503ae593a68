// Matching stored entry names against names and wildcard patterns given by the caller.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zipeng {

// `*` any run of characters ("/" included), `?` one character, `[...]` a set (`[!...]` or `[^...]`
// negated, ranges a-z). The whole name must match. Case-sensitive, as stored names are.
bool matchPattern(std::string_view pattern, std::string_view name);
bool hasWildcards(std::string_view text);

// Includes and excludes as the argument vector gives them. An empty include list selects all.
struct NameFilter {
  std::vector<std::string> includes;
  std::vector<std::string> excludes;
  bool selects(std::string_view name) const;
  // True when `name` is selected by include `i` (so callers can tell which names matched).
  static bool matches(std::string_view pattern, std::string_view name);
};

}  // namespace zipeng
