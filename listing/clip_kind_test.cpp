#include "listing/clip_kind.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/listing_run.h"
#include "testing/project_writer.h"

namespace morvane {
namespace {

using testing::ListingRun;
using testing::ProjectWriter;

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return upper;
}

TEST(ClipKind, EveryImageSuffixMakesAStillInAnyCase) {
  // Written out here rather than taken from kImageSuffixes, so a typo in the table shows.
  const char* const suffixes[] = {".bmp", ".dib", ".rle", ".jpg", "jpeg", "jfif", ".pic",
                                  "pict", ".pct", ".png", "pntg", ".pnt", ".mac", ".psd",
                                  ".qti", "qtif", ".sgi", ".rgb", ".tga", "arga", ".vda",
                                  ".icb", ".vst", ".tif", "tiff", ".fpx", ".gif"};
  EXPECT_EQ(std::size(suffixes), kImageSuffixes.size());
  for (const char* suffix : suffixes) {
    SCOPED_TRACE(suffix);
    EXPECT_TRUE(IsImageSuffix(suffix));
    EXPECT_TRUE(IsImageSuffix(Upper(suffix)));
    EXPECT_EQ(ClipKind::Still, ClassifyClip(std::string("photo") + suffix));
    EXPECT_EQ(ClipKind::Still, ClassifyClip("PHOTO" + Upper(suffix)));
  }
}

TEST(ClipKind, NamesAreClassifiedByTheirEndingIgnoringAsciiCase) {
  const struct {
    std::string_view name;
    ClipKind kind;
  } cases[] = {
      {"clip.avi", ClipKind::Movie},
      {"CLIP.AVI", ClipKind::Movie},
      {"x.aVi", ClipKind::Movie},
      {"avi", ClipKind::Movie},          // 3 characters: only Movie or Color possible
      {"clr", ClipKind::Color},
      {"blue.CLR", ClipKind::Color},
      {"photo.JPEG", ClipKind::Still},
      {"photo.Jpg", ClipKind::Still},
      {"shot.targa", ClipKind::Still},   // its last four characters are "arga"
      {".gif", ClipKind::Still},         // exactly 4 characters
      {"gif", ClipKind::Other},          // shorter than the suffix compared
      {"photo.jpe", ClipKind::Other},
      {"clip.mov", ClipKind::Other},
      {"music.wav", ClipKind::Other},
      {"vi", ClipKind::Other},
      {"", ClipKind::Other},
      {"clip.avi ", ClipKind::Other},    // a trailing space is part of the name
      {"clip.av", ClipKind::Other},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.kind, ClassifyClip(c.name));
  }
}

TEST(ClipKind, OnlyAsciiLettersFoldCase) {
  // 0xC1 is 'A' with an accent in Latin-1; a locale's tolower must not make it match.
  EXPECT_EQ(ClipKind::Other, ClassifyClip("x.\xC1VI"));
  // 0x0E | 0x20 is '.': folding by setting bit 5 would wrongly match ".bmp".
  EXPECT_EQ(ClipKind::Other, ClassifyClip("x\x0E" "bmp"));
  EXPECT_FALSE(IsImageSuffix("\x0E" "BMP"));
}

TEST(ClipKind, NameEndsAtItsFirstZeroByte) {
  using namespace std::string_view_literals;
  EXPECT_EQ(ClipKind::Other, ClassifyClip("ab\0c.avi"sv));
  EXPECT_EQ(ClipKind::Movie, ClassifyClip("clip.avi\0junk"sv));
  EXPECT_EQ(ClipKind::Other, ClassifyClip("\0clip.clr"sv));
}

TEST(SignedFrame24, MarkerThirtyOneAloneMakesTheValueNegative) {
  ProjectWriter file;
  file.SignedFrame24Raw(0xFFFFFB, 0x1F);  // FB FF FF 1F
  file.SignedFrame24Raw(0xFFFFFB, 0x00);
  file.SignedFrame24Raw(0x000005, 0x1E);
  file.SignedFrame24Raw(0xFFFFFF, 0xFF);  // marker 255 is not 31
  file.SignedFrame24Raw(0x000000, 0x1F);
  file.SignedFrame24Raw(0xFFFFFF, 0x1F);
  file.SignedFrame24Raw(0x000005, 0x9F);  // 31 with the top bit set is still not 31
  ListingRun run(file);
  EXPECT_EQ(-5, ReadSignedFrame24(run.source));
  EXPECT_EQ(16777211, ReadSignedFrame24(run.source));
  EXPECT_EQ(5, ReadSignedFrame24(run.source));
  EXPECT_EQ(16777215, ReadSignedFrame24(run.source));
  EXPECT_EQ(-16777216, ReadSignedFrame24(run.source));
  EXPECT_EQ(-1, ReadSignedFrame24(run.source));
  EXPECT_EQ(5, ReadSignedFrame24(run.source));
  EXPECT_EQ(0, run.Remaining());
}

TEST(SignedFrame24, FieldCutShortByTheEndOfTheFileReadsZeroUpperBytes) {
  ListingRun run(ProjectWriter().U8(0xFB).U8(0xFF));
  EXPECT_EQ(65531, ReadSignedFrame24(run.source));
}

TEST(LevelBlock, HeadAndPointsAreReadAndListedInFileOrder) {
  ProjectWriter file;
  file.U32(3).U16(100).U16(65535);
  file.U32(150).U16(50);
  file.U32(0x80000000).U16(0);  // a position of 2^31 lists negative
  file.U32(7).U16(65535);
  file.U8(0xAA);                // the next field
  ListingRun run(file);
  const LevelHead head = ReadLevelHead(run.source);
  EXPECT_EQ(3, head.pointCount);
  EXPECT_EQ(100, head.levelIn);
  EXPECT_EQ(65535, head.levelOut);
  EXPECT_TRUE(ListLevelPoints(run.source, run.out, head.pointCount));
  EXPECT_EQ(",150=50,-2147483648=0,7=65535", run.Output());
  EXPECT_EQ(0xAA, run.source.ReadU8());
}

TEST(LevelBlock, PointsWhoseValuesAreAllZeroGiveNoAudio) {
  ListingRun run(ProjectWriter().U32(5).U16(0).U32(6).U16(0));
  EXPECT_FALSE(ListLevelPoints(run.source, run.out, 2));
  EXPECT_EQ(",5=0,6=0", run.Output());
}

TEST(LevelBlock, NegativePointCountReadsNoPoints) {
  ProjectWriter file;
  file.U32(0x80000000).U16(1).U16(2).U8(0xAA);
  ListingRun run(file);
  const LevelHead head = ReadLevelHead(run.source);
  EXPECT_EQ(-2147483647 - 1, head.pointCount);
  EXPECT_FALSE(ListLevelPoints(run.source, run.out, head.pointCount));
  EXPECT_EQ("", run.Output());
  EXPECT_EQ(0xAA, run.source.ReadU8());
}

std::string ColorPieces(std::string_view name) {
  std::string text;
  {
    ListingWriter out(text);
    WriteColorClipName(out, name);
    out.Flush();
  }
  return text;
}

TEST(ColorClipName, FullNameListsCountDirectionAndFourColours) {
  EXPECT_EQ("ColorClip(count=2,direction=BR,1st=FF0000,2nd=00FF00,3rd=0000FF,4th=FFFFFF)",
            ColorPieces("C23__FF0000__00FF00__0000FF__FFFFFF.clr"));
}

TEST(ColorClipName, DirectionDigitsSelectTheEightDirections) {
  const char* const directions[] = {"U", "UR", "R", "BR", "B", "BL", "L", "UL"};
  for (char digit = '0'; digit <= '7'; ++digit) {
    std::string name = "C1x__aaaaaa__bbbbbb__cccccc__dddddd.clr";
    name[2] = digit;
    EXPECT_EQ(std::string("ColorClip(count=1,direction=") + directions[digit - '0'] +
                  ",1st=aaaaaa,2nd=bbbbbb,3rd=cccccc,4th=dddddd)",
              ColorPieces(name));
  }
}

TEST(ColorClipName, DirectionOutsideTheDigitsListsAnEmptyText) {
  for (const char direction : {'8', '/', 'x', ' ', '\x83'}) {
    std::string name = "C1x__aaaaaa__bbbbbb__cccccc__dddddd.clr";
    name[2] = direction;
    EXPECT_EQ("ColorClip(count=1,direction=,1st=aaaaaa,2nd=bbbbbb,3rd=cccccc,4th=dddddd)",
              ColorPieces(name));
  }
}

TEST(ColorClipName, CountIsTheUnsignedByteMinus48) {
  const struct {
    char byte;
    std::string_view count;
  } cases[] = {{'4', "count=4"}, {'A', "count=17"}, {'0', "count=0"}, {' ', "count=-16"},
               {'\x83', "count=83"}, {'\xFF', "count=207"}};
  for (const auto& c : cases) {
    std::string name = "Cx0__aaaaaa__bbbbbb__cccccc__dddddd.clr";
    name[1] = c.byte;
    const std::string pieces = ColorPieces(name);
    EXPECT_EQ("ColorClip(" + std::string(c.count) + ",direction=U,", pieces.substr(0, pieces.find("U,") + 2));
  }
}

TEST(ColorClipName, ShortNamesCutEachColourAndPadItOnTheLeft) {
  // Positions 5..8 hold ".clr": the 1st colour is cut to 4 characters, the others are empty.
  EXPECT_EQ("ColorClip(count=2,direction=BR,1st=  .clr,2nd=      ,3rd=      ,4th=      )",
            ColorPieces("C23ab.clr"));
  // A name ending exactly where the 1st colour starts lists it empty.
  EXPECT_EQ("ColorClip(count=60,direction=,1st=      ,2nd=      ,3rd=      ,4th=      )",
            ColorPieces("clr"));
  // 31 characters: the 4th colour holds positions 29 and 30.
  EXPECT_EQ("ColorClip(count=1,direction=R,1st=aaaaaa,2nd=bbbbbb,3rd=cccccc,4th=    rr)",
            ColorPieces("C12__aaaaaa__bbbbbb__cccccc__rr"));
}

TEST(ColorClipName, NameEndsAtItsFirstZeroByte) {
  using namespace std::string_view_literals;
  EXPECT_EQ("ColorClip(count=2,direction=BR,1st=    FF,2nd=      ,3rd=      ,4th=      )",
            ColorPieces("C23__FF\0" "00__00FF00__0000FF__FFFFFF.clr"sv));
}

TEST(ColorClipName, ColourBytesPassThroughUnchanged) {
  EXPECT_EQ("ColorClip(count=1,direction=U,1st=\x82\xA0\x82\xA2xy,2nd=bbbbbb,3rd=cccccc,4th=dddddd)",
            ColorPieces("C10__\x82\xA0\x82\xA2xy__bbbbbb__cccccc__dddddd.clr"));
}

}  // namespace
}  // namespace morvane
