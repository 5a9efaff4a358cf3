#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace morvane::win32 {

// The core speaks UTF-8, Windows UTF-16. A byte sequence that is not UTF-8 becomes U+FFFD, and
// so does a lone surrogate on the way back.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view utf16);

// The whole text of a window or control.
std::wstring WindowText(HWND window);
std::string WindowTextUtf8(HWND window);

}  // namespace morvane::win32
