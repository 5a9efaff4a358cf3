#include "listing/filter_sections.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "listing/conversion_error.h"
#include "testing/filter_bin_records.h"
#include "testing/listing_run.h"

namespace morvane {
namespace {

using namespace testing;

const std::string kEmptyLists = ",\r\n,\r\n";

// Runs a filter section over file with fresh tables; the visual one stores into the main table.
struct FilterRun {
  explicit FilterRun(const ProjectWriter& file) : run(file) {}
  const std::string& Visual(std::int32_t clipCount) {
    ReadVisualFilterSection(run.context, clipCount, tables->mainClips);
    return run.Output();
  }
  const std::string& Audio(std::int32_t clipCount) {
    ReadAudioFilterSection(run.context, clipCount);
    return run.Output();
  }
  std::int32_t Slow(int i) const { return tables->mainClips.entries[static_cast<std::size_t>(i)].slow; }
  ListingRun run;
  std::unique_ptr<ClipTables> tables = std::make_unique<ClipTables>();
};

ProjectWriter VisualFile(std::initializer_list<VisualFilterRecord> records) {
  ProjectWriter file;
  for (const auto& record : records) AppendVisualFilterRecord(file, record);
  return file;
}

template <class Read>
void ExpectRefused(Read read) {
  try {
    read();
    ADD_FAILURE() << "expected the conversion to stop";
  } catch (const ConversionError& error) {
    EXPECT_EQ(ConversionFailure::EndsTooEarly, error.failure());
  }
}

TEST(VisualFilterSection, RecordWithoutBlocksIs32BytesAndThreeLines) {
  const ProjectWriter file = VisualFile({{.slow = 1, .fifth = 5, .sixth = 6}});
  ASSERT_EQ(32u, file.size());
  FilterRun filters(file);
  EXPECT_EQ("0,0,0,1,5,6\r\n" + kEmptyLists, filters.Visual(1));
  EXPECT_EQ(0, filters.run.Remaining());
  EXPECT_EQ(1, filters.Slow(0));
  EXPECT_EQ(std::vector<std::string>{"[FilterVisual] 1 / 1"}, filters.run.progress.Texts());
  EXPECT_EQ(0, filters.run.progress.steps);
}

TEST(VisualFilterSection, NumbersAreListedUnsignedAndSlowKeepsTheBitPattern) {
  FilterRun filters(VisualFile({{.firstFlag = 0xFFFFFFFF, .slow = 0x80000000, .sixth = 4294967295}}));
  EXPECT_EQ("4294967295,0,0,2147483648,0,4294967295\r\n" + kEmptyLists, filters.Visual(1));
  EXPECT_EQ(INT32_MIN, filters.Slow(0));
}

TEST(VisualFilterSection, BlocksAreSkippedOnlyForFlagOneAndTheFirstSizeCountsItself) {
  const struct {
    ProjectWriter file;
    std::int32_t count;
    const char* listed;
  } cases[] = {
      {VisualFile({{.firstFlag = 1, .secondFlag = 1, .thirdFlag = 1, .slow = 1, .firstBlock = "1",
                    .secondBlockWord = 9, .secondBlock = "22", .thirdBlock = "333", .firstList = {{"A", "x"}}},
                   {.slow = 2}}),
       2, "1,1,1,1,0,0\r\n,A,\r\n,\r\n0,0,0,2,0,0\r\n,\r\n,\r\n"},
      {VisualFile({{.secondFlag = 1, .secondBlockWord = 0x7FFFFFFF, .secondBlock = "abc", .secondList = {{"B", "12"}}}}),
       1, "0,1,0,0,0,0\r\n,\r\n,B,\r\n"},
      {VisualFile({{.firstFlag = 2, .secondFlag = 2, .thirdFlag = 0x101, .firstList = {{"A", ""}}}}),
       1, "2,2,257,0,0,0\r\n,A,\r\n,\r\n"},
      {VisualFile({{.firstList = {{"A", ""}, {"B b,\"", "set"}}, .secondList = {{"", "zz"}, {"C", ""}}}}),
       1, "0,0,0,0,0,0\r\n,A,B b,\",\r\n,,C,\r\n"},
  };
  for (const auto& c : cases) {
    FilterRun filters(c.file);
    EXPECT_EQ(c.listed, filters.Visual(c.count));
    EXPECT_EQ(0, filters.run.Remaining()) << c.listed;
  }
  // Sizes up to 4 are followed by no bytes; 10 by 6. Bytes 0xFF left unskipped would list as a
  // filter count of 4294967295.
  for (const auto& [size, bytes] : {std::pair<std::uint32_t, std::size_t>{0, 0}, {3, 0}, {4, 0}, {10, 6}}) {
    ProjectWriter file;
    file.U32(1).U32(0).U32(0).U32(0).U32(0).U32(0).U32(size).Bytes(std::string(bytes, '\xff'));
    AppendFilter(file.U32(1), {"A", ""}).U32(0);
    FilterRun filters(file);
    EXPECT_EQ("1,0,0,0,0,0\r\n,A,\r\n,\r\n", filters.Visual(1)) << size;
    EXPECT_EQ(0, filters.run.Remaining());
  }
}

TEST(VisualFilterSection, SlowValueGoesToItsOwnTableUpToTheCountAndCapacity) {
  auto tables = std::make_unique<ClipTables>();
  tables->mainClips.entries[0].slow = 7;
  tables->mainClips.entries[2].slow = 7;
  ListingRun main(VisualFile({{.slow = 0}, {.slow = 3}}));
  ReadVisualFilterSection(main.context, 2, tables->mainClips);
  EXPECT_EQ((std::vector<int>{0, 3, 7}),
            (std::vector<int>{tables->mainClips.entries[0].slow, tables->mainClips.entries[1].slow,
                              tables->mainClips.entries[2].slow}));

  ProjectWriter file;
  for (std::uint32_t i = 0; i < 302; ++i) AppendVisualFilterRecord(file, {.slow = i + 1});
  ListingRun inserts(file);
  ReadVisualFilterSection(inserts.context, 302, tables->insertClips);
  EXPECT_EQ(300, tables->insertClips.entries[299].slow);
  EXPECT_EQ(0, inserts.Remaining());
  EXPECT_TRUE(inserts.Output().ends_with("0,0,0,302,0,0\r\n,\r\n,\r\n"));
  EXPECT_EQ("[FilterVisual] 302 / 302", inserts.progress.Texts().back());
  EXPECT_EQ(0, tables->mainClips.entries[0].slow);  // the other table is untouched
}

TEST(FilterSections, SizesWithTheTopBitSetSkipPastTheEnd) {
  // Taken as signed, these sizes would skip nothing and "junk" would be read as the following
  // fields. Taken as unsigned they skip past the end, and everything after reads zero.
  for (int block = 0; block < 4; ++block) {
    ProjectWriter file;
    file.U32(block == 0).U32(block == 1).U32(block == 2).U32(1).U32(0).U32(0);
    if (block == 0 || block == 2) file.U32(0x80000000);
    if (block == 1) file.U32(0).U32(0xFFFFFFFF);
    if (block == 3) file.U32(1).ShortString("A").U32(0xFFFFFFF0);
    file.U32(1).ShortString("junk").U32(0).U32(0).Zeros(64);
    FilterRun filters(file);
    const std::string first = block == 3 ? ",A,\r\n,\r\n" : kEmptyLists;
    EXPECT_EQ(first + "0,0,0,0,0,0\r\n" + kEmptyLists, filters.Visual(2).substr(13)) << block;
    EXPECT_LT(filters.run.Remaining(), -0x70000000);
  }
  ProjectWriter audio;
  audio.U32(2).ShortString("A").U32(0x80000000);
  AppendAudioFilterRecord(audio, {{"junk", ""}});
  FilterRun filters(audio);
  EXPECT_EQ("2,A,\r\n0\r\n", filters.Audio(2));
  EXPECT_LT(filters.run.Remaining(), -0x70000000);
}

TEST(FilterSections, HugeFilterCountsAreFollowedUnsignedUntilTheReaderRefuses) {
  // A signed loop would list no filter here.
  FilterRun visual(ProjectWriter().U32(0).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0x80000000));
  ExpectRefused([&] { visual.Visual(1); });
  EXPECT_TRUE(visual.run.Output().starts_with("0,0,0,0,0,0\r\n,,,,"));
  // The audio count is listed signed but followed unsigned.
  FilterRun audio(ProjectWriter().U32(0x80000000).ShortString("A").U32(0));
  ExpectRefused([&] { audio.Audio(1); });
  EXPECT_TRUE(audio.run.Output().starts_with("-2147483648,A,,,"));
}

TEST(AudioFilterSection, ListsTheCountThenCommaAndNamePerFilter) {
  ProjectWriter file;
  AppendAudioFilterRecord(file, {});
  AppendAudioFilterRecord(file, {{"A", "settings"}, {"B", ""}});
  AppendAudioFilterRecord(file, {{"", "x"}, {"Echo, long", ""}});
  FilterRun filters(file);
  EXPECT_EQ("0\r\n2,A,B\r\n2,,Echo, long\r\n0\r\n", filters.Audio(4));  // the fourth past the end
  EXPECT_EQ(-4, filters.run.Remaining());
  EXPECT_EQ("[FilterAudio] 4 / 4", filters.run.progress.Texts().back());
  EXPECT_EQ(0, filters.run.progress.steps);
}

}  // namespace
}  // namespace morvane
