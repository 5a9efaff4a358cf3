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

using namespace std::string_view_literals;
using namespace testing;

using Fields5 = std::tuple<std::string_view, std::int32_t, std::int32_t, std::int32_t, std::int32_t>;
// name, length, sourceIn, sourceOut, hasAudio
Fields5 Fields(const MainClipEntry& e) { return {e.name.Text(), e.length, e.sourceIn, e.sourceOut, e.hasAudio}; }
// name, sourceIn, sourceOut, begin, hasAudio
Fields5 Fields(const InsertClipEntry& e) { return {e.name.Text(), e.sourceIn, e.sourceOut, e.begin, e.hasAudio}; }
// name, sourceIn, sourceOut, begin, 0
Fields5 Fields(const AudioClipEntry& e) { return {e.name.Text(), e.sourceIn, e.sourceOut, e.begin, 0}; }

const std::string kColor = ColorName('2', '3', "FF0000", "00FF00", "0000FF", "FFFFFF");
const std::string kColorPieces = "ColorClip(count=2,direction=BR,1st=FF0000,2nd=00FF00,3rd=0000FF,4th=FFFFFF)";
constexpr std::int32_t kMin = -2147483647 - 1;

// Runs one track section over file with fresh tables.
class Track : public ::testing::Test {
 protected:
  using Reader = void (*)(ListingContext&, std::int32_t, ClipTables&);
  static void Main(ListingContext& c, std::int32_t n, ClipTables& t) { ReadMainAvSection(c, n, t.mainClips); }
  static void Insert(ListingContext& c, std::int32_t n, ClipTables& t) { ReadInsertAvSection(c, n, t.insertClips); }
  static void Audio(ListingContext& c, std::int32_t n, ClipTables& t) { ReadExAudioSection(c, n, t.exAudio1Clips); }

  const std::string& List(Reader read, const ProjectWriter& file, std::int32_t count) {
    run = std::make_unique<ListingRun>(file);
    read(run->context, count, *tables);
    return run->Output();
  }
  const MainClipEntry& MainAt(int i) { return tables->mainClips.entries[static_cast<std::size_t>(i)]; }
  const InsertClipEntry& InsertAt(int i) { return tables->insertClips.entries[static_cast<std::size_t>(i)]; }
  const AudioClipEntry& AudioAt(int i) { return tables->exAudio1Clips.entries[static_cast<std::size_t>(i)]; }

  std::unique_ptr<ClipTables> tables = std::make_unique<ClipTables>();
  std::unique_ptr<ListingRun> run;
};

TEST_F(Track, MainMovieIsListedWithItsLevelPointsAndStored) {
  ProjectWriter file;
  MainMovie(file, "clip.avi", 0, 299, {100, 100, {{150, 50}, {200, 100}}});
  EXPECT_EQ("clip.avi,in=0,out=299,levelpoint(in=100,out=100,150=50,200=100)\r\n", List(Main, file, 1));
  EXPECT_EQ(Fields5("clip.avi", 300, 0, 300, 1), Fields(MainAt(0)));
  EXPECT_EQ(0, run->Remaining());
}

TEST_F(Track, MainStillWithMarkedInPointStartsItsSourceAtZero) {
  // Field by field: name, in, out, text, level block.
  ProjectWriter file;
  file.ShortString("photo.JPEG").U32(0x1FFFFFFB).U32(0x0000005E).ShortString("").U32(0).U16(0).U16(0);
  EXPECT_EQ("photo.JPEG,in=-5,out=94,,levelpoint(in=0,out=0)\r\n", List(Main, file, 1));
  EXPECT_EQ(Fields5("photo.JPEG", 100, 0, 100, 0), Fields(MainAt(0)));
}

TEST_F(Track, MainStillAndColourListTheirLevelsButNeverHaveAudio) {
  ProjectWriter file;
  MainStill(file, "photo.Jpg", 10, 19, "a text", {7, 8, {{3, 9}}});
  MainStill(file, kColor, 0, 29, "t", {1, 0});
  EXPECT_EQ("photo.Jpg,in=10,out=19,a text,levelpoint(in=7,out=8,3=9)\r\n" + kColorPieces +
                ",in=0,out=29,t,levelpoint(in=1,out=0)\r\n",
            List(Main, file, 2));
  EXPECT_EQ(Fields5("photo.Jpg", 10, 0, 10, 0), Fields(MainAt(0)));
  EXPECT_EQ(Fields5("color clip", 30, 0, 30, 0), Fields(MainAt(1)));
}

TEST_F(Track, AnyNonzeroLevelGivesAMovieAudio) {
  ProjectWriter file;
  MainMovie(file, "silent.avi", 0, 9, {0, 0, {{5, 0}}});
  MainMovie(file, "out.avi", 0, 9, {0, 1});
  MainMovie(file, "point.avi", 0, 9, {0, 0, {{5, 0}, {6, 65535}}});
  MainMovie(file, "in.AVI", 0, 9, {2, 0});
  List(Main, file, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(i == 0 ? 0 : 1, MainAt(i).hasAudio) << i;
}

TEST_F(Track, OtherClipReadsNothingAfterItsNameAndStoresNothing) {
  ProjectWriter file;
  OtherClip(file, "clip.mov");
  MainMovie(file, "next.avi", 1, 2);
  OtherClip(file, "photo.jpe");
  EXPECT_EQ("next.avi,in=1,out=2,levelpoint(in=0,out=0)\r\n", List(Main, file, 3));
  EXPECT_EQ(Fields5("", 0, 0, 0, 0), Fields(MainAt(0)));
  EXPECT_EQ(Fields5("next.avi", 2, 1, 3, 0), Fields(MainAt(1)));
  EXPECT_EQ(Fields5("", 0, 0, 0, 0), Fields(MainAt(2)));
  EXPECT_EQ(3u, run->progress.statuses.size());
  EXPECT_EQ(0, run->Remaining());
}

TEST_F(Track, MainValuesOfTwoToThe31AndMoreListNegativeAndWrap) {
  ProjectWriter file;
  MainMovie(file, "a.avi", 0, 2147483647);
  MainMovie(file, "b.avi", kMin, -1, {0, 0, {{-2, 1}}});
  MainStill(file, "c.bmp", -16777216, 16777215);
  EXPECT_EQ("a.avi,in=0,out=2147483647,levelpoint(in=0,out=0)\r\n"
            "b.avi,in=-2147483648,out=-1,levelpoint(in=0,out=0,-2=1)\r\n"
            "c.bmp,in=-16777216,out=16777215,,levelpoint(in=0,out=0)\r\n",
            List(Main, file, 3));
  EXPECT_EQ(Fields5("a.avi", kMin, 0, kMin, 0), Fields(MainAt(0)));
  EXPECT_EQ(Fields5("b.avi", kMin, kMin, 0, 1), Fields(MainAt(1)));
  EXPECT_EQ(Fields5("c.bmp", 33554432, 0, 33554432, 0), Fields(MainAt(2)));
}

TEST_F(Track, NegativePointCountListsNoPointsAndReadsOn) {
  ProjectWriter file;
  file.ShortString("neg.avi").U32(0).U32(9).U32(0xFFFFFFFF).U16(3).U16(4);
  MainMovie(file, "next.avi", 0, 0);
  EXPECT_EQ("neg.avi,in=0,out=9,levelpoint(in=3,out=4)\r\nnext.avi,in=0,out=0,levelpoint(in=0,out=0)\r\n",
            List(Main, file, 2));
}

TEST_F(Track, NameEndsAtItsFirstZeroByteButIsConsumedWhole) {
  ProjectWriter file;
  MainMovie(file, "clip.avi\0.mov"sv, 0, 9);
  OtherClip(file, "x.mov\0.avi"sv);
  MainStill(file, "p.gif", 0, 0, "ab\0cd"sv);
  EXPECT_EQ("clip.avi,in=0,out=9,levelpoint(in=0,out=0)\r\np.gif,in=0,out=0,ab,levelpoint(in=0,out=0)\r\n",
            List(Main, file, 3));
  EXPECT_EQ("clip.avi", MainAt(0).name.Text());
  EXPECT_EQ(0, run->Remaining());
}

TEST_F(Track, RecordCutShortListsZerosThenEmptyOtherClips) {
  ProjectWriter file;
  file.ShortString("cut.avi").U32(7).U8(0x2C);  // out cut after its first byte
  EXPECT_EQ("cut.avi,in=7,out=44,levelpoint(in=0,out=0)\r\n", List(Main, file, 3));
  EXPECT_EQ(Fields5("cut.avi", 38, 7, 45, 0), Fields(MainAt(0)));
  EXPECT_EQ(Fields5("", 0, 0, 0, 0), Fields(MainAt(1)));
  EXPECT_EQ(40, run->progress.steps);

  file = ProjectWriter().ShortString("end.wav").U32(5);
  EXPECT_EQ("end.wav,in=5,out=0,begin=0,levelpoint(in=0,out=0)\r\n,in=0,out=0,begin=0,levelpoint(in=0,out=0)\r\n",
            List(Audio, file, 2));
  EXPECT_EQ(Fields5("", 0, 1, 0, 0), Fields(AudioAt(1)));
}

TEST_F(Track, InsertMovieKeepsItsSourceRangeAndBegin) {
  ProjectWriter file;
  InsertMovie(file, "ins.avi", 10, 59, 300);
  EXPECT_EQ("ins.avi,in=10,out=59,begin=300,levelpoint(in=0,out=0)\r\n", List(Insert, file, 1));
  EXPECT_EQ(Fields5("ins.avi", 10, 60, 300, 0), Fields(InsertAt(0)));
}

TEST_F(Track, InsertStillKeepsItsNegativeInAndReadsBeginAsAPlainNumber) {
  // Field by field: name, in, out, begin (u32, FB FF FF 1F), text, level block.
  ProjectWriter file;
  file.ShortString("still.tga").SignedFrame24Raw(0xFFFFFB, 31).SignedFrame24Raw(94, 0);
  file.U32(0x1FFFFFFB).ShortString("txt").U32(1).U16(5).U16(6).U32(2).U16(3);
  EXPECT_EQ("still.tga,in=-5,out=94,begin=536870907,txt,levelpoint(in=5,out=6,2=3)\r\n", List(Insert, file, 1));
  EXPECT_EQ(Fields5("still.tga", -5, 95, 536870907, 0), Fields(InsertAt(0)));
  EXPECT_EQ(0, run->Remaining());
}

TEST_F(Track, InsertClipsBeyondTheTableAreListedButNotStored) {
  ProjectWriter file;
  for (int i = 0; i <= InsertClipTable::kCapacity; ++i) InsertMovie(file, "a.avi", i, i, 0);
  List(Insert, file, InsertClipTable::kCapacity + 1);
  EXPECT_TRUE(run->Output().ends_with("a.avi,in=300,out=300,begin=0,levelpoint(in=0,out=0)\r\n"));
  EXPECT_EQ(299, InsertAt(299).sourceIn);
  EXPECT_EQ(0, run->Remaining());
}

TEST_F(Track, AudioClipsReadEveryNameWithTheAudioLayout) {
  ProjectWriter file;
  AudioClip(file, "music.wav", 0, 899, 120, {200, 0, {{450, 100}}});
  AudioClip(file, kColor, 4, 5, 6);
  AudioClip(file, "x.jpg", 7, 2147483647, -8, {0, 0, {{-1, 0}}});
  EXPECT_EQ("music.wav,in=0,out=899,begin=120,levelpoint(in=200,out=0,450=100)\r\n" + kColor +
                ",in=4,out=5,begin=6,levelpoint(in=0,out=0)\r\n"
                "x.jpg,in=7,out=2147483647,begin=-8,levelpoint(in=0,out=0,-1=0)\r\n",
            List(Audio, file, 3));
  EXPECT_EQ(Fields5("music.wav", 0, 900, 120, 0), Fields(AudioAt(0)));
  EXPECT_EQ(Fields5(kColor, 4, 6, 6, 0), Fields(AudioAt(1)));
  EXPECT_EQ(Fields5("x.jpg", 7, kMin, -8, 0), Fields(AudioAt(2)));
}

}  // namespace
}  // namespace morvane
