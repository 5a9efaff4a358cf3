#pragma once

#include <string>
#include <string_view>

namespace morvane {

// Code page 932 (Shift-JIS, as the projects hold their names) to UTF-8 with the system's
// converter (iconv; MultiByteToWideChar on Windows). Each byte that does not start a valid
// character (0x80, 0xA0, 0xFD to 0xFF, a lead byte with a bad or missing trail byte) becomes
// U+FFFD and decoding goes on with the next byte: "\x83\x5c" gives "ソ", "a\x80b" gives "a\uFFFDb".
// Both systems decode a name alike. The text is always valid UTF-8 without U+FFFE or U+FFFF
// (which XML cannot hold), as the exports rely on.
std::string DecodeShiftJis(std::string_view bytes);

// The same text without a string of its own: it stays in the calling thread's memory until the
// thread's next call of this function, for a caller that copies it on at once.
std::string_view DecodeShiftJisView(std::string_view bytes);

}  // namespace morvane
