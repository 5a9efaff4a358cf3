#include "listing/track_sections.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

#include "testing/listing_run.h"
#include "testing/project_writer.h"
#include "testing/track_records.h"

namespace morvane {
namespace {

using testing::AudioClip;
using testing::ColorName;
using testing::InsertMovie;
using testing::InsertStill;
using testing::ListingRun;
using testing::MainMovie;
using testing::MainStill;
using testing::OtherClip;
using testing::ProjectWriter;

using MainFields = std::tuple<std::string_view, std::int32_t, std::int32_t, std::int32_t, std::int32_t>;
using InsertFields = std::tuple<std::string_view, std::int32_t, std::int32_t, std::int32_t, std::int32_t>;
using AudioFields = std::tuple<std::string_view, std::int32_t, std::int32_t, std::int32_t>;

// name, length, sourceIn, sourceOut, hasAudio
MainFields Fields(const MainClipEntry& e) {
  return {e.name.Text(), e.length, e.sourceIn, e.sourceOut, e.hasAudio};
}
// name, sourceIn, sourceOut, begin, hasAudio
InsertFields Fields(const InsertClipEntry& e) {
  return {e.name.Text(), e.sourceIn, e.sourceOut, e.begin, e.hasAudio};
}
// name, sourceIn, sourceOut, begin
AudioFields Fields(const AudioClipEntry& e) { return {e.name.Text(), e.sourceIn, e.sourceOut, e.begin}; }

const std::string kColor = ColorName('2', '3', "FF0000", "00FF00", "0000FF", "FFFFFF");
const std::string kColorPieces =
    "ColorClip(count=2,direction=BR,1st=FF0000,2nd=00FF00,3rd=0000FF,4th=FFFFFF)";

class TrackSectionTest : public ::testing::Test {
 protected:
  std::unique_ptr<ClipTables> tables = std::make_unique<ClipTables>();
};

// ---- [MainAV] ----

using MainAvSection = TrackSectionTest;

TEST_F(MainAvSection, MovieIsListedWithItsLevelPointsAndStored) {
  ProjectWriter file;
  MainMovie(file, "clip.avi", 0, 299, {100, 100, {{150, 50}, {200, 100}}});
  ListingRun run(file);
  ReadMainAvSection(run.context, 1, tables->mainClips);
  EXPECT_EQ("clip.avi,in=0,out=299,levelpoint(in=100,out=100,150=50,200=100)\r\n", run.Output());
  EXPECT_EQ(MainFields("clip.avi", 300, 0, 300, 1), Fields(tables->mainClips.entries[0]));
  EXPECT_EQ(0, run.Remaining());
}

TEST_F(MainAvSection, StillWithMarkedInPointStartsItsSourceAtZero) {
  // Written field by field to pin the record layout: name, in, out, text, level block.
  ProjectWriter file;
  file.ShortString("photo.JPEG").U32(0x1FFFFFFB).U32(0x0000005E).ShortString("").U32(0).U16(0).U16(0);
  ListingRun run(file);
  ReadMainAvSection(run.context, 1, tables->mainClips);
  EXPECT_EQ("photo.JPEG,in=-5,out=94,,levelpoint(in=0,out=0)\r\n", run.Output());
  EXPECT_EQ(MainFields("photo.JPEG", 100, 0, 100, 0), Fields(tables->mainClips.entries[0]));
}

TEST_F(MainAvSection, StillAndColourListTheirLevelsButNeverHaveAudio) {
  ProjectWriter file;
  MainStill(file, "photo.Jpg", 10, 19, "a text", {7, 8, {{3, 9}}});
  MainStill(file, kColor, 0, 29, "t", {1, 0});
  ListingRun run(file);
  ReadMainAvSection(run.context, 2, tables->mainClips);
  EXPECT_EQ("photo.Jpg,in=10,out=19,a text,levelpoint(in=7,out=8,3=9)\r\n" + kColorPieces +
                ",in=0,out=29,t,levelpoint(in=1,out=0)\r\n",
            run.Output());
  EXPECT_EQ(MainFields("photo.Jpg", 10, 0, 10, 0), Fields(tables->mainClips.entries[0]));
  EXPECT_EQ(MainFields("color clip", 30, 0, 30, 0), Fields(tables->mainClips.entries[1]));
}

TEST_F(MainAvSection, AnyNonzeroLevelGivesAMovieAudio) {
  ProjectWriter file;
  MainMovie(file, "silent.avi", 0, 9, {0, 0, {{5, 0}}});
  MainMovie(file, "out.avi", 0, 9, {0, 1});
  MainMovie(file, "point.avi", 0, 9, {0, 0, {{5, 0}, {6, 65535}}});
  MainMovie(file, "in.AVI", 0, 9, {2, 0});
  ListingRun run(file);
  ReadMainAvSection(run.context, 4, tables->mainClips);
  EXPECT_EQ(0, tables->mainClips.entries[0].hasAudio);
  EXPECT_EQ(1, tables->mainClips.entries[1].hasAudio);
  EXPECT_EQ(1, tables->mainClips.entries[2].hasAudio);
  EXPECT_EQ(1, tables->mainClips.entries[3].hasAudio);
  EXPECT_NE(std::string::npos, run.Output().find("point.avi,in=0,out=9,levelpoint(in=0,out=0,5=0,6=65535)\r\n"));
}

TEST_F(MainAvSection, OtherClipReadsNothingAfterItsNameAndStoresNothing) {
  ProjectWriter file;
  OtherClip(file, "clip.mov");
  MainMovie(file, "next.avi", 1, 2);
  OtherClip(file, "photo.jpe");
  ListingRun run(file);
  ReadMainAvSection(run.context, 3, tables->mainClips);
  EXPECT_EQ("next.avi,in=1,out=2,levelpoint(in=0,out=0)\r\n", run.Output());
  EXPECT_EQ(MainFields("", 0, 0, 0, 0), Fields(tables->mainClips.entries[0]));
  EXPECT_EQ(MainFields("next.avi", 2, 1, 3, 0), Fields(tables->mainClips.entries[1]));
  EXPECT_EQ(MainFields("", 0, 0, 0, 0), Fields(tables->mainClips.entries[2]));
  EXPECT_EQ(3u, run.progress.statuses.size());
  EXPECT_EQ(0, run.Remaining());
}

TEST_F(MainAvSection, ValuesOfTwoToThe31AndMoreListNegativeAndWrap) {
  ProjectWriter file;
  MainMovie(file, "a.avi", 0, 2147483647);
  MainMovie(file, "b.avi", -2147483647 - 1, -1, {0, 0, {{-2, 1}}});
  MainStill(file, "c.bmp", -16777216, 16777215);
  ListingRun run(file);
  ReadMainAvSection(run.context, 3, tables->mainClips);
  EXPECT_EQ("a.avi,in=0,out=2147483647,levelpoint(in=0,out=0)\r\n"
            "b.avi,in=-2147483648,out=-1,levelpoint(in=0,out=0,-2=1)\r\n"
            "c.bmp,in=-16777216,out=16777215,,levelpoint(in=0,out=0)\r\n",
            run.Output());
  EXPECT_EQ(MainFields("a.avi", -2147483647 - 1, 0, -2147483647 - 1, 0), Fields(tables->mainClips.entries[0]));
  EXPECT_EQ(MainFields("b.avi", -2147483647 - 1, -2147483647 - 1, 0, 1), Fields(tables->mainClips.entries[1]));
  EXPECT_EQ(MainFields("c.bmp", 33554432, 0, 33554432, 0), Fields(tables->mainClips.entries[2]));
}

TEST_F(MainAvSection, NegativePointCountListsNoPointsAndReadsOn) {
  ProjectWriter file;
  file.ShortString("neg.avi").U32(0).U32(9).U32(0xFFFFFFFF).U16(3).U16(4);
  MainMovie(file, "next.avi", 0, 0);
  ListingRun run(file);
  ReadMainAvSection(run.context, 2, tables->mainClips);
  EXPECT_EQ("neg.avi,in=0,out=9,levelpoint(in=3,out=4)\r\n"
            "next.avi,in=0,out=0,levelpoint(in=0,out=0)\r\n",
            run.Output());
}

TEST_F(MainAvSection, NameEndsAtItsFirstZeroByteButIsConsumedWhole) {
  using namespace std::string_view_literals;
  ProjectWriter file;
  MainMovie(file, "clip.avi\0.mov"sv, 0, 9);
  OtherClip(file, "x.mov\0.avi"sv);
  MainStill(file, "p.gif", 0, 0, "ab\0cd"sv);
  ListingRun run(file);
  ReadMainAvSection(run.context, 3, tables->mainClips);
  EXPECT_EQ("clip.avi,in=0,out=9,levelpoint(in=0,out=0)\r\np.gif,in=0,out=0,ab,levelpoint(in=0,out=0)\r\n",
            run.Output());
  EXPECT_EQ("clip.avi", tables->mainClips.entries[0].name.Text());
  EXPECT_EQ(0, run.Remaining());
}

TEST_F(MainAvSection, RecordCutShortListsZerosThenEmptyOtherClips) {
  ProjectWriter file;
  file.ShortString("cut.avi").U32(7).U8(0x2C);  // out cut after its first byte
  ListingRun run(file);
  ReadMainAvSection(run.context, 3, tables->mainClips);
  EXPECT_EQ("cut.avi,in=7,out=44,levelpoint(in=0,out=0)\r\n", run.Output());
  EXPECT_EQ(MainFields("cut.avi", 38, 7, 45, 0), Fields(tables->mainClips.entries[0]));
  EXPECT_EQ(MainFields("", 0, 0, 0, 0), Fields(tables->mainClips.entries[1]));
  EXPECT_EQ((std::vector<std::string>{"[MainAV] 1 / 3", "[MainAV] 2 / 3", "[MainAV] 3 / 3"}),
            run.progress.Texts());
  EXPECT_EQ(40, run.progress.steps);
}

TEST_F(MainAvSection, ThreeClipsSpendTheirFortyStepsAsThirteenTwentySixForty) {
  ProjectWriter file;
  MainMovie(file, "a.avi", 0, 1);
  MainStill(file, "b.png", 0, 1);
  OtherClip(file, "c.wav");
  ListingRun run(file);
  ReadMainAvSection(run.context, 3, tables->mainClips);
  EXPECT_EQ((std::vector<int>{13, 26, 40}), run.progress.StepsAfter("[MainAV]"));
  EXPECT_EQ((std::vector<std::string>{"[MainAV] 1 / 3", "[MainAV] 2 / 3", "[MainAV] 3 / 3"}),
            run.progress.Texts());
}

TEST_F(MainAvSection, StepsFollowTheClipsReadWithOneOrAHundredClips) {
  {
    ProjectWriter file;
    MainMovie(file, "a.avi", 0, 1);
    ListingRun run(file);
    ReadMainAvSection(run.context, 1, tables->mainClips);
    EXPECT_EQ((std::vector<int>{40}), run.progress.StepsAfter("[MainAV]"));
  }
  {
    ProjectWriter file;
    for (int i = 0; i < 100; ++i) {
      OtherClip(file, "x");
    }
    ListingRun run(file);
    ReadMainAvSection(run.context, 100, tables->mainClips);
    const std::vector<int> steps = run.progress.StepsAfter("[MainAV]");
    ASSERT_EQ(100u, steps.size());
    EXPECT_EQ(0, steps[1]);
    EXPECT_EQ(1, steps[2]);
    EXPECT_EQ(40, steps[99]);
    EXPECT_EQ("[MainAV] 100 / 100", run.progress.Texts().back());
  }
}

TEST_F(MainAvSection, NegativeCountListsNothing) {
  ProjectWriter file;
  MainMovie(file, "a.avi", 0, 1);
  ListingRun run(file);
  ReadMainAvSection(run.context, -1, tables->mainClips);
  EXPECT_EQ("", run.Output());
  EXPECT_TRUE(run.progress.statuses.empty());
  EXPECT_EQ(0, run.progress.steps);
  EXPECT_EQ(static_cast<std::int64_t>(file.size()), run.Remaining());
}

// ---- [InsertAV] ----

using InsertAvSection = TrackSectionTest;

TEST_F(InsertAvSection, MovieKeepsItsSourceRangeAndBegin) {
  ProjectWriter file;
  InsertMovie(file, "ins.avi", 10, 59, 300);
  ListingRun run(file);
  ReadInsertAvSection(run.context, 1, tables->insertClips);
  EXPECT_EQ("ins.avi,in=10,out=59,begin=300,levelpoint(in=0,out=0)\r\n", run.Output());
  EXPECT_EQ(InsertFields("ins.avi", 10, 60, 300, 0), Fields(tables->insertClips.entries[0]));
}

TEST_F(InsertAvSection, StillKeepsItsNegativeInAndReadsBeginAsAPlainNumber) {
  // Field by field: name, in, out, begin (u32, FB FF FF 1F), text, level block.
  ProjectWriter file;
  file.ShortString("still.tga").SignedFrame24Raw(0xFFFFFB, 31).SignedFrame24Raw(94, 0);
  file.U32(0x1FFFFFFB).ShortString("txt").U32(1).U16(5).U16(6).U32(2).U16(3);
  ListingRun run(file);
  ReadInsertAvSection(run.context, 1, tables->insertClips);
  EXPECT_EQ("still.tga,in=-5,out=94,begin=536870907,txt,levelpoint(in=5,out=6,2=3)\r\n", run.Output());
  EXPECT_EQ(InsertFields("still.tga", -5, 95, 536870907, 0), Fields(tables->insertClips.entries[0]));
  EXPECT_EQ(0, run.Remaining());
}

TEST_F(InsertAvSection, ColourAndMovieWithAudioAndOtherClips) {
  ProjectWriter file;
  InsertStill(file, kColor, -5, 94, 300, "", {0, 0, {{1, 1}}});
  OtherClip(file, "a.jpe");
  InsertMovie(file, "loud.AVI", 0, 2147483647, -1, {0, 9});
  ListingRun run(file);
  ReadInsertAvSection(run.context, 3, tables->insertClips);
  EXPECT_EQ(kColorPieces + ",in=-5,out=94,begin=300,,levelpoint(in=0,out=0,1=1)\r\n"
                "loud.AVI,in=0,out=2147483647,begin=-1,levelpoint(in=0,out=9)\r\n",
            run.Output());
  EXPECT_EQ(InsertFields("color clip", -5, 95, 300, 0), Fields(tables->insertClips.entries[0]));
  EXPECT_EQ(InsertFields("", 0, 0, 0, 0), Fields(tables->insertClips.entries[1]));
  EXPECT_EQ(InsertFields("loud.AVI", 0, -2147483647 - 1, -1, 1), Fields(tables->insertClips.entries[2]));
}

TEST_F(InsertAvSection, ThreeClipsSpendTwentyStepsAsSixThirteenTwenty) {
  ProjectWriter file;
  InsertMovie(file, "a.avi", 0, 1, 0);
  InsertStill(file, "b.tiff", 0, 1, 0);
  InsertMovie(file, "c.avi", 0, 1, 0);
  ListingRun run(file);
  ReadInsertAvSection(run.context, 3, tables->insertClips);
  EXPECT_EQ((std::vector<int>{6, 13, 20}), run.progress.StepsAfter("[InsertAV]"));
  EXPECT_EQ("[InsertAV] 3 / 3", run.progress.Texts().back());
}

TEST_F(InsertAvSection, ZeroCountListsNothingAndTakesNoStep) {
  ProjectWriter file;
  InsertMovie(file, "a.avi", 0, 1, 0);
  ListingRun run(file);
  ReadInsertAvSection(run.context, 0, tables->insertClips);
  EXPECT_EQ("", run.Output());
  EXPECT_TRUE(run.progress.statuses.empty());
  EXPECT_EQ(0, run.progress.steps);
}

TEST_F(InsertAvSection, ClipsBeyondTheTableAreListedButNotStored) {
  ProjectWriter file;
  for (int i = 0; i <= InsertClipTable::kCapacity; ++i) {
    InsertMovie(file, "a.avi", i, i, 0);
  }
  ListingRun run(file);
  ReadInsertAvSection(run.context, InsertClipTable::kCapacity + 1, tables->insertClips);
  EXPECT_NE(std::string::npos, run.Output().find("a.avi,in=300,out=300,begin=0,levelpoint(in=0,out=0)\r\n"));
  EXPECT_EQ(299, tables->insertClips.entries[299].sourceIn);
  EXPECT_EQ(0, run.Remaining());
}

// ---- [ExAudio1] / [ExAudio2] ----

using ExAudioSection = TrackSectionTest;

TEST_F(ExAudioSection, ClipIsListedWithItsBeginAndStored) {
  ProjectWriter file;
  AudioClip(file, "music.wav", 0, 899, 120, {200, 0, {{450, 100}}});
  ListingRun run(file);
  ReadExAudioSection(run.context, 1, tables->exAudio1Clips);
  EXPECT_EQ("music.wav,in=0,out=899,begin=120,levelpoint(in=200,out=0,450=100)\r\n", run.Output());
  EXPECT_EQ(AudioFields("music.wav", 0, 900, 120), Fields(tables->exAudio1Clips.entries[0]));
}

TEST_F(ExAudioSection, NamesOfOtherKindsAreReadWithTheAudioLayout) {
  ProjectWriter file;
  AudioClip(file, "voice.avi", 1, 2, 3);
  AudioClip(file, kColor, 4, 5, 6);
  AudioClip(file, "x.jpg", 7, 2147483647, -8, {0, 0, {{-1, 0}}});
  ListingRun run(file);
  ReadExAudioSection(run.context, 3, tables->exAudio2Clips);
  EXPECT_EQ("voice.avi,in=1,out=2,begin=3,levelpoint(in=0,out=0)\r\n" + kColor +
                ",in=4,out=5,begin=6,levelpoint(in=0,out=0)\r\n"
                "x.jpg,in=7,out=2147483647,begin=-8,levelpoint(in=0,out=0,-1=0)\r\n",
            run.Output());
  EXPECT_EQ(AudioFields(kColor, 4, 6, 6), Fields(tables->exAudio2Clips.entries[1]));
  EXPECT_EQ(AudioFields("x.jpg", 7, -2147483647 - 1, -8), Fields(tables->exAudio2Clips.entries[2]));
}

TEST_F(ExAudioSection, FourClipsSpendTenStepsAsTwoFiveSevenTen) {
  ProjectWriter file;
  for (int i = 0; i < 4; ++i) {
    AudioClip(file, "a.wav", 0, 1, 0);
  }
  ListingRun run(file);
  ReadExAudioSection(run.context, 4, tables->exAudio1Clips);
  EXPECT_EQ((std::vector<int>{2, 5, 7, 10}), run.progress.StepsAfter("[ExAudio]"));
  EXPECT_EQ((std::vector<std::string>{"[ExAudio] 1 / 4", "[ExAudio] 2 / 4", "[ExAudio] 3 / 4",
                                      "[ExAudio] 4 / 4"}),
            run.progress.Texts());
}

TEST_F(ExAudioSection, TrackCutShortListsEmptyNamesAndZeros) {
  ProjectWriter file;
  file.ShortString("end.wav").U32(5);
  ListingRun run(file);
  ReadExAudioSection(run.context, 2, tables->exAudio1Clips);
  EXPECT_EQ("end.wav,in=5,out=0,begin=0,levelpoint(in=0,out=0)\r\n"
            ",in=0,out=0,begin=0,levelpoint(in=0,out=0)\r\n",
            run.Output());
  EXPECT_EQ(AudioFields("end.wav", 5, 1, 0), Fields(tables->exAudio1Clips.entries[0]));
  EXPECT_EQ(AudioFields("", 0, 1, 0), Fields(tables->exAudio1Clips.entries[1]));
  EXPECT_EQ(10, run.progress.steps);
}

// ---- The whole listing ----

TEST(TrackSections, ProjectWithFilledTracksListsEveryTrackUnderItsHeading) {
  ProjectWriter file;
  file.Header(0x0206, 0, 3, 48000);
  file.U32(0);  // aspect ratio 4:3
  MainMovie(file, "clip.avi", 0, 299, {100, 100, {{150, 50}}});
  MainStill(file, "photo.jpg", -5, 94, "caption");
  MainStill(file, kColor, 0, 59);
  file.U32(2);  // insert count
  InsertMovie(file, "ins.avi", 10, 59, 300);
  OtherClip(file, "skip.mov");
  file.U32(1);  // extra audio 1 count
  AudioClip(file, "music.wav", 0, 899, 120, {200, 0, {{450, 100}}});
  file.U32(1);  // extra audio 2 count
  AudioClip(file, "voice.wav", 5, 9, 0);
  file.U32(0);  // effect count
  file.U32(0);  // title count
  file.U32(0).U32(1).U32(0).ShortString("");  // view position, time scale, cursor, out file

  testing::RecordingProgress progress;
  const std::string text = ConvertInMemory(file.bytes(), {}, &progress);
  const std::string listing = text.substr(0, text.find("[END]\r\n"));
  EXPECT_EQ("[Header]\r\nVersion=02.06\r\nFrequency=48kHz16bit\r\nAspectRatio=4:3\r\n"
            "[MainAV]\r\n"
            "clip.avi,in=0,out=299,levelpoint(in=100,out=100,150=50)\r\n"
            "photo.jpg,in=-5,out=94,caption,levelpoint(in=0,out=0)\r\n" +
                kColorPieces + ",in=0,out=59,,levelpoint(in=0,out=0)\r\n"
                "[InsertAV]\r\n"
                "ins.avi,in=10,out=59,begin=300,levelpoint(in=0,out=0)\r\n"
                "[ExAudio1]\r\n"
                "music.wav,in=0,out=899,begin=120,levelpoint(in=200,out=0,450=100)\r\n"
                "[ExAudio2]\r\n"
                "voice.wav,in=5,out=9,begin=0,levelpoint(in=0,out=0)\r\n"
                "[Effect]\r\n[Title]\r\n[BinWindow]\r\n"
                "[Option]\r\nViewPosition=0\r\nTimeScale=1\r\nCursorPosition=0\r\nOutFile=\r\n",
            listing);
  EXPECT_EQ((std::vector<int>{13, 26, 40}), progress.StepsAfter("[MainAV]"));
  EXPECT_EQ((std::vector<int>{50, 60}), progress.StepsAfter("[InsertAV]"));
  // Both extra audio tracks report with the one text, each after the steps of the track before.
  std::vector<std::pair<int, std::string>> audioStatuses;
  for (const auto& status : progress.statuses) {
    if (status.text.starts_with("[ExAudio]")) {
      audioStatuses.emplace_back(status.steps, status.text);
    }
  }
  EXPECT_EQ((std::vector<std::pair<int, std::string>>{{60, "[ExAudio] 1 / 1"}, {70, "[ExAudio] 1 / 1"}}),
            audioStatuses);
}

}  // namespace
}  // namespace morvane
