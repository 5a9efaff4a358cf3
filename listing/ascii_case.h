#pragma once

#include <cstddef>
#include <string_view>

namespace morvane {

// True when a and b hold the same bytes but for the case of ASCII letters: "CLIP.avi" equals
// "clip.AVI"; any other byte, Shift-JIS included, must match exactly.
inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) {
      return false;
    }
  }
  return true;
}

// True when text ends with suffix, compared as EqualsIgnoringAsciiCase does: "CUT.EDL" ends
// with ".edl".
inline bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && EqualsIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace morvane
