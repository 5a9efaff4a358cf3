#include "listing/filter_sections.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "listing/conversion_error.h"
#include "testing/filter_bin_records.h"
#include "testing/listing_run.h"

namespace morvane {
namespace {

using testing::AppendAudioFilterRecord;
using testing::AppendFilter;
using testing::AppendVisualFilterRecord;
using testing::ListingRun;
using testing::ProjectWriter;
using testing::VisualFilterRecord;

constexpr const char* kEmptyLists = ",\r\n,\r\n";

// Runs the main-track reader over the file with a fresh table.
struct VisualRun {
  explicit VisualRun(const ProjectWriter& file) : run(file) {}
  const std::string& Read(std::int32_t clipCount) {
    ReadVisualFilterSection(run.context, clipCount, tables->mainClips);
    return run.Output();
  }
  ListingRun run;
  std::unique_ptr<ClipTables> tables = std::make_unique<ClipTables>();
};

TEST(VisualFilterSection, RecordWithoutBlocksIs32BytesAndThreeLines) {
  ProjectWriter file;
  AppendVisualFilterRecord(file, {.slow = 1, .fifth = 5, .sixth = 6});
  ASSERT_EQ(32u, file.size());

  VisualRun visual(file);
  EXPECT_EQ(std::string("0,0,0,1,5,6\r\n") + kEmptyLists, visual.Read(1));
  EXPECT_EQ(0, visual.run.Remaining());
  EXPECT_EQ(1, visual.tables->mainClips.entries[0].slow);
  EXPECT_EQ(std::vector<std::string>{"[FilterVisual] 1 / 1"}, visual.run.progress.Texts());
  EXPECT_EQ(0, visual.run.progress.steps);
}

TEST(VisualFilterSection, NumbersAreListedUnsignedAndSlowKeepsTheBitPattern) {
  ProjectWriter file;
  AppendVisualFilterRecord(file, {.firstFlag = 0xFFFFFFFF, .slow = 0x80000000, .sixth = 4294967295});
  VisualRun visual(file);
  EXPECT_EQ(std::string("4294967295,0,0,2147483648,0,4294967295\r\n") + kEmptyLists, visual.Read(1));
  EXPECT_EQ(0, visual.run.Remaining());
  EXPECT_EQ(INT32_MIN, visual.tables->mainClips.entries[0].slow);
}

TEST(VisualFilterSection, FirstBlockSizeCountsItsOwnFourBytes) {
  // Sizes up to 4 are followed by no bytes; 10 by 6. The bytes 0xFF would list as a filter
  // count of 4294967295 if they were not skipped.
  for (const auto& [size, bytes] : {std::pair<std::uint32_t, std::size_t>{0, 0}, {3, 0}, {4, 0}, {10, 6}}) {
    SCOPED_TRACE(size);
    ProjectWriter file;
    file.U32(1).U32(0).U32(0).U32(0).U32(0).U32(0);
    file.U32(size).Bytes(std::string(bytes, '\xff'));
    AppendFilter(file.U32(1), {"A", ""}).U32(0);
    VisualRun visual(file);
    EXPECT_EQ("1,0,0,0,0,0\r\n,A,\r\n,\r\n", visual.Read(1));
    EXPECT_EQ(0, visual.run.Remaining());
  }
}

TEST(VisualFilterSection, SecondBlockReadsAnIgnoredWordBeforeItsSize) {
  ProjectWriter file;
  AppendVisualFilterRecord(file, {.secondFlag = 1, .secondBlockWord = 0x7FFFFFFF, .secondBlock = "abc",
                                  .secondList = {{"B", "12"}}});
  VisualRun visual(file);
  EXPECT_EQ("0,1,0,0,0,0\r\n,\r\n,B,\r\n", visual.Read(1));
  EXPECT_EQ(0, visual.run.Remaining());
}

TEST(VisualFilterSection, AllThreeBlocksAreSkippedInOrder) {
  ProjectWriter file;
  AppendVisualFilterRecord(file, {.firstFlag = 1, .secondFlag = 1, .thirdFlag = 1, .slow = 1,
                                  .firstBlock = "1", .secondBlockWord = 9, .secondBlock = "22",
                                  .thirdBlock = "333", .firstList = {{"A", "x"}}});
  AppendVisualFilterRecord(file, {.slow = 2});
  VisualRun visual(file);
  EXPECT_EQ(std::string("1,1,1,1,0,0\r\n,A,\r\n,\r\n0,0,0,2,0,0\r\n") + kEmptyLists, visual.Read(2));
  EXPECT_EQ(0, visual.run.Remaining());
}

TEST(VisualFilterSection, FlagsOtherThanOneHaveNoBlock) {
  ProjectWriter file;
  AppendVisualFilterRecord(file, {.firstFlag = 2, .secondFlag = 2, .thirdFlag = 0x101,
                                  .firstList = {{"A", ""}}});
  ASSERT_EQ(32u + 6u, file.size());
  VisualRun visual(file);
  EXPECT_EQ("2,2,257,0,0,0\r\n,A,\r\n,\r\n", visual.Read(1));
  EXPECT_EQ(0, visual.run.Remaining());
}

TEST(VisualFilterSection, FilterNamesAreListedAsReadEmptyOnesAsALoneComma) {
  ProjectWriter file;
  AppendVisualFilterRecord(file, {.firstList = {{"A", ""}, {"B b,\"", "set"}},
                                  .secondList = {{"", "zz"}, {"C", ""}}});
  VisualRun visual(file);
  EXPECT_EQ("0,0,0,0,0,0\r\n,A,B b,\",\r\n,,C,\r\n", visual.Read(1));
  EXPECT_EQ(0, visual.run.Remaining());
}

TEST(VisualFilterSection, FourthValueIsStoredEvenWhenZero) {
  ProjectWriter file;
  AppendVisualFilterRecord(file, {.slow = 0});
  AppendVisualFilterRecord(file, {.slow = 3});
  auto tables = std::make_unique<ClipTables>();
  for (auto* entries : {&tables->mainClips.entries[0], &tables->mainClips.entries[1],
                        &tables->mainClips.entries[2]}) {
    entries->slow = 7;
  }
  tables->insertClips.entries[0].slow = 7;

  ListingRun run(file);
  ReadVisualFilterSection(run.context, 2, tables->mainClips);
  EXPECT_EQ(0, tables->mainClips.entries[0].slow);
  EXPECT_EQ(3, tables->mainClips.entries[1].slow);
  EXPECT_EQ(7, tables->mainClips.entries[2].slow);  // beyond the count: untouched
  EXPECT_EQ(7, tables->insertClips.entries[0].slow);  // the other table: untouched
}

TEST(VisualFilterSection, InsertTableReceivesTheSlowValues) {
  ProjectWriter file;
  AppendVisualFilterRecord(file, {.slow = 4});
  AppendVisualFilterRecord(file, {.slow = 0});
  auto tables = std::make_unique<ClipTables>();
  tables->insertClips.entries[1].slow = 1;

  ListingRun run(file);
  ReadVisualFilterSection(run.context, 2, tables->insertClips);
  EXPECT_EQ(4, tables->insertClips.entries[0].slow);
  EXPECT_EQ(0, tables->insertClips.entries[1].slow);
  EXPECT_EQ(0, tables->mainClips.entries[0].slow);
  EXPECT_EQ((std::vector<std::string>{"[FilterVisual] 1 / 2", "[FilterVisual] 2 / 2"}),
            run.progress.Texts());
}

TEST(VisualFilterSection, RecordsBeyondTheTableAreListedButStoreNothing) {
  ProjectWriter file;
  for (std::uint32_t i = 0; i < 302; ++i) {
    AppendVisualFilterRecord(file, {.slow = i + 1});
  }
  auto tables = std::make_unique<ClipTables>();
  ListingRun run(file);
  ReadVisualFilterSection(run.context, 302, tables->insertClips);
  EXPECT_EQ(300, tables->insertClips.entries[299].slow);
  EXPECT_EQ(0, run.Remaining());
  EXPECT_NE(std::string::npos, run.Output().find("0,0,0,302,0,0\r\n,\r\n,\r\n"));
  EXPECT_EQ("[FilterVisual] 302 / 302", run.progress.Texts().back());
  EXPECT_EQ(0, tables->mainClips.entries[0].slow);  // the table beside it is untouched
}

TEST(VisualFilterSection, ZeroOrNegativeClipCountReadsNothing) {
  for (std::int32_t count : {0, -1, INT32_MIN}) {
    ProjectWriter file;
    AppendVisualFilterRecord(file, {.slow = 1});
    VisualRun visual(file);
    EXPECT_EQ("", visual.Read(count));
    EXPECT_EQ(32, visual.run.Remaining());
    EXPECT_TRUE(visual.run.progress.statuses.empty());
    EXPECT_EQ(0, visual.tables->mainClips.entries[0].slow);
  }
}

TEST(VisualFilterSection, SizesWithTheTopBitSetSkipPastTheEnd) {
  // Taken as signed, these sizes would skip nothing and the bytes "junk..." would be read as the
  // following fields. Taken as unsigned they skip past the end, and everything after reads zero.
  for (int block = 0; block < 4; ++block) {
    SCOPED_TRACE(block);
    ProjectWriter file;
    file.U32(block == 0).U32(block == 1).U32(block == 2).U32(1).U32(0).U32(0);
    if (block == 0) {
      file.U32(0x80000000);
    } else if (block == 1) {
      file.U32(0).U32(0xFFFFFFFF);
    } else if (block == 2) {
      file.U32(0x80000000);
    } else {
      file.U32(1).ShortString("A").U32(0xFFFFFFF0);
    }
    file.U32(1).ShortString("junk").U32(0).U32(0).Zeros(64);
    VisualRun visual(file);
    const std::string first = block == 3 ? ",A,\r\n,\r\n" : kEmptyLists;
    EXPECT_EQ(visual.Read(2).substr(13), first + "0,0,0,0,0,0\r\n" + kEmptyLists);
    EXPECT_LT(visual.run.Remaining(), -0x70000000);
    EXPECT_EQ(0, visual.tables->mainClips.entries[1].slow);
  }
}

TEST(VisualFilterSection, HugeFilterCountIsFollowedUntilTheReaderRefuses) {
  // A signed loop would list no filter here; the count is unsigned, so the empty filters after
  // the end of the file are read until the limit of reads past the end stops the conversion.
  ProjectWriter file;
  file.U32(0).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0x80000000);
  VisualRun visual(file);
  try {
    visual.Read(1);
    FAIL() << "expected the conversion to stop";
  } catch (const ConversionError& error) {
    EXPECT_EQ(ConversionFailure::EndsTooEarly, error.failure());
  }
  EXPECT_EQ(0, visual.run.Output().rfind("0,0,0,0,0,0\r\n,,,,", 0));
}

TEST(AudioFilterSection, ListsTheCountThenCommaAndNamePerFilter) {
  ProjectWriter file;
  AppendAudioFilterRecord(file, {});
  AppendAudioFilterRecord(file, {{"A", "settings"}, {"B", ""}});
  AppendAudioFilterRecord(file, {{"", "x"}, {"Echo, long", ""}});
  ListingRun run(file);
  ReadAudioFilterSection(run.context, 3);
  EXPECT_EQ("0\r\n2,A,B\r\n2,,Echo, long\r\n", run.Output());
  EXPECT_EQ(0, run.Remaining());
  EXPECT_EQ((std::vector<std::string>{"[FilterAudio] 1 / 3", "[FilterAudio] 2 / 3",
                                      "[FilterAudio] 3 / 3"}),
            run.progress.Texts());
  EXPECT_EQ(0, run.progress.steps);
}

TEST(AudioFilterSection, ZeroOrNegativeClipCountWritesNothing) {
  for (std::int32_t count : {0, -5}) {
    ProjectWriter file;
    AppendAudioFilterRecord(file, {});
    ListingRun run(file);
    ReadAudioFilterSection(run.context, count);
    EXPECT_EQ("", run.Output());
    EXPECT_EQ(4, run.Remaining());
    EXPECT_TRUE(run.progress.statuses.empty());
  }
}

TEST(AudioFilterSection, RecordsAfterTheEndOfTheFileListZero) {
  ProjectWriter file;
  AppendAudioFilterRecord(file, {{"A", ""}});
  ListingRun run(file);
  ReadAudioFilterSection(run.context, 3);
  EXPECT_EQ("1,A\r\n0\r\n0\r\n", run.Output());
}

TEST(AudioFilterSection, SettingsSizeWithTheTopBitSetSkipsPastTheEnd) {
  ProjectWriter file;
  file.U32(2).ShortString("A").U32(0x80000000);
  AppendAudioFilterRecord(file, {{"junk", ""}});
  ListingRun run(file);
  ReadAudioFilterSection(run.context, 2);
  EXPECT_EQ("2,A,\r\n0\r\n", run.Output());
  EXPECT_LT(run.Remaining(), -0x70000000);
}

TEST(AudioFilterSection, CountWithTheTopBitSetIsListedSignedAndFollowedUnsigned) {
  ProjectWriter file;
  file.U32(0x80000000).ShortString("A").U32(0);
  ListingRun run(file);
  try {
    ReadAudioFilterSection(run.context, 1);
    FAIL() << "expected the conversion to stop";
  } catch (const ConversionError& error) {
    EXPECT_EQ(ConversionFailure::EndsTooEarly, error.failure());
  }
  EXPECT_EQ(0, run.Output().rfind("-2147483648,A,,,", 0));
}

}  // namespace
}  // namespace morvane
