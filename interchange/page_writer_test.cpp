// The web pages as XHTML that an HTML reader takes alike: no element of the page but the void
// ones ends in "/>" (an HTML reader takes "<td />" for a start tag and nests what follows in it).
// (page_test.py reads the examples' pages and has Chromium draw them.)
#include "interchange/page_writer.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <regex>
#include <set>
#include <string>

namespace morvane {
namespace {

std::set<std::string> SelfClosed(const std::string& page) {
  std::set<std::string> names;
  const std::regex tag("<([a-z]+)[^<>]*/>");
  for (auto it = std::sregex_iterator(page.begin(), page.end(), tag); it != std::sregex_iterator(); ++it) {
    names.insert((*it)[1]);
  }
  return names;
}

TEST(WebPage, EmptyCellsListsAndTablesAreNeverSelfClosed) {
  Timeline timeline;
  timeline.name = "empty";
  timeline.tracks.emplace_back();
  PageFacts facts;
  facts.facts = {{"file", ""}, {"bad", "a\x01z"}};
  facts.media = {{"a.avi", "", false, "", {}}};
  const auto tables = std::make_unique<ClipTables>();
  tables->mainClips.count = 1;  // one clip of no length: an EDL row with an empty name
  facts.tables = tables.get();
  for (const bool archive : {false, true}) {
    std::string page;
    ListingWriter out(page);
    ExportNotes notes;
    if (archive) {
      WritePageHead("", out);
      WriteSummary({SummaryRow{"p1", "", "", "", 0, 0, 0, "", ""}}, {}, notes, out);
      WriteProjectSection(timeline, TimecodeMode::Pal, facts, "p1", notes, out);
      WritePageEnd(out);
    } else {
      WriteProjectPage(timeline, TimecodeMode::Pal, facts, notes, out);
    }
    out.Flush();
    EXPECT_EQ((std::set<std::string>{"meta", "path", "polygon", "rect"}), SelfClosed(page)) << page;  // the picture's shapes
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(page.c_str())) << page;
    EXPECT_STREQ("a\xEF\xBF\xBDz", document.select_node("//tr[th='bad']/td").node().text().get());
    EXPECT_EQ(1u, notes.notes().size());
    EXPECT_EQ(ExportChange::TextReplaced, notes.notes()[0].change);
    EXPECT_EQ(11u, document.select_nodes("//table[@class='edl']/tr[2]/td").size());
  }
}

}  // namespace
}  // namespace morvane
