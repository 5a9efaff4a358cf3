#include "edl/timecode.h"

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace morvane {
namespace {

constexpr TimecodeMode kDrop = TimecodeMode::NtscDropFrame;
constexpr TimecodeMode kPal = TimecodeMode::Pal;
constexpr TimecodeMode kFrames = TimecodeMode::Frames;
constexpr TimecodeMode kNonDrop = TimecodeMode::NtscNonDrop;

struct Case {
  std::int32_t count;
  TimecodeMode mode;
  const char* text;
};

void ExpectTimecodes(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(c.text, FormatTimecode(c.count, c.mode).View())
        << "count " << c.count << ", mode " << static_cast<int>(c.mode);
  }
}

// The drop-frame counting rule, one frame at a time from the point (frame, label): the next
// label is one more, except that the labels 00 and 01 opening a minute are skipped unless the
// minute is a multiple of ten.
std::int64_t NextLabel(std::int64_t label) {
  const std::int64_t b = label + 1;
  return b % 1800 == 0 && b % 18000 != 0 ? b + 2 : b;
}

std::int64_t CountLabel(std::int64_t frame, std::int64_t label, std::int64_t count) {
  for (; frame < count; ++frame) {
    label = NextLabel(label);
  }
  return label;
}

TEST(Timecode, DropFrameSkipsTwoLabelsAtEachMinuteButTheTenth) {
  ExpectTimecodes({{0, kDrop, "00:00:00;00"},          {1799, kDrop, "00:00:59;29"},
                   {1800, kDrop, "00:01:00;02"},       {1801, kDrop, "00:01:00;03"},
                   {3597, kDrop, "00:01:59;29"},       {3598, kDrop, "00:02:00;02"},
                   {17981, kDrop, "00:09:59;29"},      {17982, kDrop, "00:10:00;00"},
                   {17983, kDrop, "00:10:00;01"},      {19782, kDrop, "00:11:00;02"},
                   {35964, kDrop, "00:20:00;00"},      {107891, kDrop, "00:59:59;29"},
                   {107892, kDrop, "01:00:00;00"},     {107892 * 100, kDrop, "100:00:00;00"},
                   {50000, kDrop, "00:27:48;10"},      {299999, kDrop, "02:46:49;29"},
                   {300000, kDrop, "02:46:50;00"}});
  // The labels of the editors' checkpoint table, reached by counting from frame 0.
  const std::pair<std::int32_t, std::int64_t> checkpoints[] = {
      {50000, 50050}, {100000, 100100}, {150000, 150150}, {200000, 200200}, {250000, 250252}, {300000, 300300}};
  for (const auto& [frames, label] : checkpoints) {
    EXPECT_EQ(label, DropFrameLabel(frames)) << frames;
    EXPECT_EQ(label, CountLabel(0, 0, frames)) << frames;
  }
}

TEST(Timecode, DropFrameLabelsPastTheSigned32BitRangeArePrintedWhole) {
  EXPECT_EQ(2147483647, DropFrameLabel(2145336163));
  EXPECT_EQ(2147483648, DropFrameLabel(2145336164));
  ExpectTimecodes({{2145336163, kDrop, "19884:06:28;07"},
                   {2145336164, kDrop, "19884:06:28;08"},
                   {2147483647, kDrop, "19904:00:42;19"}});
}

TEST(Timecode, OtherModesCountPlainlyWithoutWrappingAtADay) {
  ExpectTimecodes({{0, kPal, "00:00:00:00"},           {29, kPal, "00:00:01:04"},
                   {1800, kPal, "00:01:12:00"},        {90000, kPal, "01:00:00:00"},
                   {2147483647, kPal, "23860:55:45:22"}, {0, kNonDrop, "00:00:00:00"},
                   {1800, kNonDrop, "00:01:00:00"},    {107892, kNonDrop, "00:59:56:12"},
                   {2592000, kNonDrop, "24:00:00:00"}, {10800000, kNonDrop, "100:00:00:00"},
                   {2147483647, kNonDrop, "19884:06:28:07"},
                   // Frames are right-aligned in six characters and never cut.
                   {0, kFrames, "     0"},            {123, kFrames, "   123"},
                   {999999, kFrames, "999999"},        {1234567, kFrames, "1234567"},
                   {2147483647, kFrames, "2147483647"}});
}

TEST(Timecode, NegativeCountsPrintSignedFields) {
  ExpectTimecodes({{-1, kDrop, "00:00:00;00"},
                   {-2147483647 - 1, kDrop, "00:00:00;00"},
                   {-1, kPal, "00:00:00:-1"},
                   {-1, kNonDrop, "00:00:00:-1"},
                   {-1, kFrames, "    -1"},
                   {-31, kPal, "00:00:-1:-6"},
                   {-31, kNonDrop, "00:00:-1:-1"},
                   {-26, kNonDrop, "00:00:00:-26"},
                   {-2147483647 - 1, kPal, "-23860:-55:-45:-23"},
                   {-2147483647 - 1, kNonDrop, "-19884:-6:-28:-8"},
                   {-2147483647 - 1, kFrames, "-2147483648"}});
}

TEST(Duration, KeepsSecondsAndFramesOnly) {
  const std::vector<Case> cases = {
      {45, kDrop, "01:15"},   {45, kNonDrop, "01:15"}, {45, kPal, "01:20"},
      {45, kFrames, "   45"}, {1815, kDrop, "00:15"},  {1815, kNonDrop, "00:15"},
      {0, kDrop, "00:00"},    {0, kFrames, "    0"},   {99999, kFrames, "99999"},
      {123456, kFrames, "123456"}, {-1, kDrop, "00:-1"}, {-1, kPal, "00:-1"},
      {-1, kNonDrop, "00:-1"}, {-1, kFrames, "   -1"}};
  for (const Case& c : cases) EXPECT_EQ(c.text, FormatDuration(c.count, c.mode).View()) << c.count;
}

TEST(Timecode, EachResultKeepsItsOwnText) {
  const TimecodeText first = FormatTimecode(1800, kDrop);
  const TimecodeText duration = FormatDuration(45, kDrop);
  const TimecodeText second = FormatTimecode(17982, kDrop);
  EXPECT_EQ("00:01:00;02", first.View());
  EXPECT_EQ("01:15", duration.View());
  EXPECT_EQ("00:10:00;00", second.View());
}

// Counting the 17982 frames of any ten minutes from a label that opens a ten-minute block
// advances the label by exactly 18000, because the rule looks only at the label modulo 18000.
// So a count far up is counted from the start of its own block.
TEST(DropFrameLabel, EqualsCountingForEveryCountUpToFourMillionAndSamplesBeyond) {
  std::int64_t label = 0;
  for (std::int32_t count : {-1000, -1, 0, INT32_MIN}) ASSERT_EQ(0, DropFrameLabel(count)) << count;
  for (std::int32_t count = 1; count <= 4000000; ++count) {
    label = NextLabel(label);
    ASSERT_EQ(label, DropFrameLabel(count)) << count;
  }
  EXPECT_EQ(18000 * 119000 + 18000, CountLabel(17982LL * 119000, 18000LL * 119000, 17982LL * 119001));
  std::vector<std::int32_t> samples = {2145336163, 2145336164, 2147483647, 2147483646};
  std::uint32_t state = 12345;
  for (int i = 0; i < 2000; ++i) {
    state = state * 1664525u + 1013904223u;
    samples.push_back(static_cast<std::int32_t>(state >> 1));
  }
  for (std::int32_t block = 119000; block < 119400; block += 40) {
    for (std::int32_t offset : {0, 1, 1799, 1800, 1801, 3597, 3598, 17980, 17981}) {
      samples.push_back(block * 17982 + offset);
    }
  }
  for (std::int32_t count : samples) {
    const std::int64_t block = count / 17982;
    ASSERT_EQ(CountLabel(block * 17982, block * 18000, count), DropFrameLabel(count)) << count;
  }
}

// C's printf of the formats that the two functions stand for, as the reference.
std::string Printf(const char* format, int a, int b = 0, int c = 0, int d = 0) {
  char text[64];
  const int size = std::snprintf(text, sizeof text, format, a, b, c, d);
  return std::string(text, static_cast<std::size_t>(size));
}

std::string ReferenceTimecode(std::int32_t c, TimecodeMode mode) {
  switch (mode) {
    case TimecodeMode::NtscDropFrame: {
      const std::int64_t l = DropFrameLabel(c);
      return Printf("%02d:%02d:%02d;%02d", static_cast<int>(l / 108000),
                    static_cast<int>(l / 1800 % 60), static_cast<int>(l / 30 % 60),
                    static_cast<int>(l % 30));
    }
    case TimecodeMode::Pal:
      return Printf("%02d:%02d:%02d:%02d", c / 90000, c / 1500 % 60, c / 25 % 60, c % 25);
    case TimecodeMode::Frames:
      return Printf("%6d", c);
    case TimecodeMode::NtscNonDrop:
      return Printf("%02d:%02d:%02d:%02d", c / 108000, c / 1800 % 60, c / 30 % 60, c % 30);
  }
  return "";
}

std::string ReferenceDuration(std::int32_t c, TimecodeMode mode) {
  switch (mode) {
    case TimecodeMode::NtscDropFrame:
    case TimecodeMode::NtscNonDrop:
      return Printf("%02d:%02d", c / 30 % 60, c % 30);
    case TimecodeMode::Pal:
      return Printf("%02d:%02d", c / 25 % 60, c % 25);
    case TimecodeMode::Frames:
      return Printf("%5d", c);
  }
  return "";
}

TEST(Timecode, EveryModePrintsExactlyWhatCPrintfGives) {
  std::vector<std::int32_t> counts = {std::numeric_limits<std::int32_t>::min(),
                                      std::numeric_limits<std::int32_t>::min() + 1,
                                      std::numeric_limits<std::int32_t>::max(),
                                      std::numeric_limits<std::int32_t>::max() - 1};
  for (std::int32_t c = -120000; c <= 120000; ++c) {  // signs, widths and the first hour
    counts.push_back(c);
  }
  for (std::int64_t power = 10; power <= 1000000000; power *= 10) {  // every digit count
    for (std::int64_t near : {power - 1, power, -power + 1, -power}) {
      counts.push_back(static_cast<std::int32_t>(near));
    }
  }
  std::uint64_t state = 88172645463325252ULL;
  for (int i = 0; i < 200000; ++i) {  // across the whole 32-bit range
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    counts.push_back(static_cast<std::int32_t>(static_cast<std::uint32_t>(state >> 32)));
  }
  for (const TimecodeMode mode : {kDrop, kPal, kFrames, kNonDrop}) {
    int failures = 0;
    for (const std::int32_t c : counts) {
      if (FormatTimecode(c, mode).View() != ReferenceTimecode(c, mode) ||
          FormatDuration(c, mode).View() != ReferenceDuration(c, mode)) {
        ADD_FAILURE() << "count " << c << ", mode " << static_cast<int>(mode) << ": "
                      << FormatTimecode(c, mode).View() << " / " << FormatDuration(c, mode).View();
        if (++failures == 10) {
          break;
        }
      }
    }
  }
}

}  // namespace
}  // namespace morvane
