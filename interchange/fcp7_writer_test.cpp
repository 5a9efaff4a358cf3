// Final Cut Pro 7 XML: the file URLs the editors link, and what the golden files of the examples
// do not reach (a source range the table shortened at half speed, a network path, a name that
// names no file, a media used twice, titles' line ends and forbidden characters).
#include "interchange/fcp7_writer.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <string>
#include <vector>

#include "interchange/exports.h"
#include "testing/timeline_clips.h"

namespace morvane {
namespace {

TEST(Fcp7PathUrl, EncodesTheBytesTheEditorsLinkAndNamesAServer) {
  const struct {
    std::string path;
    std::string url;
  } rows[] = {
      {"/media/a b.avi", "file://localhost/media/a%20b.avi"},
      {"C:\\DV\\\xE6\xB5\xB7.avi", "file://localhost/C%3a/DV/%e6%b5%b7.avi"},
      {"\\\\server\\share\\x.avi", "file://server/share/x.avi"},
      {"rel/x-y_z~.avi", "file://localhost/rel/x-y_z~.avi"},
      {"/%#?&+;=\x01\x7f", "file://localhost/%25%23%3f%26%2b%3b%3d%01%7f"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Fcp7PathUrl(row.path), row.url) << row.path;
  }
}

TimelineClip Clip(std::string name, std::int64_t recordIn, std::int64_t duration, std::int64_t sourceIn = 0) {
  TimelineClip clip = testing::FileClip(name, recordIn, duration, sourceIn);
  if (name.empty()) clip.path.clear();
  clip.hasAudio = true;
  return clip;
}

// The document written for a main track of clips, and the notes.
pugi::xml_document Write(std::vector<TimelineClip> clips, std::vector<std::string> titles, ExportNotes& notes) {
  auto store = std::make_shared<TitleStore>();
  for (std::size_t i = 0; i < titles.size(); ++i) {
    store->AddTitle(static_cast<std::int32_t>(10 * i));
    store->AddText(titles[i]);
  }
  store->Finish();
  Timeline timeline;
  timeline.name = "cut";
  timeline.rate = *RateOfMode(TimecodeMode::Pal);
  timeline.tracks.emplace_back().clips = std::move(clips);
  timeline.titles = TimelineTitles(store);
  const std::string text = RenderTimeline(timeline, ExportFormat::Fcp7Xml, TimecodeMode::Pal, notes).at(0).text;
  pugi::xml_document document;
  EXPECT_TRUE(document.load_string(text.c_str()));
  return document;
}

std::string Field(const pugi::xpath_node& node, const char* path) {
  return node.node().select_node(path).node().text().as_string();
}

// A half-speed clip whose table range is one frame short of half, slowed into by a wipe: its
// in and out count the slowed frames, its speed plays exactly the table's range, and the file
// of the clip used twice is defined once; an offline name keeps its clip without a path.
TEST(Fcp7Xml, PlacesSlowedClipsThroughTransitionsAndDefinesEachFileOnce) {
  std::vector<TimelineClip> clips{Clip("a.avi", 0, 100, 40), Clip("b.avi", 100, 201, 7), Clip("a.avi", 301, 10),
                                  Clip("", 311, 5)};
  clips[1].halfSpeed = true;
  clips[1].sourceDuration = 100;
  clips[1].transition = TransitionKind::Wipe;
  clips[1].transitionDuration = 20;
  ExportNotes notes;
  const pugi::xml_document document = Write(clips, {}, notes);
  const pugi::xpath_node_set items = document.select_nodes("//video/track/clipitem");
  ASSERT_EQ(items.size(), 4u);
  const struct {
    const char* start;
    const char* end;
    const char* in;
    const char* out;
  } placed[] = {{"0", "-1", "40", "160"}, {"-1", "301", "14", "215"}, {"301", "311", "0", "10"},
                {"311", "316", "0", "5"}};
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(Field(items[i], "start"), placed[i].start) << i;
    EXPECT_EQ(Field(items[i], "end"), placed[i].end) << i;
    EXPECT_EQ(Field(items[i], "in"), placed[i].in) << i;
    EXPECT_EQ(Field(items[i], "out"), placed[i].out) << i;
  }
  const pugi::xpath_node transition = document.select_node("//video/track/transitionitem");
  EXPECT_EQ(Field(transition, "start") + Field(transition, "end") + Field(transition, "alignment"), "100120start");
  EXPECT_EQ(Field(transition, "effect/effectid"), "Edge Wipe");
  EXPECT_EQ(Field(items[1], "filter/effect/parameter[parameterid='speed']/value"), "49.75124378109453");
  EXPECT_EQ(Field(items[0], "file/pathurl"), "file://localhost/m/a.avi");
  EXPECT_EQ(items[2].node().child("file").attribute("id").as_string(), std::string("file-1"));
  EXPECT_TRUE(items[2].node().child("file").first_child().empty());
  EXPECT_TRUE(items[3].node().select_node("file/pathurl").node().empty());
  // Each sound a stereo pair whose two clip items and picture refer to each other.
  const pugi::xpath_node_set audio = document.select_nodes("//audio/track");
  ASSERT_EQ(audio.size(), 2u);
  for (const pugi::xpath_node& item : document.select_nodes("//clipitem")) {
    for (const pugi::xml_node link : item.node().children("link")) {
      const std::string ref = link.child("linkclipref").text().as_string();
      EXPECT_TRUE(document.select_node(("//clipitem[@id='" + ref + "']").c_str())) << ref;
    }
  }
  EXPECT_TRUE(notes.empty());
}

// Titles are markers: the first line the name, the whole text with line feeds the comment,
// characters XML forbids replaced and counted.
TEST(Fcp7Xml, WritesTitlesAsMarkersAndNotesReplacedCharacters) {
  ExportNotes notes;
  const pugi::xml_document document = Write({Clip("a.avi", 0, 10)}, {"Lake\r\nday", "x\x01y"}, notes);
  const pugi::xpath_node_set markers = document.select_nodes("/xmeml/sequence/marker");
  ASSERT_EQ(markers.size(), 2u);
  EXPECT_EQ(Field(markers[0], "name") + "|" + Field(markers[0], "comment") + "|" + Field(markers[1], "in"),
            "Lake|Lake\nday|10");
  EXPECT_EQ(Field(markers[1], "name"), "x\xEF\xBF\xBDy");
  ASSERT_EQ(notes.notes().size(), 1u);
  EXPECT_EQ(notes.notes()[0].change, ExportChange::TextReplaced);
}

}  // namespace
}  // namespace morvane
