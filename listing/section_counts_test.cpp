// What the golden files hold none of: a zero or negative count, which reads nothing in every
// section, and long title texts, escaped 8 or 16 bytes at a time, so that an escape, another
// control byte or the zero byte that ends a text must be found at every offset of a word, a block
// and a piece.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "listing/bin_window_section.h"
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

}  // namespace
}  // namespace morvane
