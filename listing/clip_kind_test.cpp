#include "listing/clip_kind.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/listing_run.h"
#include "testing/project_writer.h"

namespace morvane {
namespace {

using testing::ListingRun;
using testing::ProjectWriter;

std::string Upper(std::string text) {
  for (char& c : text) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  return text;
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
  using namespace std::string_view_literals;
  const struct {
    std::string_view name;
    ClipKind kind;
  } cases[] = {
      {"clip.avi", ClipKind::Movie}, {"CLIP.AVI", ClipKind::Movie}, {"x.aVi", ClipKind::Movie},
      {"avi", ClipKind::Movie},  // 3 characters: only Movie or Color possible
      {"clr", ClipKind::Color}, {"blue.CLR", ClipKind::Color}, {"photo.JPEG", ClipKind::Still},
      {"shot.targa", ClipKind::Still},  // its last four characters are "arga"
      {".gif", ClipKind::Still},        // exactly 4 characters
      {"gif", ClipKind::Other},         // shorter than the suffix compared
      {"photo.jpe", ClipKind::Other}, {"clip.mov", ClipKind::Other}, {"vi", ClipKind::Other}, {"", ClipKind::Other},
      {"clip.avi ", ClipKind::Other},  // a trailing space is part of the name
      // Only ASCII letters fold: 0xC1 is an accented 'A' in Latin-1, and 0x0E | 0x20 is '.'.
      {"x.\xC1VI", ClipKind::Other}, {"x\x0E" "bmp", ClipKind::Other},
      // The name ends at its first zero byte.
      {"ab\0c.avi"sv, ClipKind::Other}, {"clip.avi\0junk"sv, ClipKind::Movie}, {"\0clip.clr"sv, ClipKind::Other},
  };
  for (const auto& c : cases) EXPECT_EQ(c.kind, ClassifyClip(c.name)) << c.name;
  EXPECT_FALSE(IsImageSuffix("\x0E" "BMP"));
}

TEST(SignedFrame24, MarkerThirtyOneAloneMakesTheValueNegative) {
  const struct {
    std::uint32_t v24;
    std::uint8_t marker;
    std::int32_t value;
  } cases[] = {{0xFFFFFB, 0x1F, -5},        {0xFFFFFB, 0x00, 16777211},  {0x000005, 0x1E, 5},
               {0xFFFFFF, 0xFF, 16777215},  // marker 255 is not 31
               {0x000000, 0x1F, -16777216}, {0xFFFFFF, 0x1F, -1},
               {0x000005, 0x9F, 5}};  // 31 with the top bit set is still not 31
  for (const auto& c : cases) {
    ListingRun run(ProjectWriter().SignedFrame24Raw(c.v24, c.marker));
    EXPECT_EQ(c.value, ReadSignedFrame24(run.source)) << c.v24 << " " << int{c.marker};
    EXPECT_EQ(0, run.Remaining());
  }
  ListingRun cut(ProjectWriter().U8(0xFB).U8(0xFF));  // cut short: the missing bytes read 0
  EXPECT_EQ(65531, ReadSignedFrame24(cut.source));
}

TEST(LevelBlock, HeadAndPointsAreReadAndListedInFileOrder) {
  ProjectWriter file;
  file.U32(3).U16(100).U16(65535).U32(150).U16(50);
  file.U32(0x80000000).U16(0);  // a position of 2^31 lists negative
  file.U32(7).U16(65535).U8(0xAA);
  ListingRun run(file);
  const LevelHead head = ReadLevelHead(run.source);
  EXPECT_EQ((std::vector<int>{3, 100, 65535}), (std::vector<int>{head.pointCount, head.levelIn, head.levelOut}));
  EXPECT_TRUE(ListLevelPoints(run.source, run.out, head.pointCount));
  EXPECT_EQ(",150=50,-2147483648=0,7=65535", run.Output());
  EXPECT_EQ(0xAA, run.source.ReadU8());
}

TEST(LevelBlock, ZeroValuesGiveNoAudioAndANegativeCountReadsNoPoints) {
  ListingRun zeros(ProjectWriter().U32(5).U16(0).U32(6).U16(0));
  EXPECT_FALSE(ListLevelPoints(zeros.source, zeros.out, 2));
  EXPECT_EQ(",5=0,6=0", zeros.Output());
  ListingRun negative(ProjectWriter().U8(0xAA));
  EXPECT_FALSE(ListLevelPoints(negative.source, negative.out, INT32_MIN));
  EXPECT_EQ("", negative.Output());
  EXPECT_EQ(0xAA, negative.source.ReadU8());
}

std::string ColorPieces(std::string_view name) {
  std::string text;
  ListingWriter out(text);
  WriteColorClipName(out, name);
  out.Flush();
  return text;
}

TEST(ColorClipName, ListsCountDirectionAndFourColoursCutAndPaddedLikePercent6Dot6s) {
  using namespace std::string_view_literals;
  const struct {
    std::string_view name;
    const char* pieces;
  } cases[] = {
      {"C23__FF0000__00FF00__0000FF__FFFFFF.clr",
       "ColorClip(count=2,direction=BR,1st=FF0000,2nd=00FF00,3rd=0000FF,4th=FFFFFF)"},
      // Positions 5..8 hold ".clr": the 1st colour is cut to 4 characters, the others are empty.
      {"C23ab.clr", "ColorClip(count=2,direction=BR,1st=  .clr,2nd=      ,3rd=      ,4th=      )"},
      // A name ending exactly where the 1st colour starts lists it empty.
      {"clr", "ColorClip(count=60,direction=,1st=      ,2nd=      ,3rd=      ,4th=      )"},
      // 31 characters: the 4th colour holds positions 29 and 30.
      {"C12__aaaaaa__bbbbbb__cccccc__rr", "ColorClip(count=1,direction=R,1st=aaaaaa,2nd=bbbbbb,3rd=cccccc,4th=    rr)"},
      {"C23__FF\0" "00__00FF00__0000FF__FFFFFF.clr"sv,
       "ColorClip(count=2,direction=BR,1st=    FF,2nd=      ,3rd=      ,4th=      )"},
      {"C10__\x82\xA0\x82\xA2xy__bbbbbb__cccccc__dddddd.clr",
       "ColorClip(count=1,direction=U,1st=\x82\xA0\x82\xA2xy,2nd=bbbbbb,3rd=cccccc,4th=dddddd)"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.pieces, ColorPieces(c.name));
}

TEST(ColorClipName, DirectionDigitsSelectTheEightDirectionsAndOthersListEmpty) {
  const char* const directions[] = {"U", "UR", "R", "BR", "B", "BL", "L", "UL", "", "", "", "", ""};
  const char digits[] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '/', 'x', ' ', '\x83'};
  for (std::size_t i = 0; i < std::size(digits); ++i) {
    std::string name = "C1x__aaaaaa__bbbbbb__cccccc__dddddd.clr";
    name[2] = digits[i];
    EXPECT_EQ(std::string("ColorClip(count=1,direction=") + directions[i] + ",1st=aaaaaa,2nd=bbbbbb,3rd=cccccc,4th=dddddd)",
              ColorPieces(name));
  }
}

TEST(ColorClipName, CountIsTheUnsignedByteMinus48) {
  const std::pair<char, int> cases[] = {{'4', 4}, {'A', 17}, {'0', 0}, {' ', -16}, {'\x83', 83}, {'\xFF', 207}};
  for (const auto& [byte, count] : cases) {
    std::string name = "Cx0__aaaaaa__bbbbbb__cccccc__dddddd.clr";
    name[1] = byte;
    EXPECT_TRUE(ColorPieces(name).starts_with("ColorClip(count=" + std::to_string(count) + ",direction=U,")) << count;
  }
}

}  // namespace
}  // namespace morvane
