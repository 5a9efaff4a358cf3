// What the golden files cannot show of the EDL table, through whole conversions: which transition
// names are dissolves, a transition out of the last clip, an insert still's begin and sound,
// event numbers past 999 with a full main table, and half speed past 2^31.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing/clip_tables.h"
#include "testing/doubles/convert_in_memory.h"
#include "testing/effect_title_records.h"
#include "testing/filter_bin_records.h"
#include "testing/track_records.h"

namespace morvane {
namespace {

using namespace testing;

constexpr ConversionSettings kFrames{SoftwareKind::RexEdit, TimecodeMode::Frames};

std::string Edl(const std::string& text) { return text.substr(text.find("\r\nEvent") + 2); }

TEST(EdlTable, OnlyTheFourDissolveNamesByExactBytesAreDissolves) {
  const struct {
    const char* transition;
    char code;
  } cases[] = {
      {"Dissolve", 'D'}, {"Basic - Dissolve", 'D'}, {"\x83\x66\x83\x42\x83\x5D\x83\x8B\x83\x75", 'D'},
      {"Basic - \xC3\xDE\xA8\xBF\xDE\xD9\xCC\xDE", 'D'}, {"dissolve", 'W'}, {"Dissolve ", 'W'},
      {"Basic - Wipe", 'W'}, {"\x83\x66\x83\x42\x83\x5D\x83\x8B", 'W'},  // katakana without its last letter
  };
  for (const auto& c : cases) {
    ProjectWriter file;
    file.Header(0x0200, 0, 2);
    MainMovie(file, "a.avi", 0, 39);
    MainMovie(file, "b.avi", 0, 29);
    AppendEffectRecord(file.U32(0).U32(0).U32(0).U32(1), Transition(0, 30, c.transition));
    const std::string text = ConvertInMemory(file.U32(0).U32(0).U32(0).U32(0).U8(0).bytes(), kFrames);
    EXPECT_NE(std::string::npos, text.find(std::string("001 MAIN  V    ") + c.code + "     10       0       30"))
        << c.transition;
  }
}

// A transition out of the last main clip (its effect names that clip, so the entry after it holds
// the transition) opens a from line and holds the side events back to the end. An insert still
// takes its begin as a plain u32 and never has sound, whatever its level.
TEST(EdlTable, ATransitionOutOfTheLastClipAndAnInsertStill) {
  ProjectWriter file;
  file.Header(0x0200, 0, 2);
  MainMovie(file, "a.avi", 0, 99);
  MainMovie(file, "b.avi", 0, 99, {100, 100});
  InsertMovie(file.U32(2), "i.avi", 0, 9, 0, {100, 100});
  InsertStill(file, "s.bmp", 0, 9, 0x1FFFFFFB, "", {100, 100});  // FB FF FF 1F
  AppendEffectRecord(file.U32(0).U32(0).U32(2), Transition(0, 90, "Dissolve"));
  AppendEffectRecord(file, Transition(1, 80, "Dissolve"));
  const std::string text = ConvertInMemory(file.U32(0).U32(0).U32(0).U32(0).U8(0).bytes(), kFrames);
  EXPECT_NE(std::string::npos, text.find("s.bmp,in=0,out=9,begin=536870907,,"));
  EXPECT_EQ("Event                        Source            Recorder\r\n"
            "                             IN      OUT       IN      OUT\r\n"
            "001 MAIN  V    C              0       90        0       90   a.avi\r\n"
            "001 MAIN  VA   D     10       0       80       90      170   b.avi\r\n"
            "002 MAIN  VA   C             80       80      170      170\r\n"
            "003 INS   VA   C              0       10        0       10   i.avi\r\n"
            "004 INS   V    C              0       10   536870907   536870917   s.bmp\r\n",
            Edl(text));
}

TEST(EdlTable, FullMainTableNumbersEventsPast999AndSpendsTheShareInProportion) {
  ProjectWriter file;
  file.Header(0x0200, 0, kMainCapacity);
  for (int i = 0; i < kMainCapacity; ++i) MainMovie(file, "c.avi", 0, 0);
  InsertMovie(file.U32(1), "late.avi", 0, 9, 4990);
  file.U32(0).U32(0).U32(2);
  AppendEffectRecord(file, Transition(998, 0, "Basic - Wipe"));  // the last clip's transition
  AppendEffectRecord(file, Transition(999, 0, "Dissolve"));      // names no clip: not stored
  RecordingProgress progress;
  const std::string text = ConvertInMemory(file.U32(0).U32(0).U32(0).U32(0).U8(0).bytes(), kFrames, &progress);
  EXPECT_TRUE(text.ends_with("999 MAIN  V    C              0        0      998      998   c.avi\r\n"
                             "999 MAIN  V    W      1       0        1      998      999   c.avi\r\n"
                             "1000 INS   V    C              0       10     4990     5000   late.avi\r\n"))
      << text.substr(text.size() - 300);
  // The steps taken when each [EDL] status is set: the EDL's share starts at 160.
  std::vector<int> steps;
  for (const auto& status : progress.statuses) {
    if (status.text.starts_with("[EDL]")) steps.push_back(status.steps);
  }
  ASSERT_EQ(1000u, steps.size());
  EXPECT_EQ((std::vector<int>{160, 160, 161, 199, 199}),
            (std::vector<int>{steps[0], steps[24], steps[25], steps[998], steps[999]}));
}

TEST(EdlTable, HalfSpeedDoublesPast2To31ByWrapping) {
  ProjectWriter file;
  file.Header(0x0207, 0, 2).U32(0).U32(0);
  MainMovie(file, "wraps.avi", 0, 1999999999);
  MainStill(file, "still.bmp", 0, 99);
  InsertMovie(file.U32(1), "ins.avi", -2000000000, 1999999999, 0);
  file.U32(0).U32(0).U32(0).U32(0);
  for (std::uint32_t slow : {1u, 0xFFFFFFFDu, 1u}) AppendVisualFilterRecord(file, {.slow = slow});
  const std::string text = ConvertInMemory(file.U32(0).U32(0).U32(0).U32(0).U32(0).U8(0).bytes(), kFrames);
  EXPECT_EQ("Event                        Source            Recorder\r\n"
            "                             IN      OUT       IN      OUT\r\n"
            "001 MAIN  V S  C              0   -147483648        0   -294967296   wraps.avi\r\n"
            "002 INS   V S  C         -2000000000   2000000000        0   -589934592   ins.avi\r\n"
            "003 MAIN  V S  C              0      100   -294967296   -294967096   still.bmp\r\n",
            Edl(text));
}

}  // namespace
}  // namespace morvane
