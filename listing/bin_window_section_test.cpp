#include "listing/bin_window_section.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing/listing_driver.h"
#include "testing/filter_bin_records.h"
#include "testing/listing_run.h"

namespace morvane {
namespace {

using testing::AppendBinItem;
using testing::BinItem;
using testing::ListingRun;
using testing::ProjectWriter;

// Positions 1 and 2 hold the colour count and direction; the colours start at 5, 13, 21, 29.
constexpr const char* kColorFile = "C23__FF0000__00FF00__0000FF__FFFFFF.clr";
constexpr const char* kColorLine =
    "ColorClip(count=2,direction=BR,1st=FF0000,2nd=00FF00,3rd=0000FF,4th=FFFFFF)";

std::string ListItem(const BinItem& item) {
  ProjectWriter file;
  AppendBinItem(file, item);
  ListingRun run(file);
  ReadBinWindowSection(run.context, 1);
  EXPECT_EQ(0, run.Remaining()) << item.fileName;
  return run.Output();
}

TEST(BinWindowSection, EachKindHasItsLine) {
  EXPECT_EQ("bin1,CLIP.AVI,in=0,out=299,audio=48000Hz16bit\r\n",
            ListItem({"bin1", "CLIP.AVI", 0, 299, 48000, 16}));
  // Unrecognised files get the movie's line, audio values included.
  EXPECT_EQ("voice,voice.WAV,in=10,out=20,audio=32000Hz12bit\r\n",
            ListItem({"voice", "voice.WAV", 10, 20, 32000, 12}));
  // Stills read their audio fields but do not list them.
  EXPECT_EQ("pic,photo.jpeg,in=0,out=149\r\n", ListItem({"pic", "photo.jpeg", 0, 149, 48000, 16}));
  EXPECT_EQ("pic,x.TARGA,in=1,out=2\r\n", ListItem({"pic", "x.TARGA", 1, 2, 0, 0}));
  // Colour clips list their parameters instead of either name, and no audio.
  EXPECT_EQ(std::string(kColorLine) + ",in=0,out=89\r\n", ListItem({"blue", kColorFile, 0, 89, 48000, 16}));
}

TEST(BinWindowSection, KindComesFromTheFileNameNotTheItemName) {
  EXPECT_EQ("photo.jpg,movie.avi,in=0,out=1,audio=44100Hz16bit\r\n",
            ListItem({"photo.jpg", "movie.avi", 0, 1, 44100, 16}));
  EXPECT_EQ("a.clr,b.bmp,in=0,out=1\r\n", ListItem({"a.clr", "b.bmp", 0, 1, 44100, 16}));
}

TEST(BinWindowSection, NumbersPrintSigned) {
  EXPECT_EQ("i,f.avi,in=-2147483648,out=-1,audio=-1Hz2147483647bit\r\n",
            ListItem({"i", "f.avi", INT32_MIN, -1, -1, INT32_MAX}));
  EXPECT_EQ("i,f.png,in=-5,out=-2147483648\r\n", ListItem({"i", "f.png", -5, INT32_MIN, 0, 0}));
}

TEST(BinWindowSection, ShortFileNames) {
  // Fewer than 3 characters: always Other, so the audio line.
  EXPECT_EQ("n,a,in=1,out=2,audio=48000Hz16bit\r\n", ListItem({"n", "a", 1, 2, 48000, 16}));
  EXPECT_EQ("n,vi,in=1,out=2,audio=48000Hz16bit\r\n", ListItem({"n", "vi", 1, 2, 48000, 16}));
  EXPECT_EQ(",,in=1,out=2,audio=48000Hz16bit\r\n", ListItem({"", "", 1, 2, 48000, 16}));
  // Exactly 3: a movie or a colour clip whose parameters lie beyond the name's end.
  EXPECT_EQ("n,AVI,in=1,out=2,audio=48000Hz16bit\r\n", ListItem({"n", "AVI", 1, 2, 48000, 16}));
  EXPECT_EQ("ColorClip(count=60,direction=,1st=      ,2nd=      ,3rd=      ,4th=      ),in=1,out=2\r\n",
            ListItem({"n", "clr", 1, 2, 48000, 16}));
}

TEST(BinWindowSection, ReportsEachItemAndTakesNoSteps) {
  ProjectWriter file;
  AppendBinItem(file, {"a", "a.avi", 0, 9});
  AppendBinItem(file, {"b", "b.bmp", 0, 9});
  AppendBinItem(file, {"c", kColorFile, 0, 9});
  ListingRun run(file);
  ReadBinWindowSection(run.context, 3);
  EXPECT_EQ(std::string("a,a.avi,in=0,out=9,audio=48000Hz16bit\r\nb,b.bmp,in=0,out=9\r\n") + kColorLine +
                ",in=0,out=9\r\n",
            run.Output());
  EXPECT_EQ(0, run.Remaining());
  EXPECT_EQ((std::vector<std::string>{"[BinWindow] 1 / 3", "[BinWindow] 2 / 3", "[BinWindow] 3 / 3"}),
            run.progress.Texts());
  EXPECT_EQ(0, run.progress.steps);
}

TEST(BinWindowSection, ZeroOrNegativeCountReadsNothing) {
  for (std::int32_t count : {0, -1, INT32_MIN}) {
    ProjectWriter file;
    AppendBinItem(file, {"a", "a.avi", 0, 9});
    ListingRun run(file);
    ReadBinWindowSection(run.context, count);
    EXPECT_EQ("", run.Output());
    EXPECT_EQ(static_cast<std::int64_t>(file.size()), run.Remaining());
    EXPECT_TRUE(run.progress.statuses.empty());
  }
}

TEST(BinWindowSection, ItemsAfterTheEndOfTheFileListEmptyNamesAndZeros) {
  ProjectWriter file;
  AppendBinItem(file, {"a", "a.bmp", 0, 9});
  ListingRun run(file);
  ReadBinWindowSection(run.context, 3);
  EXPECT_EQ("a,a.bmp,in=0,out=9\r\n,,in=0,out=0,audio=0Hz0bit\r\n,,in=0,out=0,audio=0Hz0bit\r\n",
            run.Output());
}

// A RexEdit 02.07 project without clips: the four filter sections are present and empty, and
// the bin window is followed by the option fields with their reserved word.
TEST(BinWindowSection, RexEdit0207ProjectIsConsumedToItsLastByte) {
  ProjectWriter file;
  file.Header(0x0207, 4, 0, 48000);
  file.U32(1);  // aspect ratio 16:9
  file.U32(2);  // title track
  AppendBinItem(file, {"bin1", "CLIP.AVI", 0, 299, 48000, 16});
  AppendBinItem(file, {"voice", "voice.wav", 5, 6, 44100, 16});
  AppendBinItem(file, {"pic", "photo.jpeg", 0, 149});
  AppendBinItem(file, {"blue", kColorFile, 0, 89});
  file.U32(10).U32(3).U32(20);  // view position, time scale, cursor position
  file.U32(0xFFFFFFFF);          // reserved
  file.ShortString("out.avi");

  ListingRun run(file);
  ListingDriver(run.context).Run();
  const std::string& text = run.Output();
  EXPECT_EQ(0, run.Remaining());
  const std::string listing =
      "[FilterMainAV]\r\n[FilterInsertAV]\r\n[FilterExAudio1]\r\n[FilterExAudio2]\r\n"
      "[BinWindow]\r\n"
      "bin1,CLIP.AVI,in=0,out=299,audio=48000Hz16bit\r\n"
      "voice,voice.wav,in=5,out=6,audio=44100Hz16bit\r\n"
      "pic,photo.jpeg,in=0,out=149\r\n" +
      std::string(kColorLine) +
      ",in=0,out=89\r\n"
      "[Option]\r\nViewPosition=10\r\nTimeScale=3\r\nCursorPosition=20\r\nOutFile=out.avi\r\n[END]\r\n";
  EXPECT_NE(std::string::npos, text.find(listing)) << text;
  EXPECT_EQ(200, run.progress.steps);
  EXPECT_EQ("[BinWindow] 4 / 4", run.progress.statuses.at(run.progress.statuses.size() - 2).text);
}

}  // namespace
}  // namespace morvane
