#include "interchange/safe_text.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

constexpr const char* kR = "\xEF\xBF\xBD";  // U+FFFD

TEST(SafeText, EachFormatGetsOnlyTheCharactersItAllows) {
  const std::string r = kR;
  const struct {
    std::string input;
    std::string edl;
    std::string xml;
    std::string json;
  } rows[] = {
      {"plain & <quoted> \"]]>\"", "plain & <quoted> \"]]>\"", "plain & <quoted> \"]]>\"", "plain & <quoted> \"]]>\""},
      {"a\r\nb", "a" + r + r + "b", "a" + r + "\nb", "a\r\nb"},
      {"\t\x01\x1F\x7F", r + r + r + r, "\t" + r + r + "\x7F", "\t\x01\x1F\x7F"},
      {std::string("a\0b", 3), "a" + r + "b", "a" + r + "b", std::string("a\0b", 3)},
      // Valid sequences of two, three and four bytes stay whole, the last code points included.
      {"\xC2\x80 \xE3\x82\xBD \xF0\x9F\x8E\xAC \xF4\x8F\xBF\xBF", "\xC2\x80 \xE3\x82\xBD \xF0\x9F\x8E\xAC \xF4\x8F\xBF\xBF",
       "\xC2\x80 \xE3\x82\xBD \xF0\x9F\x8E\xAC \xF4\x8F\xBF\xBF", "\xC2\x80 \xE3\x82\xBD \xF0\x9F\x8E\xAC \xF4\x8F\xBF\xBF"},
      // U+FFFE and U+FFFF are characters, but not XML's.
      {"\xEF\xBF\xBE\xEF\xBF\xBF", "\xEF\xBF\xBE\xEF\xBF\xBF", r + r, "\xEF\xBF\xBE\xEF\xBF\xBF"},
      // Not UTF-8: a stray continuation byte, over-long forms, a surrogate, past U+10FFFF, cut short.
      {"\x80x\xC0\xAF\xE0\x80\xAF\xED\xA0\x80\xF4\x90\x80\x80\xE3\x82", r + "x" + r + r + r + r + r + r + r + r + r + r + r + r + r + r,
       r + "x" + r + r + r + r + r + r + r + r + r + r + r + r + r + r,
       r + "x" + r + r + r + r + r + r + r + r + r + r + r + r + r + r},
  };
  for (const auto& row : rows) {
    bool edlReplaced = false, xmlReplaced = false, jsonReplaced = false;
    EXPECT_EQ(row.edl, EdlLineText(row.input, edlReplaced)) << row.input;
    EXPECT_EQ(row.xml, XmlText(row.input, xmlReplaced)) << row.input;
    EXPECT_EQ(row.json, JsonText(row.input, jsonReplaced)) << row.input;
    EXPECT_EQ(row.edl != row.input, edlReplaced) << row.input;
    EXPECT_EQ(row.xml != row.input, xmlReplaced) << row.input;
    EXPECT_EQ(row.json != row.input, jsonReplaced) << row.input;
  }
}

}  // namespace
}  // namespace morvane
