#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace morvane {

// Paths are UTF-8 text everywhere inside the program. A char8_t string makes std::filesystem read
// them as UTF-8 on every platform; a plain char string would be the ANSI code page on Windows.
inline std::filesystem::path Utf8Path(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace morvane
