#include "patterns.h"

namespace zipeng {

namespace {
// Matches a bracket set starting at pattern[p] == '['. Returns the index after ']', or npos
// when the set is unterminated (then '[' is an ordinary character).
size_t matchSet(std::string_view pattern, size_t p, char c, bool& matched) {
  size_t i = p + 1;
  bool negate = false;
  if (i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^')) {
    negate = true;
    ++i;
  }
  bool found = false;
  bool first = true;
  while (i < pattern.size() && (pattern[i] != ']' || first)) {
    first = false;
    char lo = pattern[i];
    if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
      char hi = pattern[i + 2];
      if (static_cast<unsigned char>(c) >= static_cast<unsigned char>(lo) &&
          static_cast<unsigned char>(c) <= static_cast<unsigned char>(hi))
        found = true;
      i += 3;
    } else {
      if (c == lo) found = true;
      ++i;
    }
  }
  if (i >= pattern.size()) return std::string_view::npos;
  matched = found != negate;
  return i + 1;
}
}  // namespace

bool matchPattern(std::string_view pattern, std::string_view name) {
  // Iterative matcher with one backtrack point for the last '*': linear in practice and no
  // recursion depth to exhaust on hostile patterns.
  size_t p = 0, n = 0;
  size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size()) {
      char pc = pattern[p];
      if (pc == '*') {
        starP = p++;
        starN = n;
        continue;
      }
      if (pc == '?') {
        ++p;
        ++n;
        continue;
      }
      if (pc == '[') {
        bool matched = false;
        size_t next = matchSet(pattern, p, name[n], matched);
        if (next != std::string_view::npos) {
          if (matched) {
            p = next;
            ++n;
            continue;
          }
        } else if (name[n] == '[') {
          ++p;
          ++n;
          continue;
        }
      } else if (pc == name[n]) {
        ++p;
        ++n;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    p = starP + 1;
    n = ++starN;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool hasWildcards(std::string_view text) {
  return text.find_first_of("*?[") != std::string_view::npos;
}

}  // namespace zipeng
