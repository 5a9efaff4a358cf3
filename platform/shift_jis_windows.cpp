#include <windows.h>

#include "platform/shift_jis.h"
#include "platform/utf16.h"

namespace morvane {
namespace {

constexpr UINT kShiftJis = 932;

// Bytes that start no Shift-JIS character but that the code page maps to private or control
// characters (0x80 to U+0080, 0xA0 and 0xFD to 0xFF to the private use area); iconv rejects
// them, and so do we, so that both builds decode a name alike.
bool IsUnassigned(BYTE byte) { return byte == 0x80 || byte == 0xA0 || byte >= 0xFD; }

}  // namespace

std::string DecodeShiftJis(std::string_view bytes) {
  // One character at a time with MB_ERR_INVALID_CHARS, so that a bad byte becomes U+FFFD
  // alone instead of the code page's default character or a failed call for the whole name.
  std::string text;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const BYTE byte = static_cast<BYTE>(bytes[i]);
    const bool lead = IsDBCSLeadByteEx(kShiftJis, byte) != 0;
    const int width = lead && i + 1 < bytes.size() ? 2 : 1;
    wchar_t wide[2];
    int n =
        (lead && width == 1) || IsUnassigned(byte)
            ? 0
            : MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, bytes.data() + i, width, wide, 2);
    // A character that XML cannot hold, or half of a pair, counts as none (the code page gives
    // neither): decoded texts are valid UTF-8 without U+FFFE or U+FFFF.
    if (n == 1 && (wide[0] >= 0xFFFE || (wide[0] >= 0xD800 && wide[0] <= 0xDFFF))) {
      n = 0;
    }
    if (n > 0) {
      text += Utf8FromUtf16(wide, n);
      i += static_cast<std::size_t>(width);
    } else {
      text += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return text;
}

std::string_view DecodeShiftJisView(std::string_view bytes) {
  thread_local std::string kept;
  kept = DecodeShiftJis(bytes);
  return kept;
}

}  // namespace morvane
