// Matching stored entry names against names and wildcard patterns given by the caller.
#pragma once

#include <string_view>

namespace zipeng {

// `*` any run of characters ("/" included), `?` one character, `[...]` a set (`[!...]` or `[^...]`
// negated, ranges a-z). The whole name must match. Case-sensitive, as stored names are.
bool matchPattern(std::string_view pattern, std::string_view name);
bool hasWildcards(std::string_view text);

}  // namespace zipeng
