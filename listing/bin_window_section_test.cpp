#include "listing/bin_window_section.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/filter_bin_records.h"
#include "testing/listing_run.h"

namespace morvane {
namespace {

using namespace testing;

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

TEST(BinWindowSection, EachKindHasItsLineChosenByTheFileName) {
  const struct {
    BinItem item;
    std::string line;
  } cases[] = {
      {{"bin1", "CLIP.AVI", 0, 299, 48000, 16}, "bin1,CLIP.AVI,in=0,out=299,audio=48000Hz16bit\r\n"},
      // Unrecognised files get the movie's line, audio values included.
      {{"voice", "voice.WAV", 10, 20, 32000, 12}, "voice,voice.WAV,in=10,out=20,audio=32000Hz12bit\r\n"},
      // Stills read their audio fields but do not list them.
      {{"pic", "photo.jpeg", 0, 149, 48000, 16}, "pic,photo.jpeg,in=0,out=149\r\n"},
      {{"pic", "x.TARGA", 1, 2, 0, 0}, "pic,x.TARGA,in=1,out=2\r\n"},
      // Colour clips list their parameters instead of either name, and no audio.
      {{"blue", kColorFile, 0, 89, 48000, 16}, std::string(kColorLine) + ",in=0,out=89\r\n"},
      // The kind comes from the file name, not the item name.
      {{"photo.jpg", "movie.avi", 0, 1, 44100, 16}, "photo.jpg,movie.avi,in=0,out=1,audio=44100Hz16bit\r\n"},
      {{"a.clr", "b.bmp", 0, 1, 44100, 16}, "a.clr,b.bmp,in=0,out=1\r\n"},
      {{"i", "f.avi", INT32_MIN, -1, -1, INT32_MAX}, "i,f.avi,in=-2147483648,out=-1,audio=-1Hz2147483647bit\r\n"},
      {{"i", "f.png", -5, INT32_MIN, 0, 0}, "i,f.png,in=-5,out=-2147483648\r\n"},
      // Fewer than 3 characters: always Other. Exactly 3: a movie, or a colour clip whose
      // parameters lie beyond the name's end.
      {{"n", "vi", 1, 2, 48000, 16}, "n,vi,in=1,out=2,audio=48000Hz16bit\r\n"},
      {{"", "", 1, 2, 48000, 16}, ",,in=1,out=2,audio=48000Hz16bit\r\n"},
      {{"n", "AVI", 1, 2, 48000, 16}, "n,AVI,in=1,out=2,audio=48000Hz16bit\r\n"},
      {{"n", "clr", 1, 2, 48000, 16},
       "ColorClip(count=60,direction=,1st=      ,2nd=      ,3rd=      ,4th=      ),in=1,out=2\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.line, ListItem(c.item));
}

TEST(BinWindowSection, ItemsPastTheEndOfTheFileListEmptyNamesAndZeros) {
  ProjectWriter file;
  AppendBinItem(file, {"b", "b.bmp", 0, 9});
  ListingRun run(file);
  ReadBinWindowSection(run.context, 2);
  EXPECT_EQ("b,b.bmp,in=0,out=9\r\n,,in=0,out=0,audio=0Hz0bit\r\n", run.Output());
}

}  // namespace
}  // namespace morvane
