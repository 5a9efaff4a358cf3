// CMX 3600 files, and the characters each export format allows in a text.
#include "interchange/cmx_writer.h"
#include "interchange/exports.h"
#include "interchange/safe_text.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "testing/timeline_clips.h"

namespace morvane {
namespace {

using testing::FileClip;

Timeline OneTrack(TimecodeMode mode, std::vector<TimelineClip> clips, TimelineTrack role = TimelineTrack::MainAv) {
  Timeline timeline;
  timeline.name = "cut";
  timeline.rate = *RateOfMode(mode);
  timeline.tracks.push_back(testing::Track(role, std::move(clips)));
  return timeline;
}

// Each EDL of the timeline, its name part and text.
std::vector<ExportText> Cmx(const Timeline& timeline, TimecodeMode mode, ExportNotes& notes) {
  return RenderTimeline(timeline, ExportFormat::Cmx3600, mode, notes);
}

std::string Lines(std::string text) {  // "\r\n" as "|"
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.replace(at, 2, "|");
  return text;
}

// The events of a non-drop clock, a transition with its three path lines, sound on the extra
// audio tracks' own channels, and the start added to the record times only. (The examples' golden
// files hold the drop-frame clock.)
TEST(Cmx3600, WritesANonDropClockTransitionsAndPathsForBothReaders) {
  std::vector<TimelineClip> main{FileClip("a.avi", 0, 1800, 50), FileClip("b.avi", 1800, 100)};
  main[0].hasAudio = true;
  main[1].transition = TransitionKind::Dissolve;
  main[1].transitionDuration = 30;
  main[1].transitionName = "Dissolve";
  Timeline timeline = OneTrack(TimecodeMode::Pal, main);
  timeline.start = 90000;
  ExportNotes notes;
  const std::vector<ExportText> files = Cmx(timeline, TimecodeMode::Pal, notes);
  ASSERT_EQ(1u, files.size());
  EXPECT_EQ("TITLE: cut|FCM: NON-DROP FRAME|"
            "001  AX       AA/V  C        00:00:02:00 00:01:14:00 01:00:00:00 01:01:12:00|"
            "* FROM CLIP NAME: a.avi|* FROM CLIP: /m/a.avi|* SOURCE FILE: /m/a.avi|"
            "002  AX       V     C        00:01:14:00 00:01:14:00 01:01:12:00 01:01:12:00|"
            "002  AX       V     D    030 00:00:00:00 00:00:04:00 01:01:12:00 01:01:16:00|"
            "* FROM CLIP NAME: a.avi|* TO CLIP NAME: b.avi|* FROM CLIP: /m/b.avi|"
            "* SOURCE FILE: /m/a.avi|* SOURCE FILE: /m/b.avi|* EFFECT NAME: Dissolve|",
            Lines(files[0].text));
  EXPECT_TRUE(notes.empty());
  for (const auto& [role, channel] : {std::pair{TimelineTrack::ExAudio1, "A3  "}, {TimelineTrack::ExAudio2, "A4  "}}) {
    const std::string text = Cmx(OneTrack(TimecodeMode::Pal, main, role), TimecodeMode::Pal, notes)[0].text;
    EXPECT_NE(std::string::npos, text.find("001  AX       " + std::string(channel) + "  C ")) << text;
    EXPECT_NE(std::string::npos, text.find("002  AX       " + std::string(channel) + "  D ")) << text;
  }
}

// What the format cannot hold as it is: each change is noted, and no line is added.
TEST(Cmx3600, ChangesWhatItCannotHoldAndNotesEach) {
  std::vector<TimelineClip> clips;
  for (int i = 0; i < 1000; ++i) clips.push_back(FileClip("c.avi", i, 1));
  clips[1].transition = TransitionKind::Wipe;
  clips[1].transitionDuration = 2000;
  clips[2].name = "two\r\nlines\x01";
  clips[4].name = "del\x7F";
  clips[3].halfSpeed = true;  // 806 media frames over 1630
  clips[3].duration = 1630;
  clips[3].sourceDuration = 806;
  Timeline timeline = OneTrack(TimecodeMode::NtscNonDrop, clips);
  for (int lane = 1; lane <= kCmxLanesPerTrack; ++lane) {
    TimelineTrackModel further;
    further.role = TimelineTrack::InsertAv;
    further.lane = lane - 1;
    further.clips = {FileClip("i.avi", 0, 10), FileClip("j.avi", 20, 10)};
    timeline.tracks.push_back(further);
  }
  timeline.tracks.back().lane = kCmxLanesPerTrack;  // past the last lane a set holds

  ExportNotes notes;
  const std::vector<ExportText> files = Cmx(timeline, TimecodeMode::NtscNonDrop, notes);
  std::vector<std::string> suffixes;
  for (const ExportText& file : files) suffixes.push_back(file.suffix);
  EXPECT_EQ((std::vector<std::string>{"", "-insert", "-insert-2", "-insert-3"}), suffixes);
  // The file named is written also when the main track is empty: its title and clock only.
  timeline.tracks[0].clips.clear();
  const std::vector<ExportText> emptyMain = Cmx(timeline, TimecodeMode::NtscNonDrop, notes);
  ASSERT_EQ(4u, emptyMain.size());
  EXPECT_EQ("TITLE: cut\r\nFCM: NON-DROP FRAME\r\n", emptyMain[0].text);
  const std::string& text = files[0].text;
  EXPECT_NE(std::string::npos, text.find("\r\n002  AX       V     W001 999 ")) << "capped at three digits";
  EXPECT_NE(std::string::npos, text.find("\r\n* FROM CLIP NAME: two\xEF\xBF\xBD\xEF\xBF\xBDlines\xEF\xBF\xBD\r\n"));
  EXPECT_NE(std::string::npos, text.find("\r\n* FROM CLIP NAME: del\xEF\xBF\xBD\r\n"));
  EXPECT_NE(std::string::npos, text.find("\r\nM2   AX       014.820    00:00:00:00\r\n"));
  EXPECT_NE(std::string::npos, text.find("\r\n999  AX ")) << text.substr(text.size() - 400);
  EXPECT_NE(std::string::npos, text.find("\r\n1000  AX       V     C  ")) << "past 999 the number has four digits";
  // Every line is a header, an event, an M2 line or a comment.
  std::size_t lines = 0;
  for (std::size_t at = 0; at < text.size(); at = text.find("\r\n", at) + 2, ++lines) {
    const char first = text[at];
    EXPECT_TRUE(first == 'T' || first == 'F' || first == 'M' || first == '*' || (first >= '0' && first <= '9'))
        << text.substr(at, 40);
  }
  EXPECT_EQ(2 + 999 * 4 + 7 + 1, lines);  // 999 events of one line and three comments, a transition of seven, an M2
  std::vector<std::array<std::int64_t, 3>> noted;  // change, count, frames
  for (const ExportNote& n : notes.notes()) noted.push_back({static_cast<int>(n.change), n.count, n.frames});
  const auto kind = [](ExportChange change) { return std::int64_t{static_cast<int>(change)}; };
  EXPECT_EQ((decltype(noted){{kind(ExportChange::TransitionCapped), 1, 2000}, {kind(ExportChange::TextReplaced), 2, 0},
                              {kind(ExportChange::LanesLeftOut), 4, 0}}),
            noted);
}

// The further files of a set sit beside the one named, the suffix before its extension only.
TEST(ExportPath, PutsTheSuffixBeforeTheNamesOwnExtension) {
  const struct {
    const char* named;
    const char* expected;
  } rows[] = {
      {"out/cut.edl", "out/cut-insert.edl"},
      {"v1.2/cut", "v1.2/cut-insert"},       // a dot in a folder's name is no extension
      {"v1.2\\cut", "v1.2\\cut-insert"},
      {".edl", ".edl-insert"},               // a leading dot names the file
      {"a.b.edl", "a.b-insert.edl"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.expected, ExportPath(row.named, "-insert")) << row.named;
  }
}

constexpr const char* kR = "\xEF\xBF\xBD";  // U+FFFD

TEST(SafeText, EachFormatGetsOnlyTheCharactersItAllows) {
  const std::string r = kR;
  const struct {
    std::string input;
    std::string edl;
    std::string xml;
    std::string json;
  } rows[] = {
      {"plain & <quoted> \"]]>\"", "plain & <quoted> \"]]>\"", "plain & <quoted> \"]]>\"", "plain & <quoted> \"]]>\""},
      {"a\r\nb", "a" + r + r + "b", "a" + r + "\nb", "a\r\nb"},
      {"\t\x01\x1F\x7F", r + r + r + r, "\t" + r + r + "\x7F", "\t\x01\x1F\x7F"},
      {std::string("a\0b", 3), "a" + r + "b", "a" + r + "b", std::string("a\0b", 3)},
      // Valid sequences of two, three and four bytes stay whole, the last code points included.
      {"\xC2\x80 \xE3\x82\xBD \xF0\x9F\x8E\xAC \xF4\x8F\xBF\xBF", "\xC2\x80 \xE3\x82\xBD \xF0\x9F\x8E\xAC \xF4\x8F\xBF\xBF",
       "\xC2\x80 \xE3\x82\xBD \xF0\x9F\x8E\xAC \xF4\x8F\xBF\xBF", "\xC2\x80 \xE3\x82\xBD \xF0\x9F\x8E\xAC \xF4\x8F\xBF\xBF"},
      // Three bytes with a lead byte that needs no further check, each end of the range; a
      // third byte that does not continue, and a sequence cut short by the end.
      {"\xE1\x80\x80\xEC\xBF\xBF\xEE\x80\x80\xED\x9F\xBF", "\xE1\x80\x80\xEC\xBF\xBF\xEE\x80\x80\xED\x9F\xBF",
       "\xE1\x80\x80\xEC\xBF\xBF\xEE\x80\x80\xED\x9F\xBF", "\xE1\x80\x80\xEC\xBF\xBF\xEE\x80\x80\xED\x9F\xBF"},
      {"\xE1\x80" "A\xEF\xBF", r + r + "A" + r + r, r + r + "A" + r + r, r + r + "A" + r + r},
      // U+FFFE and U+FFFF are characters, but not XML's.
      {"\xEF\xBF\xBE\xEF\xBF\xBF", "\xEF\xBF\xBE\xEF\xBF\xBF", r + r, "\xEF\xBF\xBE\xEF\xBF\xBF"},
      // Not UTF-8: a stray continuation byte, over-long forms, a surrogate, past U+10FFFF, cut short.
      {"\x80x\xC0\xAF\xE0\x80\xAF\xED\xA0\x80\xF4\x90\x80\x80\xE3\x82", r + "x" + r + r + r + r + r + r + r + r + r + r + r + r + r + r,
       r + "x" + r + r + r + r + r + r + r + r + r + r + r + r + r + r,
       r + "x" + r + r + r + r + r + r + r + r + r + r + r + r + r + r},
  };
  for (const auto& row : rows) {
    bool edlReplaced = false, xmlReplaced = false, jsonReplaced = false;
    EXPECT_EQ(row.edl, EdlLineText(row.input, edlReplaced)) << row.input;
    EXPECT_EQ(row.xml, XmlText(row.input, xmlReplaced)) << row.input;
    EXPECT_EQ(row.json, JsonText(row.input, jsonReplaced)) << row.input;
    EXPECT_EQ(row.edl != row.input, edlReplaced) << row.input;
    EXPECT_EQ(row.xml != row.input, xmlReplaced) << row.input;
    EXPECT_EQ(row.json != row.input, jsonReplaced) << row.input;
    EXPECT_EQ(row.json == row.input, IsValidUtf8(row.input)) << row.input;
  }
}

}  // namespace
}  // namespace morvane
