#include "listing/effect_section.h"

#include <gtest/gtest.h>

#include <memory>

#include "testing/effect_title_records.h"
#include "testing/listing_run.h"

namespace morvane {
namespace {

using namespace testing;

EffectRecord Dissolve() {
  EffectRecord record = Transition(0, 85, "Dissolve");
  record.third = 15;
  record.fourth = 1;
  record.parameterWords = {100, 200};
  return record;
}

ProjectWriter File(std::initializer_list<EffectRecord> records) {
  ProjectWriter file;
  for (const EffectRecord& record : records) AppendEffectRecord(file, record);
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
    if (entry.length != 0 || !entry.transition.Empty()) return false;
  }
  return true;
}

TEST(EffectSection, ListsTheRecordAndMarksTheClipsAroundTheTransition) {
  EffectRecord record = Dissolve();
  EffectRun effects(File({record}), 1);
  EXPECT_EQ("0,85,15,1,Dissolve,0,0,0,0,0,100,200,\r\n", effects.run.Output());
  EXPECT_EQ(0, effects.run.Remaining());
  EXPECT_EQ(85, effects.Clip(0).length);
  EXPECT_TRUE(effects.Clip(0).transition.Empty());
  EXPECT_EQ(0, effects.Clip(1).length);
  EXPECT_EQ("Dissolve", effects.Clip(1).transition.Text());
  record.closingText = "abc";
  EXPECT_EQ("0,85,15,1,Dissolve,0,0,0,0,0,100,200,abc\r\n", EffectRun(File({record}), 1).run.Output());
}

TEST(EffectSection, ParameterBytesAreRoundedUpToWholeWordsAndNegativeReadsNone) {
  const std::pair<std::int32_t, std::vector<std::uint32_t>> cases[] = {
      {0, {}}, {5, {11, 12}}, {8, {11, 12}}, {-4, {}}, {INT32_MIN, {}}};
  for (const auto& [bytes, words] : cases) {
    EffectRecord record = Transition(1, 2, "Wipe");
    record.parameterBytes = bytes;
    record.parameterWords = words;
    record.closingText = "end";
    EffectRun effects(File({record}), 1);
    EXPECT_EQ(words.empty() ? "1,2,0,0,Wipe,0,0,0,0,0,end\r\n" : "1,2,0,0,Wipe,0,0,0,0,0,11,12,end\r\n",
              effects.run.Output()) << bytes;
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
  EXPECT_EQ("3,4294967294,4294967295,65535,,2147483648,0,0,0,1,4294967294,\r\n", effects.run.Output());
  EXPECT_EQ(-2, effects.Clip(3).length);
}

TEST(EffectSection, RecordIsStoredOnlyWhenTheClipAndTheNextEntryExist) {
  {
    EffectRun effects(File({Transition(998, 40, "Wipe")}), 1);
    EXPECT_EQ(40, effects.Clip(998).length);
    EXPECT_EQ("Wipe", effects.Clip(999).transition.Text());
  }
  for (const std::int32_t clipIndex : {-1, 999, 1000, INT32_MAX}) {
    EffectRun effects(File({Transition(clipIndex, 40, "Wipe")}), 1);
    EXPECT_EQ(std::to_string(static_cast<std::uint32_t>(clipIndex)) + ",40,0,0,Wipe,0,0,0,0,0,\r\n",
              effects.run.Output());
    EXPECT_TRUE(TableUntouched(effects.tables->mainClips)) << clipIndex;
  }
}

TEST(EffectSection, LaterRecordNamingTheSameClipWinsEvenWithAnEmptyName) {
  EffectRun effects(File({Transition(4, 30, "Wipe Left To Right"), Transition(4, 25, "Dissolve"),
                          Transition(2, 50, "Wipe"), Transition(2, 60, "")}), 4);
  EXPECT_EQ(25, effects.Clip(4).length);
  EXPECT_EQ("Dissolve", effects.Clip(5).transition.Text());  // the shorter name replaces the longer whole
  EXPECT_TRUE(effects.run.Output().ends_with("2,60,0,0,,0,0,0,0,0,\r\n"));
  EXPECT_EQ(60, effects.Clip(2).length);
  EXPECT_TRUE(effects.Clip(3).transition.Empty());
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

}  // namespace
}  // namespace morvane
