#include "platform/shift_jis.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

// Both systems' converters decode alike, and a bad byte becomes U+FFFD alone.
TEST(ShiftJis, DecodesEachCharacterAndReplacesEachBadByte) {
  const struct {
    std::string_view bytes, decoded;
  } rows[] = {
      {"CLIP.AVI", "CLIP.AVI"},
      // 0x5C, the byte of '\', is the trail byte of "ソ".
      {"C:\\DV\\\x83\x5c\x81\x5b\x83\x58.avi", "C:\\DV\\ソース.avi"},
      {"\xB1\xB2.avi", "ｱｲ.avi"},  // half-width katakana: one byte each
      {"a\x80" "b\xFD", "a\uFFFDb\uFFFD"},
      {"x\x83", "x\uFFFD"},  // a lead byte cut off at the end
      {"\x83\x41\xA0\xFF", "ア\uFFFD\uFFFD"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.decoded, DecodeShiftJis(row.bytes)) << row.bytes;
}

}  // namespace
}  // namespace morvane
