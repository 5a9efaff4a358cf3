// The OpenTimelineIO writer writes nlohmann's dump(4) bytes itself: every case must read back
// through nlohmann and dump to exactly what was written.
#include "interchange/otio_writer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "interchange/exports.h"
#include "testing/timeline_clips.h"

namespace morvane {
namespace {

using Json = nlohmann::ordered_json;

std::string Otio(const Timeline& timeline) {
  ExportNotes notes;
  return RenderTimeline(timeline, ExportFormat::Otio, TimecodeMode::Pal, notes).at(0).text;
}

TimelineClip Clip(std::int64_t recordIn, std::int64_t duration) { return testing::FileClip("a.avi", recordIn, duration); }

// One main track with the clip that change makes, and the given titles.
Timeline OneClip(const std::function<void(TimelineClip&)>& change, std::vector<TimelineTitle> titles = {}) {
  Timeline timeline;
  timeline.name = "cut";
  timeline.tracks.emplace_back().clips.push_back(Clip(10, 20));
  change(timeline.tracks[0].clips[0]);
  auto store = std::make_shared<TitleStore>();
  for (const TimelineTitle& title : titles) {
    store->AddTitle(title.begin);
    store->AddText(title.text);
  }
  store->Finish();
  timeline.titles = TimelineTitles(store);
  return timeline;
}

// Frames as nlohmann writes doubles: digits and ".0" below 10^15, a power of ten above; texts
// with every escape, and names that are not UTF-8 replaced as nlohmann replaces them; empty
// and filled containers in each place they occur.
TEST(Otio, WritesWhatNlohmannDumpsOfItsOwnDocument) {
  const std::string controls = std::string("q\"b\\s/\b\f\n\r\t\x01\x1f\x7f", 14) + "\xC3\xA9";
  std::string runs;  // each byte to escape alone after a run of each length up to two blocks of sixteen
  for (const char c : controls.substr(0, 14)) {  // all but the two bytes of one character
    for (std::size_t run = 0; run < 34; ++run) runs += std::string(run, 'x') + c;
  }
  const struct {
    const char* what;
    Timeline timeline;
    std::string expected;  // a piece of the text
  } rows[] = {
      {"plain clip", OneClip([](TimelineClip&) {}), "\"value\": 10.0\n"},
      {"last whole frames", OneClip([](TimelineClip& c) { c.sourceIn = 999'999'999'999'999; }),
       "\"value\": 999999999999999.0\n"},
      {"first frames past", OneClip([](TimelineClip& c) { c.sourceIn = 1'000'000'000'000'000; }),
       "\"value\": 1e+15\n"},
      {"negative frames", OneClip([](TimelineClip& c) { c.sourceIn = -999'999'999'999'999; }),
       "\"value\": -999999999999999.0\n"},
      {"largest frames", OneClip([](TimelineClip& c) { c.sourceIn = INT64_MAX; }), "\"value\": 9.223372036854776e+18\n"},
      {"escapes", OneClip([&](TimelineClip& c) { c.name = controls; }),
       "\"name\": \"q\\\"b\\\\s/\\b\\f\\n\\r\\t\\u0001\\u001f\x7f\xC3\xA9\""},
      {"escapes after runs", OneClip([&](TimelineClip& c) { c.name = runs; }), std::string(33, 'x') + "\\\\s"},
      {"not UTF-8", OneClip([](TimelineClip& c) { c.name = "a\xFF\xC3"; }), "\"name\": \"a\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"levels", OneClip([](TimelineClip& c) {
         c.hasLevels = true;
         c.levelIn = 65535;
         c.levelPoints = {{-2147483647 - 1, 0}, {7, 65535}};
       }),
       "[\n                                            -2147483648,\n"},
      {"levels without points", OneClip([](TimelineClip& c) { c.hasLevels = true; }), "\"points\": []\n"},
      {"half speed", OneClip([](TimelineClip& c) {
         c.halfSpeed = true;
         c.sourceDuration = 1;
         c.duration = 3;
       }),
       "\"time_scalar\": 0.3333333333333333\n"},
      {"colour", OneClip([](TimelineClip& c) {
         c.media = MediaKind::Color;
         c.colour = "00FF7F";
       }),
       "\"color\": \"#00FF7F\"\n"},
      {"still, offline", OneClip([](TimelineClip& c) {
         c.media = MediaKind::Still;
         c.path.clear();
         c.projectName = "d\\a.bmp";
       }),
       "\"still\": true,\n"},
      {"titles", OneClip([](TimelineClip&) {}, {{-3, controls}, {5, ""}}), "\"comment\": \"\"\n"},
      // Each longer than the last: the buffer of the escaped text grows twice.
      {"long titles", OneClip([](TimelineClip&) {}, {{1, "a"}, {2, std::string(5000, '\x01')}, {3, std::string(70000, '"')}}),
       "\"comment\": \"a\"\n"},
  };
  for (const auto& row : rows) {
    const std::string text = Otio(row.timeline);
    EXPECT_EQ(Json::parse(text).dump(4, ' ', false) + "\n", text) << row.what;
    EXPECT_NE(std::string::npos, text.find(row.expected)) << row.what << "\n" << text;
  }
}

// Transitions sit between two clips; a track with nothing on it and an empty timeline have no
// children, and the sound of a track without sound has no track.
TEST(Otio, WritesTransitionsAndEmptyTracks) {
  Timeline timeline;
  timeline.rate = {25, 1, false};
  TimelineTrackModel& main = timeline.tracks.emplace_back();
  main.clips = {Clip(0, 5), Clip(5, 5)};
  main.clips[1].transition = TransitionKind::Wipe;
  main.clips[1].transitionDuration = 2;
  main.clips[1].transitionName = "Wipe \x01";
  timeline.tracks.emplace_back().video = false;
  const std::string text = Otio(timeline);
  EXPECT_EQ(Json::parse(text).dump(4, ' ', false) + "\n", text);
  EXPECT_NE(std::string::npos, text.find("\"transition_name\": \"Wipe \\u0001\""));
  EXPECT_NE(std::string::npos, text.find("\"rate\": 25.0,"));

  Timeline empty;
  empty.tracks.emplace_back();
  const std::string nothing = Otio(empty);
  EXPECT_EQ(Json::parse(nothing).dump(4, ' ', false) + "\n", nothing);
  EXPECT_NE(std::string::npos, nothing.find("\"children\": [],\n"));
}

}  // namespace
}  // namespace morvane
