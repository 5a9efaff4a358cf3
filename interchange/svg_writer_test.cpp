// The timeline picture: its size and ruler, its lanes, and how each kind of clip is marked.
// (svg_test.py validates the examples' pictures and looks at them drawn.)
#include "interchange/svg_writer.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <string>
#include <vector>

#include "interchange/exports.h"
#include "testing/timeline_clips.h"

namespace morvane {
namespace {

using testing::Track;

TimelineClip Clip(std::string name, std::int64_t recordIn, std::int64_t duration) {
  TimelineClip clip = testing::FileClip(name, recordIn, duration);
  clip.projectName = name;
  clip.found = true;
  return clip;
}

struct Picture {
  pugi::xml_document document;
  ExportNotes notes;
  pugi::xml_node svg() const { return document.child("svg"); }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const pugi::xpath_node& node : document.select_nodes("//text")) texts.push_back(node.node().text().get());
    return texts;
  }
};

Picture Draw(const Timeline& timeline, TimecodeMode mode, const SvgOptions& options = {}) {
  Picture picture;
  std::string text;
  ListingWriter out(text);
  WriteSvg(timeline, mode, options, picture.notes, out);
  out.Flush();
  EXPECT_TRUE(picture.document.load_string(text.c_str())) << text;
  return picture;
}

Timeline OfLength(TimecodeMode mode, std::int64_t frames, std::int64_t start = 0) {
  Timeline timeline;
  timeline.rate = *RateOfMode(mode);
  timeline.start = start;
  timeline.tracks.push_back(Track(TimelineTrack::MainAv, {Clip("a.avi", 0, frames)}, 0));
  return timeline;
}

// A short edit gets the shortest area, a long one the longest, one between a fixed width per
// minute; the ruler's marks are at least a label's width apart, in the mode from the start.
TEST(SvgPicture, TimeAreaGrowsPerMinuteWithinItsLimitsAndTheRulerFollows) {
  using M = TimecodeMode;
  const struct { M mode; std::int64_t frames, start; double area; const char* first; const char* second; } rows[] = {
      {M::NtscDropFrame, 300, 0, 600, "00:00:00;00", "00:00:02;00"},
      {M::NtscDropFrame, 1650, 0, 1101.1, "00:00:00;00", "00:00:05;00"},
      {M::Pal, 25 * 239, 0, 4780, "00:00:00:00", "00:00:05:00"},
      {M::Pal, 25 * 7200, 0, 4800, "00:00:00:00", "00:05:00:00"},
      {M::NtscNonDrop, 1800, 108000, 1201.2, "01:00:00:00", "01:00:05:00"},
  };
  for (const auto& row : rows) {
    const Picture picture = Draw(OfLength(row.mode, row.frames, row.start), row.mode);
    EXPECT_NEAR(8 + 104 + row.area + 8, picture.svg().attribute("width").as_double(), 0.11) << row.frames;
    const pugi::xml_node clip = picture.document.select_node("//g[title]/rect").node();
    EXPECT_NEAR(112 + row.area, clip.attribute("x").as_double() + clip.attribute("width").as_double(), 0.11);
    const std::vector<std::string> texts = picture.Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(row.first, texts[0]) << row.frames;
    EXPECT_EQ(row.second, texts[1]) << row.frames;
  }
}

// Top down: the insert track's video over the main track's (a later lane above its first), then
// the sound of the main and insert tracks where their clips are heard, then the extra audio.
TEST(SvgPicture, LanesRunFromTheInsertVideoDownToTheExtraAudio) {
  Timeline timeline = OfLength(TimecodeMode::Pal, 100);
  timeline.tracks[0].clips[0].hasAudio = true;
  timeline.tracks.push_back(Track(TimelineTrack::MainAv, {Clip("b.avi", 10, 5)}, 1));
  timeline.tracks.push_back(Track(TimelineTrack::InsertAv, {Clip("c.avi", 10, 50)}, 0));
  timeline.tracks.back().clips[0].hasAudio = true;
  timeline.tracks.push_back(Track(TimelineTrack::InsertAv, {Clip("d.avi", 20, 5)}, 1));
  timeline.tracks.push_back(Track(TimelineTrack::ExAudio2, {Clip("e.wav", 0, 5)}, 0));
  std::vector<std::string> lanes;
  const Picture picture = Draw(timeline, TimecodeMode::Pal);
  for (const pugi::xpath_node& node : picture.document.select_nodes("/svg/g[rect][text][not(title)][not(@font-size)]/text")) {
    lanes.push_back(node.node().text().get());
  }
  EXPECT_EQ((std::vector<std::string>{"Insert video 2", "Insert video", "Main video 2", "Main video", "Main audio",
                                      "Insert audio", "Extra audio 2"}),
            lanes);
}

// The clip after a.avi (0-100) on the main track: what its box holds besides its fill and what
// its name reads. (The golden pictures hold missing media, colour clips, stills, half speed and
// dissolves.)
TEST(SvgPicture, MarksWipesAndMakesNamesSafeAndShort) {
  const auto wipe = [](TimelineClip& c) { c.transition = TransitionKind::Wipe, c.transitionDuration = 15; };
  const auto forbidden = [](TimelineClip& c) { c.name = "b\x01.avi"; };
  const auto longName = [](TimelineClip& c) { c.name = std::string(100, 'n'); };
  const struct {
    void (*change)(TimelineClip&);
    const char* marks;  // the box's further shapes and their texts
    const char* label;
    bool replaced;
  } rows[] = {
      {wipe, "polygon=|text=wipe 00:15", "b.avi", false},
      {forbidden, "", "b\xEF\xBF\xBD.avi", true},
      {longName, "", nullptr, false},  // as much as the 450 pixels hold
  };
  for (const auto& row : rows) {
    Timeline timeline = OfLength(TimecodeMode::NtscDropFrame, 100);
    timeline.tracks[0].clips.push_back(Clip("b.avi", 100, 300));
    row.change(timeline.tracks[0].clips.back());
    const Picture picture = Draw(timeline, TimecodeMode::NtscDropFrame);
    const pugi::xml_node box = picture.document.select_nodes("/svg/g[title]")[1].node();
    EXPECT_EQ(MediaColour(timeline.tracks[0].clips.back().name), box.child("rect").attribute("fill").value());
    std::string marks;
    for (pugi::xml_node shape = box.child("rect").next_sibling(); shape && shape != box.last_child();
         shape = shape.next_sibling()) {
      marks += std::string(marks.empty() ? "" : "|") + shape.name() + "=" + shape.text().get();
    }
    EXPECT_EQ(row.marks, marks);
    const std::string label = row.label ? row.label : std::string(70, 'n') + "\xE2\x80\xA6";
    EXPECT_EQ(label, std::string(box.last_child().text().get()));
    EXPECT_EQ(row.replaced, !picture.notes.empty()) << label;
  }
}

TEST(SvgPicture, AThumbnailHasLanesOnlyAndItsOwnIds) {
  Timeline timeline = OfLength(TimecodeMode::Pal, 25 * 3600);
  timeline.tracks[0].clips[0].found = false;
  const Picture picture = Draw(timeline, TimecodeMode::Pal, {"p7-", false, true});
  EXPECT_EQ(2 + kThumbnailWidth + 2, picture.svg().attribute("width").as_int());
  EXPECT_TRUE(picture.Texts().empty());
  EXPECT_STREQ("p7-hatch", picture.document.select_node("//pattern").node().attribute("id").value());
  EXPECT_STREQ("url(#p7-hatch)", picture.document.select_nodes("//g/rect")[1].node().attribute("fill").value());
}

// The same file has the same colour in every project, however its path and the case of its
// name's ASCII letters differ and whether it is composed.
TEST(SvgPicture, AMediaFilesColourFollowsItsNameOnly) {
  const struct { const char* a; const char* b; bool same; } rows[] = {
      {"C:\\DV\\Clip.AVI", "clip.avi", true},
      {"\xE3\x81\x8B\xE3\x82\x99.avi", "\xE3\x81\x8C.avi", true},  // か + U+3099, が
      {"clip.avi", "clip.mov", false},
      {"a.avi", "b.avi", false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.same, MediaColour(row.a) == MediaColour(row.b)) << row.a;
    EXPECT_EQ(7u, MediaColour(row.a).size());
  }
}

}  // namespace
}  // namespace morvane
