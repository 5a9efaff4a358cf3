// The MLT writer writes pugixml's print bytes itself: every case must read back through pugixml
// and print to exactly what was written.
#include "interchange/mlt_writer.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "interchange/exports.h"
#include "testing/timeline_clips.h"

namespace morvane {
namespace {

std::string Mlt(const Timeline& timeline) {
  ExportNotes notes;
  return RenderTimeline(timeline, ExportFormat::Mlt, TimecodeMode::Pal, notes).at(0).text;
}

// What pugixml prints of the document it reads from text. Reading drops a property's empty
// text, which the writer keeps as pugixml does: "<property name="n"></property>".
std::string Reprinted(const std::string& text) {
  pugi::xml_document document;
  EXPECT_TRUE(document.load_buffer(text.data(), text.size()));
  for (const pugi::xpath_node& property : document.select_nodes("//property[not(node())]")) {
    property.node().text() = "";
  }
  std::ostringstream printed;
  document.save(printed, "  ", pugi::format_default, pugi::encoding_utf8);
  return printed.str();
}

TimelineClip Clip(std::int64_t recordIn, std::int64_t duration) { return testing::FileClip("a.avi", recordIn, duration); }

// Each text that reaches the document holds what XML escapes: in the project's name (an
// attribute), clip names and paths, a transition's name and titles (text), a title's # too.
TEST(Mlt, WritesWhatPugixmlPrintsOfItsOwnDocument) {
  const std::string special = "<a href=\"x\">&amp;'q'</a>\t#1\n>";
  // Blocks of 16 bytes with nothing to escape are passed whole: every byte to escape at every
  // offset of a block, after runs that fill none, one or several blocks.
  std::string shifted;
  for (int offset = 0; offset < 70; ++offset) shifted += std::string(static_cast<std::size_t>(offset), 'x') + special + "\r\x01";
  const struct {
    const char* what;
    std::function<void(Timeline&)> change;
    std::string expected;  // a piece of the text
  } rows[] = {
      {"plain", [](Timeline&) {}, "    <property name=\"shotcut:caption\">a.avi</property>\n"},
      {"name", [&](Timeline& t) { t.name = special; },
       " title=\"&lt;a href=&quot;x&quot;>&amp;amp;'q'&lt;/a>&#09;#1&#10;>\""},
      {"clip", [&](Timeline& t) { t.tracks[0].clips[0].name = t.tracks[0].clips[0].path = special; },
       ">&lt;a href=\"x\"&gt;&amp;amp;'q'&lt;/a&gt;\t#1\n&gt;</property>\n"},
      {"transition", [&](Timeline& t) {
         TimelineClip& clip = t.tracks[0].clips.emplace_back(Clip(30, 10));
         clip.transition = TransitionKind::Wipe;
         clip.transitionDuration = 4;
         clip.transitionName = special;
       },
       "      <property name=\"resource\">%luma01.pgm</property>\n"},
      {"dissolve", [&](Timeline& t) {
         TimelineClip& clip = t.tracks[0].clips.emplace_back(Clip(30, 10));
         clip.transition = TransitionKind::Dissolve;
         clip.transitionDuration = 4;
       },
       "      <property name=\"resource\"></property>\n"},
      {"titles", [&](Timeline& t) {
         auto store = std::make_shared<TitleStore>();
         store->AddTitle(12);
         store->AddText(special);
         store->AddTitle(12);
         store->AddText("#");
         store->Finish();
         t.titles = TimelineTitles(store);
       },
       "\">&lt;a href=\"x\"&gt;&amp;amp;'q'&lt;/a&gt;\t\\#1\n&gt;\n\\#</property>\n"},
      {"shifted", [&](Timeline& t) {
         t.name = t.tracks[0].clips[0].name = t.tracks[0].clips[0].path = shifted;
         auto store = std::make_shared<TitleStore>();
         store->AddTitle(12);
         store->AddText(shifted);
         store->Finish();
         t.titles = TimelineTitles(store);
       },
       "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx&lt;a href=&quot;x&quot;>&amp;amp;'q'&lt;/a>&#09;#1&#10;>"
       "\xEF\xBF\xBD\xEF\xBF\xBD\""},  // what XML cannot hold replaced
      // Texts of the longest length written in one stretch and one past it, each byte escaped,
      // on both sides of the writer's buffer ends.
      {"escapes only", [](Timeline& t) {
         for (int i = 0; i < 1000; ++i) {
           t.tracks[0].clips.emplace_back(Clip(30 + i, 1)).name = std::string(1 + i * 37 % 257, '&');  // 1 to 257
         }
         t.name = std::string(256, '"');
       },
       [] {
         std::string quotes;
         for (int i = 0; i < 256; ++i) quotes += "&quot;";
         return " title=\"" + quotes + "\"";
       }()},
      {"extra audio", [](Timeline& t) {
         TimelineTrackModel& audio = t.tracks.emplace_back();
         audio.video = false;
         audio.clips.push_back(Clip(0, 5));
       },
       "    <track producer=\"playlist1\" hide=\"video\" />\n"},
  };
  for (const auto& row : rows) {
    Timeline timeline;
    timeline.name = "cut";
    timeline.tracks.emplace_back().clips.push_back(Clip(10, 20));
    row.change(timeline);
    const std::string text = Mlt(timeline);
    EXPECT_EQ(Reprinted(text), text) << row.what;
    EXPECT_NE(std::string::npos, text.find(row.expected)) << row.what << "\n" << text;
  }
}

// The titles' texts are made a batch ahead on a thread of their own, a batch ending after 256
// titles or 256 KiB of text: across several batches ended either way, each title keeps its own
// text in its place, with its own number and length, and the notes count each text that had to
// change.
TEST(Mlt, WritesEveryTitleInItsPlaceAcrossTheBatches) {
  auto store = std::make_shared<TitleStore>();
  std::vector<std::string> written;
  for (int i = 0; i < 700; ++i) {
    const std::string text = "title " + std::to_string(i) + std::string(i >= 300 && i < 306 ? 60000 : 0, 'x');
    store->AddTitle(200 * i);
    store->AddText(i % 100 == 7 ? text + "\x01" : text);
    written.push_back("<producer id=\"producer" + std::to_string(i + 1) +
                      "\" in=\"0\" out=\"149\">\n    <property name=\"length\">150</property>\n");
    written.push_back("<property name=\"argument\">" + text + (i % 100 == 7 ? "\uFFFD" : "") + "</property>");
  }
  store->Finish();
  Timeline timeline;
  timeline.tracks.emplace_back().clips.push_back(Clip(0, 200 * 700));
  timeline.titles = TimelineTitles(store);
  ExportNotes notes;
  const std::string text = RenderTimeline(timeline, ExportFormat::Mlt, TimecodeMode::Pal, notes).at(0).text;
  std::size_t at = 0;
  for (std::size_t i = 0; i < written.size(); ++i) {
    at = text.find(written[i], at);
    ASSERT_NE(std::string::npos, at) << i;
  }
  std::int64_t replaced = 0;
  for (const ExportNote& note : notes.notes()) {
    replaced += note.change == ExportChange::TextReplaced ? note.count : 0;
  }
  EXPECT_EQ(7, replaced);
}

// A title's caption (its first line) and argument (the whole, # escaped too) are made sixteen
// bytes at a time: each line end and each byte to escape, at every place in and around a block
// of sixteen, comes out as a byte at a time makes it.
TEST(Mlt, MakesEveryTitleTextAsAByteAtATime) {
  const auto lines = [](const std::string& text, bool hashes) {
    std::string made;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '\r') {
        made += i + 1 < text.size() && text[i + 1] == '\n' ? "" : "\n";
      } else if (c == '&' || c == '<' || c == '>') {
        made += c == '&' ? "&amp;" : c == '<' ? "&lt;" : "&gt;";
      } else if (c == '#' && hashes) {
        made += "\\#";
      } else {
        made += c;
      }
    }
    return made;
  };
  const char* const marks[] = {"\r\n", "\r", "\n", "\r\r\n", "&", "<", ">", "#", "\t", "#&<>\r"};
  auto store = std::make_shared<TitleStore>();
  std::vector<std::string> written;
  int title = 0;
  for (const char* mark : marks) {
    for (std::size_t before = 0; before <= 40; ++before) {
      const std::string text = std::string(before, 'a') + mark + std::string(before % 19, 'b') + "\xE3\x82\xBD";
      store->AddTitle(200 * title++);
      store->AddText(text);
      std::string first = text.substr(0, text.find_first_of("\r\n"));
      written.push_back("<property name=\"shotcut:caption\">" + lines(first, false) + "</property>");
      written.push_back("<property name=\"argument\">" + lines(text, true) + "</property>");
    }
  }
  store->Finish();
  Timeline timeline;
  timeline.tracks.emplace_back().clips.push_back(Clip(0, 200 * title));
  timeline.titles = TimelineTitles(store);
  ExportNotes notes;
  const std::string text = RenderTimeline(timeline, ExportFormat::Mlt, TimecodeMode::Pal, notes).at(0).text;
  EXPECT_EQ(Reprinted(text), text);
  std::size_t at = 0;
  for (std::size_t i = 0; i < written.size(); ++i) {
    at = text.find(written[i], at);
    ASSERT_NE(std::string::npos, at) << i / 2 << ": " << written[i];
  }
}

}  // namespace
}  // namespace morvane
