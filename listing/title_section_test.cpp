#include "listing/title_section.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/effect_title_records.h"
#include "testing/listing_run.h"

namespace morvane {
namespace {

using namespace testing;

constexpr ConversionSettings kRexEdit{SoftwareKind::RexEdit, TimecodeMode::NtscDropFrame};
constexpr ConversionSettings kEzEdit{SoftwareKind::EzEdit, TimecodeMode::NtscDropFrame};

// The title of the example: begin 10, values 200 and 0, names abc and x, fourth value 1.
TitleRecord ExampleTitle() {
  TitleRecord title;
  title.begin = 10;
  title.second = 200;
  title.third = 0;
  // Moved in from std::string rather than assigned from literals: GCC 12 at -O3 warns falsely
  // (-Wrestrict) about the copy inside the assignment of a short literal.
  title.firstName = std::string("abc");
  title.fourth = 1;
  title.secondName = std::string("x");
  return title;
}

// An item whose 158 numbers count 1 to 158 in file order.
TitleTextItem Item(std::string text, std::uint32_t itemWord = 0) {
  TitleTextItem item;
  item.itemWord = itemWord;
  item.text = std::move(text);
  item.name = "font";
  NumberTextItem(item, 1);
  return item;
}

// ",from,from+1,...,to"
std::string Count(int from, int to) {
  std::string text;
  for (int n = from; n <= to; ++n) {
    text += ',';
    text += std::to_string(n);
  }
  return text;
}

// The line of an Item() whose text lists as quoted.
std::string ItemLine(const std::string& quoted) {
  return ",\"" + quoted + "\"" + Count(1, 9) + ",font" + Count(10, 158) + "\r\n";
}

std::string ListTitles(const ProjectWriter& file, std::int32_t count, int version,
                       ConversionSettings settings = kRexEdit) {
  ListingRun run(file, settings);
  ReadTitleSection(run.context, count, version);
  EXPECT_EQ(0, run.Remaining()) << "the titles were not consumed exactly";
  return run.Output();
}

std::string ListTitle(const TitleRecord& title, TitleLayout layout, int version,
                      ConversionSettings settings = kRexEdit) {
  ProjectWriter file;
  AppendTitleRecord(file, title, layout);
  return ListTitles(file, 1, version, settings);
}

// The listing of a plain title holding one Item(text).
std::string ListedText(const std::string& text) {
  TitleRecord title;
  title.items = {Item(text)};
  return ListTitle(title, TitleLayout::Plain, 0x0206);
}
const std::string kEmptyHead = "begin=0,0,0,,0,0,,0,\r\n";

TEST(TitleSection, ListsTheExampleTitleOnTwoLines) {
  EXPECT_EQ("begin=10,200,0,abc,0,1,x,0,\r\n,\r\n", ListTitle(ExampleTitle(), TitleLayout::Plain, 0x0206));
}

TEST(TitleSection, HeadValuesPrintSignedTheFourthUnsignedAndANegativeItemCountListsNoItems) {
  TitleRecord title = ExampleTitle();
  title.begin = -1;
  title.second = INT32_MIN;
  title.third = 7;
  title.fourth = 0xFFFFFFFF;
  title.itemCount = -1;
  title.closingName = "end";
  EXPECT_EQ("begin=-1,-2147483648,7,abc,0,4294967295,x,0,\r\n,end\r\n",
            ListTitle(title, TitleLayout::Plain, 0x0206));
}

TEST(TitleSection, WordBlocksListTheirSizeSignedAndReadWholeWords) {
  struct Case {
    std::int32_t size;
    std::vector<std::uint32_t> words;  // what the file holds after the size
    const char* listed;
  };
  const Case cases[] = {
      {0, {}, ",0"},
      {4, {0xFFFFFFFF}, ",4,4294967295"},
      {5, {11, 12}, ",5,11,12"},
      {8, {11, 12}, ",8,11,12"},
      {-4, {}, ",-4"},
      {INT32_MIN, {}, ",-2147483648"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    TitleRecord title = ExampleTitle();
    title.firstBlock = {c.size, c.words};
    title.secondBlock = {c.size, c.words};
    EXPECT_EQ(std::string("begin=10,200,0,abc") + c.listed + ",1,x" + c.listed + ",\r\n,\r\n",
              ListTitle(title, TitleLayout::Plain, 0x0206));
  }
}

TEST(TitleSection, ExtendedLayoutFollowsTheVersionOrTheEzEditSetting) {
  TitleRecord title = ExampleTitle();
  title.layoutWord = 7;
  title.fifth = 8;
  title.sixth = 9;
  title.items = {Item("Hello", 42), Item("World", 43)};
  title.closingName = "end";
  const std::string plain = "begin=10,200,0,abc,0,1,x,0,\r\n" + ItemLine("Hello") + ItemLine("World") + ",end\r\n";
  const std::string extended =
      "begin=10,200,0,abc,0,1,x,0,7,8,9,\r\n,42" + ItemLine("Hello") + ",43" + ItemLine("World") + ",end\r\n";
  const struct {
    int version;
    ConversionSettings settings;
    TitleLayout layout;
  } cases[] = {
      {0x0200, kRexEdit, TitleLayout::Plain},    {0x0206, kRexEdit, TitleLayout::Plain},
      {0x0207, kRexEdit, TitleLayout::Extended}, {0x0300, kRexEdit, TitleLayout::Extended},
      {0x0200, kEzEdit, TitleLayout::Extended},  {0x0206, kEzEdit, TitleLayout::Extended},
      {0x0207, kEzEdit, TitleLayout::Extended},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.layout == TitleLayout::Plain ? plain : extended, ListTitle(title, c.layout, c.version, c.settings))
        << std::hex << c.version << " EzEdit " << (c.settings.softwareKind == SoftwareKind::EzEdit);
  }
}

TEST(TitleSection, LayoutWord768DropsTheItemWords) {
  TitleRecord title = ExampleTitle();
  title.layoutWord = 768;
  title.items = {Item("Hello", 42)};
  EXPECT_EQ("begin=10,200,0,abc,0,1,x,0,768,0,0,\r\n" + ItemLine("Hello") + ",\r\n",
            ListTitle(title, TitleLayout::Extended, 0x0207));
  title.layoutWord = 769;
  EXPECT_EQ("begin=10,200,0,abc,0,1,x,0,769,0,0,\r\n,42" + ItemLine("Hello") + ",\r\n",
            ListTitle(title, TitleLayout::Extended, 0x0207));
}

TEST(TitleSection, TextLengthOf255AndMoreIsReadFromTheWordThatFollows) {
  for (const std::size_t length : {0u, 1u, 254u, 255u, 300u, 65535u}) {
    SCOPED_TRACE(length);
    std::string text(length, 'a');
    if (length > 0) text.back() = 'z';  // the last byte must reach the listing too
    EXPECT_EQ(kEmptyHead + ItemLine(text) + ",\r\n", ListedText(text));
  }
}

TEST(TitleSection, TextIsEscapedBytewiseAndEndsAtItsFirstZeroByte) {
  // 37 bytes, so that over many repeats the escapes and the zero fall at every offset of a word
  // and of the 8 KiB pieces the text is escaped in.
  const std::string pattern = "abc\"defghij\\klmnopqrs\r\ntuvwxyz01234\x83\x5c";
  const std::string listedPattern = "abc\\\"defghij\\\\klmnopqrs\\r\\ntuvwxyz01234\x83\x5c\x5c";
  const auto repeat = [](const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
  };
  const std::string long1 = repeat(listedPattern, 1700), long2 = repeat(listedPattern, 300);
  const struct {
    std::string text;
    const char* listed;
  } cases[] = {
      {repeat(pattern, 1700), long1.c_str()},
      {repeat(pattern, 300) + std::string("\0tail", 5), long2.c_str()},
      {"a\rb\nc\"d\\e", "a\\rb\\nc\\\"d\\\\e"},
      {"\r\n\r\n", "\\r\\n\\r\\n"},
      // Other control bytes and bytes 0x80 to 0xFF pass unchanged; the second byte 0x5C of a
      // two-byte character is escaped like any backslash.
      {"\t\x01\x7f\x80\xff", "\t\x01\x7f\x80\xff"},
      {"\x83\x5c", "\x83\x5c\x5c"},
      {std::string("ab\0c\"d", 6), "ab"},
      {std::string("\0abc", 4), ""},
      {std::string(300, '\0'), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(kEmptyHead + ItemLine(c.listed) + ",\r\n", ListedText(c.text));
}

TEST(TitleSection, TextBufferStartsEmptyForEveryItem) {
  TitleRecord title;
  title.items = {Item(std::string(1000, '"')), Item("ab"), Item(std::string("x\0yyyy", 6)), Item("")};
  std::string quotes;
  for (int i = 0; i < 1000; ++i) quotes += "\\\"";
  EXPECT_EQ(kEmptyHead + ItemLine(quotes) + ItemLine("ab") + ItemLine("x") + ItemLine("") +
                ",\r\n",
            ListTitle(title, TitleLayout::Plain, 0x0206));
}

TEST(TitleSection, TruncatedSectionListsZeroTitles) {
  ListingRun run{ProjectWriter()};
  ReadTitleSection(run.context, 2, 0x0207);
  EXPECT_EQ("begin=0,0,0,,0,0,,0,0,0,0,\r\n,\r\nbegin=0,0,0,,0,0,,0,0,0,0,\r\n,\r\n", run.Output());
  EXPECT_EQ(60, run.progress.steps);
}

}  // namespace
}  // namespace morvane
