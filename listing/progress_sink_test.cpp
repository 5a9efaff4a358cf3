#include "listing/progress_sink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/recording_progress.h"

namespace morvane {
namespace {

TEST(ReportItem, StatusIsTheNameThenBothNumbersAsPercentD) {
  testing::RecordingProgress progress;
  ReportItem(progress, "[BinWindow]", 1, 3);
  ReportItem(progress, "[FilterVisual]", 2147483647, -2147483647 - 1);
  ReportItem(progress, "[EDL]", -7, 0);
  const std::vector<std::string> expected = {"[BinWindow] 1 / 3",
                                             "[FilterVisual] 2147483647 / -2147483648",
                                             "[EDL] -7 / 0"};
  EXPECT_EQ(expected, progress.Texts());
  EXPECT_EQ(0, progress.steps);
}

TEST(ProgressShare, ThreeItemsTakeTheirShareInProportion) {
  testing::RecordingProgress progress;
  ProgressShare share(progress, "[MainAV]", kMainAvShare, 3);
  for (std::int32_t k = 1; k <= 3; ++k) {
    share.ItemDone(k);
  }
  EXPECT_EQ((std::vector<int>{13, 26, 40}), progress.StepsAfter("[MainAV]"));
  EXPECT_EQ("[MainAV] 3 / 3", progress.Texts().back());
}

}  // namespace
}  // namespace morvane
