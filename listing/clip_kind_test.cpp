// The tables behind clip kinds and colour clip names, entry by entry: the golden files reach
// only some of their entries.
#include "listing/clip_kind.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/doubles/listing_run.h"

namespace morvane {
namespace {

TEST(ClipKind, EveryImageSuffixMakesAStillInAnyCase) {
  // Written out here rather than taken from kImageSuffixes, so a typo in the table shows.
  const char* const suffixes[] = {".bmp", ".dib", ".rle", ".jpg", "jpeg", "jfif", ".pic", "pict", ".pct",
                                  ".png", "pntg", ".pnt", ".mac", ".psd", ".qti", "qtif", ".sgi", ".rgb",
                                  ".tga", "arga", ".vda", ".icb", ".vst", ".tif", "tiff", ".fpx", ".gif"};
  EXPECT_EQ(std::size(suffixes), kImageSuffixes.size());
  for (std::string suffix : suffixes) {
    EXPECT_EQ(ClipKind::Still, ClassifyClip("photo" + suffix)) << suffix;
    EXPECT_EQ(ClipKind::Still, ClassifyClip(suffix)) << suffix;  // the suffix alone is a name too
    for (char& c : suffix) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    EXPECT_EQ(ClipKind::Still, ClassifyClip("PHOTO" + suffix)) << suffix;
  }
  EXPECT_EQ(ClipKind::Other, ClassifyClip("x\x0E" "bmp"));  // 0x0E | 0x20 is '.', but only letters fold
  EXPECT_EQ(ClipKind::Other, ClassifyClip("gif"));          // shorter than the suffix compared
}

TEST(ColorClipName, CountIsTheUnsignedByteMinus48AndDirectionsAreTheEightDigits) {
  const char* const directions[] = {"U", "UR", "R", "BR", "B", "BL", "L", "UL", "", "", ""};
  const char digits[] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '/', '\x83'};
  for (std::size_t i = 0; i < std::size(digits); ++i) {
    std::string name = "Cxy__aaaaaa__bbbbbb__cccccc__dddddd.clr";
    name[1] = digits[i];
    name[2] = digits[i];
    std::string text;
    ListingWriter out(text);
    WriteColorClipName(out, name);
    out.Flush();
    EXPECT_EQ("ColorClip(count=" + std::to_string(static_cast<unsigned char>(digits[i]) - 48) + ",direction=" +
                  directions[i] + ",1st=aaaaaa,2nd=bbbbbb,3rd=cccccc,4th=dddddd)",
              text);
  }
}

TEST(SignedFrame24, MarkerThirtyOneAloneMakesTheValueNegative) {
  const struct {
    std::uint32_t v24;
    std::uint8_t marker;
    std::int32_t value;
  } cases[] = {{0xFFFFFB, 0x1F, -5}, {0xFFFFFB, 0x00, 16777211}, {0x000005, 0x1E, 5}, {0xFFFFFF, 0xFF, 16777215},
               {0x000000, 0x1F, -16777216}, {0x000005, 0x9F, 5}};
  for (const auto& c : cases) {
    testing::ListingRun run(testing::ProjectWriter().U24(c.v24).U8(c.marker));
    EXPECT_EQ(c.value, ReadSignedFrame24(run.source)) << c.v24 << " " << int{c.marker};
  }
}

}  // namespace
}  // namespace morvane
