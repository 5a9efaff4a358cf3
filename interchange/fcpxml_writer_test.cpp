#include "interchange/fcpxml_writer.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdint>
#include <limits>
#include <string>

#include "interchange/exports.h"
#include "testing/timeline_clips.h"

namespace morvane {
namespace {

TEST(RationalSeconds, EveryFrameCountIsExactInLowestTerms) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  const struct {
    std::int64_t frames, numerator, denominator;
    const char* expected;
  } rows[] = {
      {0, 1001, 30000, "0s"},
      {1, 1001, 30000, "1001/30000s"},
      {3, 1001, 30000, "1001/10000s"},
      {30, 1001, 30000, "1001/1000s"},
      {30000, 1001, 30000, "1001s"},
      {-30, 1001, 30000, "-1001/1000s"},
      {50, 1, 25, "2s"},
      {7, 0, 25, "0s"},
      {30, 2002, 60000, "1001/1000s"},  // a frame duration not in lowest terms
      // A drop-frame day after an hour's start; the two parts of the product meet at 10^9.
      {2589408 + 107892, 1001, 30000, "8999991/100s"},
      {999999999, 1001, 30000, "333666666333/10000s"},
      {1000000000, 1001, 30000, "100100000/3s"},
      {123456789012, 1000000, 1, "123456789012000000s"},
      // Products past 64 bits.
      {kMax, 1001, 30000, "9232595408891630582807/30000s"},
      {kMin, 1001, 30000, "-577037213055726911488/1875s"},
      {kMax, 1, 25, "9223372036854775807/25s"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.expected, RationalSeconds(row.frames, row.numerator, row.denominator)) << row.frames;
  }
}

using testing::Track;

TimelineClip Clip(std::string name, std::int64_t recordIn, std::int64_t duration, std::int64_t sourceIn = 0) {
  TimelineClip clip = testing::FileClip(std::move(name), recordIn, duration, sourceIn);
  clip.found = clip.hasAudio = true;
  return clip;
}

TimelineClip Into(TimelineClip clip, TransitionKind kind, std::int64_t frames, std::string name = "") {
  clip.transition = kind;
  clip.transitionDuration = frames;
  clip.transitionName = std::move(name);
  return clip;
}

Timeline Pal(std::vector<TimelineTrackModel> tracks, std::int64_t start = 0) {
  Timeline timeline;
  timeline.name = "cut";
  timeline.rate = {25, 1, false};
  timeline.height = 576;
  timeline.start = start;
  timeline.tracks = std::move(tracks);
  return timeline;
}

struct Written {
  pugi::xml_document document;
  ExportNotes notes;
  std::string text;
};

void Write(const Timeline& timeline, Written& written) {
  written.text = RenderTimeline(timeline, ExportFormat::Fcpxml, TimecodeMode::Pal, written.notes).at(0).text;
  ASSERT_TRUE(written.document.load_string(written.text.c_str())) << written.text;
}

// The spine, element by element: "tag@offset+duration", with ":start" and "[lane]" where given,
// "~" and the timeMap's points, and what is connected to it in parentheses.
std::string Describe(pugi::xml_node node) {
  std::string text = node.name();
  if (const pugi::xml_attribute lane = node.attribute("lane")) text += std::string("[") + lane.value() + "]";
  text += std::string("@") + node.attribute("offset").value() + "+" + node.attribute("duration").value();
  if (const pugi::xml_attribute start = node.attribute("start")) text += std::string(":") + start.value();
  for (const pugi::xml_node point : node.child("timeMap").children("timept")) {
    text += std::string(" ~") + point.attribute("time").value() + ">" + point.attribute("value").value();
  }
  std::string connected;
  for (const pugi::xml_node child : node.children()) {
    if (child.attribute("lane")) connected += (connected.empty() ? "" : " ") + Describe(child);
  }
  return connected.empty() ? text : text + " (" + connected + ")";
}

std::string DescribeSpine(const pugi::xml_document& document) {
  std::string text;
  for (const pugi::xml_node node : document.select_node("/fcpxml/library/event/project/sequence/spine").node().children()) {
    text += (text.empty() ? "" : " | ") + Describe(node);
  }
  return text;
}

// The main track makes the spine, with gaps to the end of the last clip or title; every other
// clip and title is connected to the spine element its record in falls in, at its time there.
TEST(FcpxmlWriter, TheSpineHoldsTheMainTrackAndEveryOtherClipIsConnectedWhereItStarts) {
  TimelineClip slow = Clip("slow.avi", 100, 50, 30);
  slow.halfSpeed = true;
  slow.sourceDuration = 24;  // a little slower than half
  TimelineClip colour = Clip("color clip #FF8000", 150, 25);
  colour.media = MediaKind::Color;
  colour.colour = "FF8000";
  const struct {
    const char* name;
    Timeline timeline;
    std::string expected;
  } rows[] = {
      {"gaps, a dissolve at the cut and the connected lanes",
       Pal({Track(TimelineTrack::MainAv, {Clip("a.avi", 10, 40, 5), Into(Clip("b.avi", 50, 25), TransitionKind::Dissolve, 5)}),
            Track(TimelineTrack::InsertAv, {Clip("i.avi", 12, 10, 100), Clip("j.avi", 60, 30)}),
            Track(TimelineTrack::InsertAv, {Clip("k.avi", 62, 5)}, 1),
            Track(TimelineTrack::ExAudio1, {Clip("m.wav", 0, 5)}), Track(TimelineTrack::ExAudio2, {Clip("n.wav", 74, 30)})}),
       "gap@0s+2/5s (asset-clip[-1]@0s+1/5s) | asset-clip@2/5s+8/5s:1/5s (asset-clip[1]@7/25s+2/5s:4s) | "
       "transition@2s+1/5s | asset-clip@2s+1s (asset-clip[1]@2/5s+6/5s asset-clip[2]@12/25s+1/5s "
       "asset-clip[-2]@24/25s+6/5s) | gap@3s+29/25s"},
      {"half speed through a timeMap from the clip's start; a colour clip's own time starts at 0",
       Pal({Track(TimelineTrack::MainAv, {slow, colour}),
            Track(TimelineTrack::InsertAv, {Clip("i.avi", 120, 40), Clip("j.avi", 160, 5)})},
           25),
       "gap@1s+4s | asset-clip@5s+2s:6/5s ~6/5s>6/5s ~16/5s>54/25s (asset-clip[1]@2s+8/5s) | "
       "video@7s+1s (asset-clip[1]@2/5s+1/5s)"},
      {"a timeline of connected clips only hangs them on one gap",
       Pal({Track(TimelineTrack::MainAv, {}), Track(TimelineTrack::ExAudio1, {Clip("m.wav", 50, 10)})}),
       "gap@0s+12/5s (asset-clip[-1]@2s+2/5s)"},
      {"nothing at all is an empty spine", Pal({}), ""},
  };
  for (const auto& row : rows) {
    Written written;
    Write(row.timeline, written);
    EXPECT_EQ(row.expected, DescribeSpine(written.document)) << row.name;
    EXPECT_TRUE(written.notes.empty()) << row.name;
  }
}

// The titles take the lane above the video lanes; titles that begin together are one, each
// shown until the next title and for five seconds at most, its text's line ends as line feeds.
TEST(FcpxmlWriter, TitlesAreBasicTitlesOverTheVideoLanes) {
  auto store = std::make_shared<TitleStore>();
  for (const auto& [begin, text] : std::vector<std::pair<int, const char*>>{
           {40, "late"}, {10, "first\r\nline"}, {10, "same"}, {20, "a\rb"}}) {
    store->AddTitle(begin);
    store->AddText(text);
  }
  store->Finish();
  Timeline timeline = Pal({Track(TimelineTrack::MainAv, {Clip("a.avi", 0, 30)}),
                           Track(TimelineTrack::InsertAv, {Clip("i.avi", 0, 5)})});
  timeline.titles = TimelineTitles(store);
  Written written;
  Write(timeline, written);
  EXPECT_EQ("asset-clip@0s+6/5s (asset-clip[1]@0s+1/5s title[2]@2/5s+2/5s title[2]@4/5s+4/5s) | "
            "gap@6/5s+27/5s (title[2]@2/5s+5s)",
            DescribeSpine(written.document));
  std::string texts;
  for (const pugi::xpath_node text : written.document.select_nodes("//title/text/text-style")) {
    texts += std::string(text.node().text().get()) + "|";
  }
  EXPECT_EQ("first\nline\nsame|a\nb|late|", texts);
}

// Each media file is one asset with its URL, missing or not, as long as every frame the edit
// takes of it (a transition's frames past the outgoing clip too); only the effects used are
// resources; a transition between connected clips becomes a cut and is counted.
TEST(FcpxmlWriter, ResourcesNameEachMediaOnceAndOnlyTheEffectsUsed) {
  TimelineClip missing = Clip("gone.avi", 0, 10, 90);
  missing.path = "C:\\dv\\gone #1.avi";
  missing.found = false;
  TimelineClip noName = Clip("", 10, 10);
  noName.path.clear();
  noName.projectName = "..";
  Timeline timeline =
      Pal({Track(TimelineTrack::MainAv, {missing, noName, Into(Clip("gone.avi", 20, 10, 0), TransitionKind::Wipe, 8)}),
           Track(TimelineTrack::InsertAv, {Clip("x.avi", 0, 10), Into(Clip("y.avi", 10, 10), TransitionKind::Dissolve, 4)})});
  timeline.tracks[0].clips[2].path = missing.path;
  Written written;
  Write(timeline, written);
  std::string resources;
  for (const pugi::xml_node node : written.document.child("fcpxml").child("resources").children()) {
    resources += std::string(node.name()) + " " + node.attribute("name").value() + " " +
                 node.attribute("duration").value() + node.child("media-rep").attribute("src").value() + " | ";
  }
  EXPECT_EQ("format FFVideoFormatDV720x576i50  | effect Wipe  | effect Audio Crossfade  | "
            "asset gone.avi 4sfile:///C:/dv/gone%20%231.avi | asset  18/25sfile:///.. | asset x.avi 14/25sfile:///m/x.avi | "
            "asset y.avi 2/5sfile:///m/y.avi | ",
            resources);
  EXPECT_EQ(1u, written.document.select_nodes("//transition").size());
  ASSERT_EQ(1u, written.notes.notes().size());
  EXPECT_EQ(ExportChange::ConnectedTransitionCut, written.notes.notes()[0].change);
}

// Texts XML forbids are made safe and counted; the sequence counts its timecode from the start,
// drop frame or not, in Final Cut's DV formats.
TEST(FcpxmlWriter, TheSequenceTakesTheRateTheStartAndSafeNames) {
  Timeline timeline = Pal({Track(TimelineTrack::MainAv, {Clip("a\x01.avi", 0, 30)})}, 108000);
  timeline.rate = {30000, 1001, true};
  timeline.height = 480;
  timeline.wide = true;
  timeline.name = "cut\x02";
  Written written;
  Write(timeline, written);
  const pugi::xml_node format = written.document.select_node("//format").node();
  EXPECT_EQ(std::string("FFVideoFormatDV720x480i5994_16x9 1001/30000s 40/33"),
            std::string(format.attribute("name").value()) + " " + format.attribute("frameDuration").value() + " " +
                format.attribute("paspH").value() + "/" + format.attribute("paspV").value());
  const pugi::xml_node sequence = written.document.select_node("//sequence").node();
  EXPECT_STREQ("DF", sequence.attribute("tcFormat").value());
  EXPECT_STREQ("18018/5s", sequence.attribute("tcStart").value());
  EXPECT_STREQ("asset-clip@18018/5s+1001/1000s", DescribeSpine(written.document).c_str());
  EXPECT_STREQ("cut\xEF\xBF\xBD", written.document.select_node("//project").node().attribute("name").value());
  ASSERT_EQ(1u, written.notes.notes().size());
  EXPECT_EQ(ExportChange::TextReplaced, written.notes.notes()[0].change);
  EXPECT_EQ(3, written.notes.notes()[0].count);  // the timeline's name, the asset's and the clip's
}

}  // namespace
}  // namespace morvane
