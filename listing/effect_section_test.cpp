#include "listing/effect_section.h"

#include <gtest/gtest.h>

#include <memory>

#include "testing/effect_title_records.h"
#include "testing/listing_run.h"

namespace morvane {
namespace {

using testing::AppendEffectRecord;
using testing::EffectRecord;
using testing::ListingRun;
using testing::ProjectWriter;
using testing::Transition;

EffectRecord Dissolve() {
  EffectRecord record = Transition(0, 85, "Dissolve");
  record.third = 15;
  record.fourth = 1;
  record.parameterWords = {100, 200};
  return record;
}

ProjectWriter File(std::initializer_list<EffectRecord> records) {
  ProjectWriter file;
  for (const EffectRecord& record : records) {
    AppendEffectRecord(file, record);
  }
  return file;
}

// Lists the records of file with a fresh main clip table.
struct EffectRun {
  EffectRun(const ProjectWriter& file, std::int32_t count) : run(file) {
    ReadEffectSection(run.context, count, tables->mainClips);
  }
  const MainClipEntry& Clip(std::int32_t i) { return *tables->mainClips.At(i); }

  std::unique_ptr<ClipTables> tables = std::make_unique<ClipTables>();
  ListingRun run;
};

bool TableUntouched(const MainClipTable& clips) {
  for (const MainClipEntry& entry : clips.entries) {
    if (entry.length != 0 || !entry.transition.Empty()) {
      return false;
    }
  }
  return true;
}

TEST(EffectSection, ListsTheRecordAndMarksTheClipsAroundTheTransition) {
  EffectRun effects(File({Dissolve()}), 1);
  EXPECT_EQ("0,85,15,1,Dissolve,0,0,0,0,0,100,200,\r\n", effects.run.Output());
  EXPECT_EQ(0, effects.run.Remaining());
  EXPECT_EQ(85, effects.Clip(0).length);
  EXPECT_TRUE(effects.Clip(0).transition.Empty());
  EXPECT_EQ(0, effects.Clip(1).length);
  EXPECT_EQ("Dissolve", effects.Clip(1).transition.Text());
}

TEST(EffectSection, ClosingTextEndsTheLine) {
  EffectRecord record = Dissolve();
  record.closingText = "abc";
  EffectRun effects(File({record}), 1);
  EXPECT_EQ("0,85,15,1,Dissolve,0,0,0,0,0,100,200,abc\r\n", effects.run.Output());
}

TEST(EffectSection, ParameterBytesAreRoundedUpToWholeWordsAndNegativeReadsNone) {
  struct Case {
    std::int32_t parameterBytes;
    std::vector<std::uint32_t> words;  // what the file holds after the size
    const char* listed;
  };
  const Case cases[] = {
      {0, {}, "1,2,3,4,Wipe,5,6,7,8,9,end\r\n"},
      {5, {11, 12}, "1,2,3,4,Wipe,5,6,7,8,9,11,12,end\r\n"},
      {8, {11, 12}, "1,2,3,4,Wipe,5,6,7,8,9,11,12,end\r\n"},
      {-4, {}, "1,2,3,4,Wipe,5,6,7,8,9,end\r\n"},
      {INT32_MIN, {}, "1,2,3,4,Wipe,5,6,7,8,9,end\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parameterBytes);
    EffectRecord record = Transition(1, 2, "Wipe");
    record.third = 3;
    record.fourth = 4;
    record.values = {5, 6, 7, 8, 9};
    record.parameterBytes = c.parameterBytes;
    record.parameterWords = c.words;
    record.closingText = "end";
    EffectRun effects(File({record}), 1);
    EXPECT_EQ(c.listed, effects.run.Output());
    EXPECT_EQ(0, effects.run.Remaining());
  }
}

TEST(EffectSection, NumbersPrintUnsigned) {
  EffectRecord record = Transition(3, -2, "");
  record.third = 0xFFFFFFFF;
  record.fourth = 65535;
  record.values = {0x80000000, 0, 0, 0, 1};
  record.parameterWords = {0xFFFFFFFE};
  EffectRun effects(File({record}), 1);
  EXPECT_EQ("3,4294967294,4294967295,65535,,2147483648,0,0,0,1,4294967294,\r\n",
            effects.run.Output());
  EXPECT_EQ(-2, effects.Clip(3).length);
}

TEST(EffectSection, NegativeClipIndexIsListedButNotStored) {
  EffectRun effects(File({Transition(-1, 10, "Dissolve")}), 1);
  EXPECT_EQ("4294967295,10,0,0,Dissolve,0,0,0,0,0,\r\n", effects.run.Output());
  EXPECT_TRUE(TableUntouched(effects.tables->mainClips));
}

TEST(EffectSection, RecordNamingTheLastClipsStoresOnlyWhenTheNextEntryExists) {
  {
    EffectRun effects(File({Transition(998, 40, "Wipe")}), 1);
    EXPECT_EQ(40, effects.Clip(998).length);
    EXPECT_EQ("Wipe", effects.Clip(999).transition.Text());
  }
  for (const std::int32_t clipIndex : {999, 1000, INT32_MAX}) {
    SCOPED_TRACE(clipIndex);
    EffectRun effects(File({Transition(clipIndex, 40, "Wipe")}), 1);
    EXPECT_EQ(std::to_string(clipIndex) + ",40,0,0,Wipe,0,0,0,0,0,\r\n", effects.run.Output());
    EXPECT_TRUE(TableUntouched(effects.tables->mainClips));
  }
}

TEST(EffectSection, EmptyEffectNameListsAnEmptyFieldAndClearsTheTransition) {
  EffectRun effects(File({Transition(2, 50, "Wipe"), Transition(2, 60, "")}), 2);
  EXPECT_EQ("2,50,0,0,Wipe,0,0,0,0,0,\r\n2,60,0,0,,0,0,0,0,0,\r\n", effects.run.Output());
  EXPECT_EQ(60, effects.Clip(2).length);
  EXPECT_TRUE(effects.Clip(3).transition.Empty());
}

TEST(EffectSection, LaterRecordNamingTheSameClipWins) {
  EffectRun effects(File({Transition(4, 30, "Wipe Left To Right"), Transition(4, 25, "Dissolve")}), 2);
  EXPECT_EQ(25, effects.Clip(4).length);
  // The shorter name replaces the longer one whole.
  EXPECT_EQ("Dissolve", effects.Clip(5).transition.Text());
}

TEST(EffectSection, EffectNameIsListedAndStoredUpToItsZeroByte) {
  EffectRun effects(File({Transition(0, 0, std::string("Dis\0solve", 9))}), 1);
  EXPECT_EQ("0,0,0,0,Dis,0,0,0,0,0,\r\n", effects.run.Output());
  EXPECT_EQ(0, effects.run.Remaining());
  EXPECT_EQ("Dis", effects.Clip(1).transition.Text());
}

TEST(EffectSection, TruncatedRecordListsZerosAndClearsTheFirstTransition) {
  auto tables = std::make_unique<ClipTables>();
  tables->mainClips.At(0)->length = 5;
  tables->mainClips.At(1)->transition.Assign("Wipe");
  ListingRun run{ProjectWriter()};
  ReadEffectSection(run.context, 1, tables->mainClips);
  EXPECT_EQ("0,0,0,0,,0,0,0,0,0,\r\n", run.Output());
  EXPECT_EQ(0, tables->mainClips.At(0)->length);
  EXPECT_TRUE(tables->mainClips.At(1)->transition.Empty());
}

TEST(EffectSection, SpendsTwentyStepsInProportionAndReportsEachRecord) {
  EffectRun effects(
      File({Transition(0, 10, "Dissolve"), Transition(1, 10, "Dissolve"), Transition(2, 10, "Dissolve")}),
      3);
  EXPECT_EQ((std::vector<std::string>{"[Effect] 1 / 3", "[Effect] 2 / 3", "[Effect] 3 / 3"}),
            effects.run.progress.Texts());
  EXPECT_EQ((std::vector<int>{6, 13, 20}), effects.run.progress.StepsAfter("[Effect]"));
}

TEST(EffectSection, ZeroOrNegativeCountReadsNothing) {
  const ProjectWriter file = File({Dissolve()});
  for (const std::int32_t count : {0, -1, INT32_MIN}) {
    SCOPED_TRACE(count);
    EffectRun effects(file, count);
    EXPECT_EQ("", effects.run.Output());
    EXPECT_EQ(static_cast<std::int64_t>(file.size()), effects.run.Remaining());
    EXPECT_EQ(0, effects.run.progress.steps);
    EXPECT_TRUE(effects.run.progress.statuses.empty());
    EXPECT_TRUE(TableUntouched(effects.tables->mainClips));
  }
}

}  // namespace
}  // namespace morvane
