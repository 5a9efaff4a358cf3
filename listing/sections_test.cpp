// What the golden files hold none or only some of: a zero or negative count, which reads nothing
// in every section; long title texts, escaped 8 or 16 bytes at a time, so that an escape, another
// control byte or the zero byte that ends a text must be found at every offset of a word, a block
// and a piece; the tables behind clip kinds and colour clip names, entry by entry.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "listing/bin_window_section.h"
#include "listing/clip_kind.h"
#include "listing/effect_section.h"
#include "listing/filter_sections.h"
#include "listing/title_section.h"
#include "listing/track_sections.h"
#include "testing/doubles/listing_run.h"
#include "testing/effect_title_records.h"

namespace morvane {
namespace {

using namespace testing;

struct Section {
  const char* name;
  std::function<void(ListingContext&, std::int32_t, ClipTables&)> read;
};

const Section kSections[] = {
    {"[MainAV]", [](auto& c, auto n, auto& t) { ReadMainAvSection(c, n, t.mainClips); }},
    {"[InsertAV]", [](auto& c, auto n, auto& t) { ReadInsertAvSection(c, n, t.insertClips); }},
    {"[ExAudio]", [](auto& c, auto n, auto& t) { ReadExAudioSection(c, n, t.exAudio2Clips); }},
    {"[Effect]", [](auto& c, auto n, auto& t) { ReadEffectSection(c, n, t.mainClips); }},
    {"[Title]", [](auto& c, auto n, auto&) { ReadTitleSection(c, n, 0x0207); }},
    {"[FilterVisual]", [](auto& c, auto n, auto& t) { ReadVisualFilterSection(c, n, t.insertClips); }},
    {"[FilterAudio]", [](auto& c, auto n, auto&) { ReadAudioFilterSection(c, n); }},
    {"[BinWindow]", [](auto& c, auto n, auto&) { ReadBinWindowSection(c, n); }},
};

TEST(Sections, ZeroOrNegativeCountReadsNothing) {
  const ProjectWriter file = ProjectWriter().ShortString("a.avi").Bytes(std::string(64, '\x01'));
  const auto fresh = std::make_unique<ClipTables>();
  for (const Section& section : kSections) {
    for (const std::int32_t count : {0, -1, INT32_MIN}) {
      SCOPED_TRACE(::testing::Message() << section.name << " " << count);
      ListingRun run(file);
      auto tables = std::make_unique<ClipTables>();
      section.read(run.context, count, *tables);
      EXPECT_EQ("", run.Output());
      EXPECT_EQ(static_cast<std::int64_t>(file.size()), run.Remaining());
      EXPECT_EQ(0, run.progress.steps);
      EXPECT_TRUE(run.progress.statuses.empty());
      EXPECT_EQ(0, std::memcmp(fresh.get(), tables.get(), sizeof(ClipTables)));
    }
  }
}

TEST(TitleSection, EscapesLongTextsAtEveryOffsetAndEndsThemAtTheFirstZeroByte) {
  const auto Repeat = [](const std::string& text, int times) {
    std::string repeated;
    while (times-- > 0) repeated += text;
    return repeated;
  };
  // 37 bytes: over many repeats the escapes fall at every offset of a word, a block and a piece.
  // The second byte 0x5C of a two-byte character is escaped like any backslash.
  const std::string pattern = "abc\"defghij\\klmnopqrs\r\ntuvwxyz01234\x83\x5c";
  const std::string listed = "abc\\\"defghij\\\\klmnopqrs\\r\\ntuvwxyz01234\x83\x5c\x5c";
  const struct {
    std::string text, listed;
  } rows[] = {
      {Repeat(pattern, 1700), Repeat(listed, 1700)},
      {Repeat(pattern, 300) + std::string("\0tail\"", 6), Repeat(listed, 300)},
      {"\t\x01\x7f\x80\xff" + Repeat("x", 11), "\t\x01\x7f\x80\xff" + Repeat("x", 11)},
  };
  for (const auto& row : rows) {
    TitleRecord title{.items = {NumberedItem(row.text, "font", 1)}};
    ProjectWriter file;
    AppendTitleRecord(file, title, TitleLayout::Plain);
    ListingRun run(file);
    ReadTitleSection(run.context, 1, 0x0206);
    EXPECT_EQ(0, run.Remaining());
    EXPECT_NE(std::string::npos, run.Output().find(",\"" + row.listed + "\",1,2,3,")) << row.listed.size();
  }
}

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
    name[1] = name[2] = digits[i];
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
    ListingRun run(ProjectWriter().U24(c.v24).U8(c.marker));
    EXPECT_EQ(c.value, ReadSignedFrame24(run.source)) << c.v24 << " " << int{c.marker};
  }
}

}  // namespace
}  // namespace morvane
