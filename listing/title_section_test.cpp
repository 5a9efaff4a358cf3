// Title texts are escaped 8 or 16 bytes at a time: an escape, another control byte or the zero
// byte that ends a text must be found at every offset of a word, a block and a piece.
// The golden files hold short texts only.
#include "listing/title_section.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/doubles/listing_run.h"
#include "testing/effect_title_records.h"

namespace morvane {
namespace {

using namespace testing;

std::string Repeat(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

TEST(TitleSection, EscapesLongTextsAtEveryOffsetAndEndsThemAtTheFirstZeroByte) {
  // 37 bytes: over many repeats the escapes fall at every offset of a word, a block and a piece.
  // The second byte 0x5C of a two-byte character is escaped like any backslash.
  const std::string pattern = "abc\"defghij\\klmnopqrs\r\ntuvwxyz01234\x83\x5c";
  const std::string listed = "abc\\\"defghij\\\\klmnopqrs\\r\\ntuvwxyz01234\x83\x5c\x5c";
  const struct {
    std::string text, listed;
  } rows[] = {
      {Repeat(pattern, 1700), Repeat(listed, 1700)},
      {Repeat(pattern, 300) + std::string("\0tail\"", 6), Repeat(listed, 300)},
      {"\t\x01\x7f\x80\xff" + Repeat("x", 11), "\t\x01\x7f\x80\xff" + Repeat("x", 11)},
  };
  for (const auto& row : rows) {
    TitleRecord title;
    title.items = {NumberedItem(row.text, "font", 1)};
    ProjectWriter file;
    AppendTitleRecord(file, title, TitleLayout::Plain);
    ListingRun run(file);
    ReadTitleSection(run.context, 1, 0x0206);
    EXPECT_EQ(0, run.Remaining());
    EXPECT_NE(std::string::npos, run.Output().find(",\"" + row.listed + "\",1,2,3,")) << row.listed.size();
  }
}

}  // namespace
}  // namespace morvane
