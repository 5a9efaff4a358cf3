#include "cli/help_text.h"

#include <gtest/gtest.h>

#include <string>

namespace morvane {
namespace {

struct WrapCase {
  const char* text;
  std::size_t width;
  const char* wrapped;
};

class WrapTextTest : public testing::TestWithParam<WrapCase> {};

TEST_P(WrapTextTest, BreaksWhereTheLanguageAllows) {
  EXPECT_EQ(GetParam().wrapped, WrapText(GetParam().text, GetParam().width));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrapTextTest,
    testing::Values(WrapCase{"", 10, ""},                                      //
                    WrapCase{"fits exactly", 12, "fits exactly"},              // the last column is used
                    WrapCase{"aaa bbb ccc", 7, "aaa bbb\nccc"},                // at a space, which goes
                    WrapCase{"abcdefghij x", 4, "abcdefghij\nx"},              // a longer word stays whole
                    WrapCase{"あいうえお", 6, "あいう\nえお"},                   // two columns each
                    WrapCase{"あいう。えお", 6, "あい\nう。え\nお"},             // no line starts with 。
                    WrapCase{"あい「う」", 5, "あい\n「う」"},                  // none ends with 「
                    WrapCase{"あいう)", 4, "あい\nう)"},                      // nor starts with )
                    WrapCase{"設定は --force です", 10, "設定は\n--force で\nす"},  // Latin words whole
                    WrapCase{"日本--forceです", 9, "日本\n--forceで\nす"},     // no space needed around them
                    WrapCase{"あいう\nえ", 4, "あい\nう\nえ"},                  // each line of its own
                    WrapCase{"あい\n", 4, "あい\n"}));                         // the line end kept

struct WidthCase {
  const char* text;
  std::size_t width;
};

class DisplayWidthTest : public testing::TestWithParam<WidthCase> {};

TEST_P(DisplayWidthTest, CountsWideCharactersTwice) {
  EXPECT_EQ(GetParam().width, DisplayWidth(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Cases, DisplayWidthTest,
                         testing::Values(WidthCase{"abc", 3}, WidthCase{"日本語", 6}, WidthCase{"、。", 4},
                                         WidthCase{"\u27e6a\u27e7", 3},  // the pseudo-language's marks
                                         WidthCase{"\uff21\uff71", 3},   // fullwidth A, halfwidth ｱ
                                         WidthCase{"\U00020000", 2},     // beyond 16 bits
                                         WidthCase{"\xff" "a", 2}));     // a byte that starts no character

}  // namespace
}  // namespace morvane
