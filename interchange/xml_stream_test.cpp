// Element-by-element XML at a chosen indent, and the title line ends the XML writers share.
#include "interchange/xml_stream.h"
#include "interchange/safe_text.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/shift_jis.h"

namespace morvane {
namespace {

struct IndentCase {
  const char* indent;
  const char* expected;
};

// An opened element with children, one without, an element printed whole inside them, and the
// closes: what pugixml prints for the whole document at that indent.
TEST(XmlStream, OpensPrintsAndClosesAtTheIndentGiven) {
  constexpr std::array<IndentCase, 3> cases = {{
      {"  ", "<a x=\"1\">\n  <k>v</k>\n  <b>\n    <c />\n  </b>\n</a>\n"},
      {"\t", "<a x=\"1\">\n\t<k>v</k>\n\t<b>\n\t\t<c />\n\t</b>\n</a>\n"},
      {"    ", "<a x=\"1\">\n    <k>v</k>\n    <b>\n        <c />\n    </b>\n</a>\n"},
  }};
  for (const IndentCase& row : cases) {
    std::string text;
    {
      ListingWriter out(text);
      XmlStream xml(out, pugi::format_default, row.indent);
      pugi::xml_node a = xml.Fresh("a");
      a.append_attribute("x") = 1;
      a.append_child("k").text() = "v";
      xml.Open(a, 0);  // its child k is written with it
      xml.Open(xml.Fresh("b"), 1);
      EXPECT_STREQ("b", xml.Made().name());
      xml.Fresh("c");
      xml.Print(2);
      xml.Close("b", 1);
      xml.Close("a", 0);
      out.Flush();
    }
    EXPECT_EQ(row.expected, text) << '"' << row.indent << '"';
  }
}

TEST(LineFeeds, FoldsEachTitleLineEndToOneLineFeed) {
  struct Case {
    std::string input;
    std::string expected;
  };
  const std::array<Case, 8> cases = {{
      {"", ""},
      {"one", "one"},
      {"a\r\nb", "a\nb"},
      {"a\rb", "a\nb"},
      {"a\nb", "a\nb"},
      {"\r", "\n"},                  // a CR as the last byte
      {"a\r\r\nb\n\r", "a\n\nb\n\n"},  // CR before CR LF; LF CR
      {std::string("a\0\rb", 4), std::string("a\0\nb", 4)},
  }};
  for (const Case& row : cases) {
    EXPECT_EQ(row.expected, LineFeeds(row.input)) << row.input;
  }
}

// One pass that makes the line feeds and keeps what XML allows gives what the two give one
// after the other, also where a line end meets a sequence that is not UTF-8 or a control byte.
TEST(LineFeeds, AndXmlTextInOnePassAsOneAfterTheOther) {
  const std::string inputs[] = {"",
                                "a\r\nb\rc\n",
                                "\r",
                                "\r\r\n\n\r",
                                "\xE3\r\n\x82\xBD",
                                "\xE3\x82\r\xBD\r",
                                std::string("\x01\r\0\r\n\t\x7F", 7),
                                "\xEF\xBF\xBE\r\n\xEF\xBF\xBF",
                                "\xE3\x82\xBD\r\n\xF0\x9F\x8E\xAC\r\xC3"};
  for (const std::string& input : inputs) {
    bool separate = false, fused = false;
    EXPECT_EQ(XmlText(LineFeeds(input), separate), XmlLines(input, fused)) << input;
    EXPECT_EQ(separate, fused) << input;
  }
}

// What the decoder writes (every byte alone, every pair of bytes among others) is made by the
// pass over the control bytes alone into what the filter makes of it; so are line ends and
// control characters at each place of two blocks of sixteen or of eight, and at the end.
TEST(LineFeeds, OfDecodedTextsInTheQuickPassAsTheFilterMakesThem) {
  std::vector<std::string> texts;
  for (int first = 0; first < 256; ++first) {
    std::string pairs;
    for (int second = 0; second < 256; ++second) {
      const std::string pair{static_cast<char>(first), static_cast<char>(second)};
      texts.push_back(DecodeShiftJis(pair));
      pairs += pair + 'x';
    }
    texts.push_back(DecodeShiftJis(pairs));
  }
  for (std::size_t at = 0; at < 34; ++at) {
    for (const char* control : {"\r", "\r\n", "\n\r", "\r\r\n", "\r\nx\r\n", "\t", "\x01", "\x1F", "\x7F"}) {
      texts.push_back(std::string(at, 'a') + control + std::string(33 - at, 'b'));
      texts.push_back(std::string(at, 'a') + control);
    }
  }
  for (const std::string& text : texts) {
    bool filtered = false, quick = false;
    ASSERT_EQ(XmlLines(text, filtered), DecodedXmlLines(text, quick)) << text;
    ASSERT_EQ(filtered, quick) << text;
  }
}

}  // namespace
}  // namespace morvane
