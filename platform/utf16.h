#pragma once

// UTF-16, the text of Windows' own calls, to and from UTF-8 (Windows only: utf16_windows.cpp).

#include <string>
#include <string_view>

namespace morvane {

// length units of text (-1: up to its terminating zero, which is not copied) as UTF-8.
std::string Utf8FromUtf16(const wchar_t* text, int length);

// text as UTF-16; a byte that starts no UTF-8 character becomes U+FFFD.
std::wstring Utf16FromUtf8(std::string_view text);

}  // namespace morvane
