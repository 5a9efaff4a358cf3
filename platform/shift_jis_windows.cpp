#include <windows.h>

#include "platform/shift_jis.h"
#include "platform/shift_jis_table.h"
#include "platform/utf16.h"

namespace morvane {
namespace {

constexpr UINT kShiftJis = 932;

// Bytes that start no Shift-JIS character but that the code page maps to private or control
// characters (0x80 to U+0080, 0xA0 and 0xFD to 0xFF to the private use area); iconv rejects
// them, and so do we, so that both builds decode a name alike.
bool IsUnassigned(BYTE byte) { return byte == 0x80 || byte == 0xA0 || byte >= 0xFD; }

// What the code page makes of size bytes that must make one character, asked with
// MB_ERR_INVALID_CHARS so that bytes that make none fail rather than give the code page's
// default character; false for a lead byte alone.
bool Convert(const char* bytes, std::size_t size, Cp932Utf8& out) {
  const auto first = static_cast<BYTE>(bytes[0]);
  if (IsUnassigned(first)) {
    return true;
  }
  if (size == 1 && IsDBCSLeadByteEx(kShiftJis, first) != 0) {
    return false;
  }
  wchar_t wide[2];
  // Half of a pair counts as no character (the code page gives none): as UTF-8 it would be
  // U+FFFD, which would take the place of both bytes.
  if (MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(size), wide, 2) == 1 &&
      (wide[0] < 0xD800 || wide[0] > 0xDFFF)) {
    const std::string text = Utf8FromUtf16(wide, 1);
    SetIfOneCharacter(text.data(), text.size(), out);
  }
  return true;
}

}  // namespace

std::string_view DecodeShiftJisView(std::string_view bytes) {
  thread_local Cp932Table table(Convert);
  return table.Decode(bytes);
}

}  // namespace morvane
