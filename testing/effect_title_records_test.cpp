#include "testing/effect_title_records.h"

#include <gtest/gtest.h>

#include <string>

namespace morvane::testing {
namespace {

TEST(EffectTitleRecords, TextLengthOf255OrMoreIsWrittenAs255AndAWord) {
  const auto textField = [](std::size_t length) {
    TitleRecord title;
    title.items.resize(1);
    title.items[0].text = std::string(length, 'a');
    ProjectWriter file;
    AppendTitleRecord(file, title, TitleLayout::Plain);
    // Head: 3 values, name, block size, value, name, block size; then the item count.
    return file.str().substr(30, 3);
  };
  EXPECT_EQ(std::string("\xfe" "aa", 3), textField(254));
  EXPECT_EQ(std::string("\xff\xff\x00", 3), textField(255));
  EXPECT_EQ(std::string("\xff\x2c\x01", 3), textField(300));
}

TEST(EffectTitleRecords, TextItemHasSixHundredSeventeenFixedBytes) {
  TitleTextItem item;
  NumberTextItem(item, 1);
  item.text = "abc";
  item.name = "font";
  TitleRecord title;
  title.layoutWord = 0x0300;
  title.items = {item};
  ProjectWriter plain;
  AppendTitleRecord(plain, title, TitleLayout::Plain);
  // Head 30 bytes, item: 1 + 3 text, 1 + 4 name, 617 fixed; closing name 1.
  EXPECT_EQ(30u + 4 + 5 + 617 + 1, plain.size());

  ProjectWriter withoutItemWords;
  AppendTitleRecord(withoutItemWords, title, TitleLayout::Extended);
  EXPECT_EQ(plain.size() + 8, withoutItemWords.size());
  title.layoutWord = 0;
  ProjectWriter withItemWords;
  AppendTitleRecord(withItemWords, title, TitleLayout::Extended);
  EXPECT_EQ(plain.size() + 12, withItemWords.size());
}

}  // namespace
}  // namespace morvane::testing
