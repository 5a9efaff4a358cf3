#pragma once

// UTF-16, the text of Windows' own calls, to UTF-8 (Windows only: utf16_windows.cpp).

#include <string>

namespace morvane {

// length units of text (-1: up to its terminating zero, which is not copied) as UTF-8.
std::string Utf8FromUtf16(const wchar_t* text, int length);

}  // namespace morvane
