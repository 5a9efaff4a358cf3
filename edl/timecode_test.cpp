// Timecode labels at their boundaries, beyond 2^31 and below zero, in every mode; the golden files
// pin ordinary times.
#include "edl/timecode.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace morvane {
namespace {

constexpr TimecodeMode kDrop = TimecodeMode::NtscDropFrame;
constexpr TimecodeMode kPal = TimecodeMode::Pal;
constexpr TimecodeMode kFrames = TimecodeMode::Frames;
constexpr TimecodeMode kNonDrop = TimecodeMode::NtscNonDrop;
constexpr std::int32_t kMin = INT32_MIN;
constexpr std::int32_t kMax = INT32_MAX;

TEST(Timecode, BoundariesSignsAndWidthsOfEveryMode) {
  const struct {
    std::int32_t count;
    TimecodeMode mode;
    const char* timecode;
    const char* duration;
  } cases[] = {
      // Drop frame prints the label (DropFrameLabel, below); hours past 99 take three digits.
      {0, kDrop, "00:00:00;00", "00:00"},        {10789200, kDrop, "100:00:00;00", "00:00"},
      // Labels past 2^31 - 1 are printed whole.
      {2145336163, kDrop, "19884:06:28;07", "25:13"}, {2145336164, kDrop, "19884:06:28;08", "25:14"},
      {kMax, kDrop, "19904:00:42;19", "28:07"},  {-1, kDrop, "00:00:00;00", "00:-1"},
      {kMin, kDrop, "00:00:00;00", "-28:-8"},
      // The other modes count plainly, never wrap at a day and keep signed fields.
      {90000, kPal, "01:00:00:00", "00:00"},     {kMax, kPal, "23860:55:45:22", "45:22"},
      {8999999, kPal, "99:59:59:24", "59:24"},   {9000000, kPal, "100:00:00:00", "00:00"},
      {-31, kPal, "00:00:-1:-6", "-1:-6"},       {kMin, kPal, "-23860:-55:-45:-23", "-45:-23"},
      {2592000, kNonDrop, "24:00:00:00", "00:00"}, {kMax, kNonDrop, "19884:06:28:07", "28:07"},
      {-31, kNonDrop, "00:00:-1:-1", "-1:-1"},   {-26, kNonDrop, "00:00:00:-26", "00:-26"},
      {kMin, kNonDrop, "-19884:-6:-28:-8", "-28:-8"},
      {-1, kFrames, "    -1", "   -1"},         {99999, kFrames, " 99999", "99999"},
      {999999, kFrames, "999999", "999999"},     {1234567, kFrames, "1234567", "1234567"},
      {kMin, kFrames, "-2147483648", "-2147483648"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.count << " in mode " << static_cast<int>(c.mode));
    EXPECT_EQ(c.timecode, FormatTimecode(c.count, c.mode).View());
    EXPECT_EQ(c.duration, FormatDuration(c.count, c.mode).View());
  }
  const TimecodeText first = FormatTimecode(1800, kDrop);  // each result keeps its own text
  EXPECT_EQ("01:15", FormatDuration(45, kDrop).View());
  EXPECT_EQ("00:01:00;02", first.View());
}

// The counting rule, one frame at a time: labels 00 and 01 opening a minute are skipped unless the
// minute is a multiple of ten. Ten minutes (17982 frames) advance the label by exactly 18000, so a
// count far up is counted from the start of its own ten-minute block.
std::int64_t CountLabel(std::int64_t frame, std::int64_t label, std::int64_t count) {
  for (; frame < count; ++frame) {
    ++label;
    if (label % 1800 == 0 && label % 18000 != 0) label += 2;
  }
  return label;
}

TEST(DropFrameLabel, EqualsCountingFrameByFrame) {
  std::int64_t label = 0;
  for (std::int32_t count = 1; count <= 400000; ++count) {
    label = CountLabel(count - 1, label, count);
    ASSERT_EQ(label, DropFrameLabel(count)) << count;
  }
  std::uint32_t state = 12345;
  for (int i = 0; i < 3000; ++i) {
    state = state * 1664525u + 1013904223u;
    const std::int32_t count = i < 2 ? kMax - i : static_cast<std::int32_t>(state >> 1);
    const std::int64_t block = count / 17982;
    ASSERT_EQ(CountLabel(block * 17982, block * 18000, count), DropFrameLabel(count)) << count;
  }
}

// Reading a time of day back gives the count it was printed from, on every clock, and text that
// is no time of that clock gives nothing.
TEST(ParseTimecode, ReadsBackWhatFormatTimecodePrintsAndNothingElse) {
  for (const TimecodeMode mode : {kDrop, kNonDrop, kPal}) {
    const std::int32_t day = mode == kPal ? 2160000 : mode == kNonDrop ? 2592000 : 2589408;
    for (const std::int32_t count : {0, 1799, 1800, 17981, 17982, day - 1}) {
      EXPECT_EQ(count, ParseTimecode(FormatTimecode(count, mode).View(), mode)) << count;
    }
    EXPECT_FALSE(ParseTimecode(FormatTimecode(day, mode).View(), mode)) << "24 hours is no time of day";
  }
  const struct {
    const char* text;
    TimecodeMode mode;
  } refused[] = {
      {"00:01:00;00", kDrop}, {"00:01:00;01", kDrop},  // skipped labels
      {"00:00:00:30", kNonDrop}, {"00:00:00:25", kPal}, {"00:60:00:00", kPal}, {"00:00:60:00", kPal},
      {"1:00:00:00", kPal},      {"01:00:00:00 ", kPal}, {"01-00:00:00", kPal}, {"01:00;00:00", kPal},
      {"+1:00:00:00", kPal},     {"01:00:00:00", kFrames},
  };
  for (const auto& row : refused) {
    EXPECT_FALSE(ParseTimecode(row.text, row.mode)) << row.text;
  }
  EXPECT_EQ(600, ParseTimecode("00:00:20;00", kNonDrop));  // either separator
  EXPECT_EQ(17982, ParseTimecode("00:10:00:00", kDrop));
}

}  // namespace
}  // namespace morvane
