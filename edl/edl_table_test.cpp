#include "edl/edl_table.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "testing/listing_run.h"

namespace morvane {
namespace {

using testing::ListingRun;
using testing::ProjectWriter;

const std::string kHeader =
    "Event                    Source                      Recorder\r\n"
    "                         IN            OUT           IN            OUT\r\n";
const std::string kFramesHeader =
    "Event                        Source            Recorder\r\n"
    "                             IN      OUT       IN      OUT\r\n";

// Clip tables filled in code, then run through ApplyHalfSpeed and WriteEdl as the driver does.
template <class Table>
auto& Add(Table& table) { return table.entries[static_cast<std::size_t>(table.count++)]; }

class Edl {
 public:
  explicit Edl(TimecodeMode mode = TimecodeMode::NtscNonDrop)
      : run_(ProjectWriter(), ConversionSettings{SoftwareKind::RexEdit, mode}) {}

  MainClipEntry& Main(std::string_view name, std::int32_t in, std::int32_t out, std::int32_t length,
                      std::string_view transition = "", std::int32_t hasAudio = 0, std::int32_t slow = 0) {
    return Add(tables->mainClips) = {ShortString(name), length, in, out, ShortString(transition), hasAudio, slow};
  }
  InsertClipEntry& Insert(std::string_view name, std::int32_t in, std::int32_t out, std::int32_t begin,
                          std::int32_t slow = 0) {
    return Add(tables->insertClips) = {ShortString(name), in, out, begin, 0, slow};
  }
  void Audio1(std::string_view name, std::int32_t in, std::int32_t out, std::int32_t begin) {
    Add(tables->exAudio1Clips) = {ShortString(name), in, out, begin};
  }
  void Audio2(std::string_view name, std::int32_t in, std::int32_t out, std::int32_t begin) {
    Add(tables->exAudio2Clips) = {ShortString(name), in, out, begin};
  }

  // The whole output of ApplyHalfSpeed and WriteEdl, header included.
  std::string Write() {
    ApplyHalfSpeed(*tables);
    WriteEdl(run_.context, *tables);
    return run_.Output();
  }

  // The event column of each line after the header ("001 MAIN", "002 INS", ...).
  std::vector<std::string> EventColumns() {
    std::vector<std::string> columns;
    const std::string text = Write();
    for (std::size_t start = kHeader.size(); start < text.size(); start = text.find("\r\n", start) + 2) {
      columns.push_back(text.substr(start, text.find(' ', text.find(' ', start) + 1) - start));
    }
    return columns;
  }

  const testing::RecordingProgress& Progress() const { return run_.progress; }
  std::unique_ptr<ClipTables> tables = std::make_unique<ClipTables>();

 private:
  ListingRun run_;
};

TEST(EdlTable, WorkedExampleHoldsTheInsertBackUntilTheDissolveIsListed) {
  Edl edl;
  edl.Main("A.avi", 100, 200, 85, "", 1);
  edl.Main("B.avi", 0, 150, 150, "Dissolve", 1);
  edl.Insert("I.avi", 10, 40, 50);
  EXPECT_EQ(kHeader +
                "001 MAIN  VA   C         00:00:03:10   00:00:06:05   00:00:00:00   00:00:02:25   A.avi\r\n"
                "001 MAIN  VA   D  00:15  00:00:00:00   00:00:05:00   00:00:02:25   00:00:07:25   B.avi\r\n"
                "002 INS   V    C         00:00:00:10   00:00:01:10   00:00:01:20   00:00:02:20   I.avi\r\n",
            edl.Write());
  EXPECT_EQ((std::vector<std::string>{"[EDL] 1 / 2", "[EDL] 2 / 2"}), edl.Progress().Texts());
  EXPECT_EQ((std::vector<int>{20, 40}), edl.Progress().StepsAfter("[EDL]"));
}

TEST(EdlTable, TwoTransitionsInARowAreSeparatedByAFromLine) {
  Edl edl;
  edl.Main("X.avi", 0, 100, 90);
  edl.Main("Y.avi", 0, 100, 80, "Dissolve");
  edl.Main("Z.avi", 0, 50, 50, "Dissolve");
  EXPECT_EQ(kHeader +
                "001 MAIN  V    C         00:00:00:00   00:00:03:00   00:00:00:00   00:00:03:00   X.avi\r\n"
                "001 MAIN  V    D  00:10  00:00:00:00   00:00:02:20   00:00:03:00   00:00:05:20   Y.avi\r\n"
                "002 MAIN  V    C         00:00:02:20   00:00:02:20   00:00:05:20   00:00:05:20\r\n"
                "002 MAIN  V    D  00:20  00:00:00:00   00:00:01:20   00:00:05:20   00:00:07:10   Z.avi\r\n",
            edl.Write());
}

TEST(EdlTable, OnlyTheFourDissolveNamesByExactBytesAreDissolves) {
  const struct {
    std::string_view transition;
    char code;
  } cases[] = {
      {"Dissolve", 'D'}, {"Basic - Dissolve", 'D'}, {"\x83\x66\x83\x42\x83\x5D\x83\x8B\x83\x75", 'D'},
      {"Basic - \xC3\xDE\xA8\xBF\xDE\xD9\xCC\xDE", 'D'}, {"dissolve", 'W'}, {"Dissolve ", 'W'},
      {"Basic - Wipe", 'W'}, {"\x83\x66\x83\x42\x83\x5D\x83\x8B", 'W'},  // katakana without its last letter
  };
  for (const auto& c : cases) {
    Edl edl;
    edl.Main("a", 0, 40, 30);
    edl.Main("b", 0, 30, 30, c.transition);
    const std::string text = edl.Write();
    EXPECT_EQ(std::string("  ") + c.code + "  00:10", text.substr(text.rfind("001 MAIN") + 13, 10)) << c.transition;
  }
}

TEST(EdlTable, UnshortenedClipLeavesTheDurationBlankEvenBeforeADissolve) {
  Edl edl;
  edl.Main("a", 0, 30, 30);
  edl.Main("b", 0, 30, 30, "Dissolve");
  EXPECT_TRUE(edl.Write().ends_with(
      "001 MAIN  V    D         00:00:00:00   00:00:01:00   00:00:01:00   00:00:02:00   b\r\n"));
}

TEST(EdlTable, FramesModeUsesTheNarrowHeaderAndWidths) {
  Edl frames(TimecodeMode::Frames);
  frames.Main("a", 0, 45, 30, "", 1);
  frames.Main("b", 1234567, 1234667, 100, "Basic - Wipe");
  EXPECT_EQ(kFramesHeader +
                "001 MAIN  VA   C              0       30        0       30   a\r\n"
                "001 MAIN  V    W     15  1234567   1234667       30      130   b\r\n",
            frames.Write());
}

TEST(EdlTable, HalfSpeedClipBeforeATransitionKeepsItsOverlap) {
  Edl edl(TimecodeMode::Frames);
  edl.Main("P", 0, 30, 30);
  edl.Main("S", 100, 200, 85, "Dissolve", 0, 1);
  edl.Main("W", 0, 150, 150, "Basic - Wipe");
  EXPECT_EQ(kFramesHeader +
                "001 MAIN  V    C              0       30        0       30   P\r\n"
                "001 MAIN  V S  D            100      185       30      215   S\r\n"
                "002 MAIN  V S  C            285      285      215      215\r\n"
                "002 MAIN  V    W     15       0      150      215      365   W\r\n",
            edl.Write());
}

TEST(EdlTable, HalfSpeedInsertShowsItsSourceOutBeforeTheStretch) {
  Edl edl;
  edl.Main("M", 0, 300, 300);
  edl.Insert("I", 10, 40, 50, 1).hasAudio = 1;
  edl.Insert("J", 0, 300, 200, 1);  // stretched to 600 frames: ends at 800, after the main track
  EXPECT_EQ(kHeader +
                "001 MAIN  V    C         00:00:00:00   00:00:10:00   00:00:00:00   00:00:10:00   M\r\n"
                "002 INS   V S  C         00:00:00:10   00:00:01:10   00:00:01:20   00:00:03:20   I\r\n"
                "003 INS   V S  C         00:00:00:00   00:00:10:00   00:00:06:20   00:00:26:20   J\r\n",
            edl.Write());
}

TEST(EdlTable, ClipEndingExactlyAtAMainEventIsListedAfterIt) {
  Edl edl;
  edl.Main("m1", 0, 100, 100);
  edl.Main("m2", 0, 100, 100);
  edl.Insert("at100", 0, 60, 40);
  edl.Insert("at101", 0, 60, 41);
  edl.Audio1("a100", 0, 100, 0);
  edl.Audio1("a101", 1, 101, 1);
  EXPECT_EQ((std::vector<std::string>{"001 MAIN", "002 INS", "003 ExA1", "004 MAIN", "005 INS", "006 ExA1"}),
            edl.EventColumns());
}

TEST(EdlTable, ClipStillRunningHoldsBackTheLaterClipsOfItsTrackOnly) {
  Edl edl;
  for (int i = 0; i < 3; ++i) edl.Main("m", 0, 100, 100);
  edl.Insert("late", 0, 50, 200);  // ends at 250
  edl.Insert("early", 0, 10, 0);   // ends at 10, but waits for "late"
  edl.Audio2("a2", 0, 10, 0);      // ends at 10
  edl.Audio1("a1", 0, 10, 150);    // ends at 160
  EXPECT_EQ((std::vector<std::string>{"001 MAIN", "002 ExA2", "003 MAIN", "004 ExA1", "005 MAIN", "006 INS",
                                      "007 INS"}),
            edl.EventColumns());
}

TEST(EdlTable, ClipsEndingAfterTheMainTrackComeLastTrackByTrack) {
  Edl edl;
  edl.Main("m", 0, 10, 10);
  edl.Audio2("a2", 0, 50, 0);
  edl.Audio1("a1", 0, 50, 0);
  edl.Insert("i", 0, 50, 0);
  edl.Insert("j", 0, 5, 0);
  EXPECT_EQ((std::vector<std::string>{"001 MAIN", "002 INS", "003 INS", "004 ExA1", "005 ExA2"}), edl.EventColumns());
}

TEST(EdlTable, TransitionNamedAfterTheLastClipHoldsEverythingForTheEnd) {
  Edl edl;
  edl.Main("m1", 0, 100, 100);
  edl.Main("m2", 0, 100, 90, "Dissolve");
  edl.tables->mainClips.entries[2].transition.Assign("Dissolve");  // an effect named the last clip
  edl.Insert("i", 0, 10, 0);
  EXPECT_EQ((std::vector<std::string>{"001 MAIN", "001 MAIN", "002 MAIN", "003 INS"}), edl.EventColumns());
}

TEST(EdlTable, FullMainTableReadsNothingPastItsEnd) {
  Edl edl;
  for (int i = 0; i < kMainCapacity; ++i) edl.Main("c", 0, 1, 1, i >= kMainCapacity - 2 ? "Basic - Wipe" : "");
  // The last two clips carry transitions, but no from line follows the very last one.
  EXPECT_TRUE(edl.Write().ends_with(
      "999 MAIN  V    C         00:00:00:01   00:00:00:01   00:00:33:09   00:00:33:09\r\n"
      "999 MAIN  V    W         00:00:00:00   00:00:00:01   00:00:33:09   00:00:33:10   c\r\n"));
}

TEST(EdlTable, EventNumbersFromOneThousandShiftTheLine) {
  Edl edl;
  for (int i = 0; i < kMainCapacity; ++i) edl.Main("c", 0, 1, 1);
  edl.Insert("late", 0, 10, 4990);
  EXPECT_TRUE(edl.Write().ends_with(
      "999 MAIN  V    C         00:00:00:00   00:00:00:01   00:00:33:08   00:00:33:09   c\r\n"
      "1000 MAIN  V    C         00:00:00:00   00:00:00:01   00:00:33:09   00:00:33:10   c\r\n"
      "1001 INS   V    C         00:00:00:00   00:00:00:10   00:02:46:10   00:02:46:20   late\r\n"));
  const std::vector<int> steps = edl.Progress().StepsAfter("[EDL]");
  ASSERT_EQ(1000u, steps.size());
  EXPECT_EQ((std::vector<int>{0, 0, 1, 39, 40}), (std::vector<int>{steps[0], steps[23], steps[24], steps[998], steps[999]}));
  EXPECT_EQ("[EDL] 1000 / 1000", edl.Progress().Texts().back());
}

TEST(EdlTable, NoMainClipsWritesTheHeaderOnlyAndTakesNoStep) {
  Edl edl;
  EXPECT_EQ(kHeader, edl.Write());
  EXPECT_TRUE(edl.Progress().statuses.empty());
  EXPECT_EQ(0, edl.Progress().steps);
  EXPECT_EQ(kFramesHeader, Edl(TimecodeMode::Frames).Write());

  testing::RecordingProgress progress;
  const std::string text = testing::ConvertInMemory(ProjectWriter().Header(0x0207, 0, 0).bytes(), {}, &progress);
  EXPECT_TRUE(text.ends_with("[END]\r\n\r\n\r\n\r\n\r\n" + kHeader));
  EXPECT_EQ(200, progress.steps);  // the driver still fills the bar
}

TEST(EdlTable, RecorderPositionWrapsModulo2To32) {
  Edl edl(TimecodeMode::Frames);
  edl.Main("a", 0, 2147483647, 2147483647);
  edl.Main("b", 0, 10, 10);
  edl.Insert("i", 2147483600, 2147483647, 2147483647);  // ends at -2147483602
  EXPECT_EQ(kFramesHeader +
                "001 MAIN  V    C              0   2147483647        0   2147483647   a\r\n"
                "002 INS   V    C         2147483600   2147483647   2147483647   -2147483602   i\r\n"
                "003 MAIN  V    C              0       10   2147483647   -2147483639   b\r\n",
            edl.Write());
}

TEST(HalfSpeed, StretchesSlowMainAndInsertClipsOnlyAndWraps) {
  Edl edl;
  edl.Main("movie", 100, 200, 100, "", 1, 1);
  edl.Main("still", 0, 100, 100, "", 0, -3);
  edl.Main("normal", 100, 200, 100, "", 1, 0);
  edl.Main("wraps", 0, 2000000000, 2000000000, "", 0, 1);
  edl.tables->mainClips.entries[4] = {ShortString("unused"), 100, 100, 200, ShortString(), 1, 1};  // beyond the count
  edl.Insert("insert", -5, 95, 300, 2).hasAudio = 1;
  edl.Insert("wraps", -2000000000, 2000000000, 0, 1);
  edl.Audio1("audio", 10, 20, 0);
  ApplyHalfSpeed(*edl.tables);
  // length, sourceOut, hasAudio of each main clip; sourceOut, hasAudio of each insert.
  std::vector<std::int32_t> main, inserts;
  for (const auto& clip : std::span(edl.tables->mainClips.entries).first(5)) {
    main.insert(main.end(), {clip.length, clip.sourceOut, clip.hasAudio});
  }
  for (const auto& clip : std::span(edl.tables->insertClips.entries).first(2)) {
    inserts.insert(inserts.end(), {clip.sourceOut, clip.hasAudio});
  }
  EXPECT_EQ((std::vector<std::int32_t>{200, 300, 0, 200, 200, 0, 100, 200, 1, -294967296, -294967296, 0, 100, 200, 1}),
            main);
  EXPECT_EQ((std::vector<std::int32_t>{195, 0, 1705032704, 0}), inserts);  // 6e9 - 2^32
  EXPECT_EQ(20, edl.tables->exAudio1Clips.entries[0].sourceOut);
}

}  // namespace
}  // namespace morvane
