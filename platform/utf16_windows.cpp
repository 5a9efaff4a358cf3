#include <windows.h>

#include <cwchar>

#include "platform/utf16.h"

namespace morvane {

std::string Utf8FromUtf16(const wchar_t* text, int length) {
  if (length < 0) {
    length = static_cast<int>(std::wcslen(text));
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) {
    return {};
  }
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), size, nullptr, nullptr);
  return result;
}

}  // namespace morvane
