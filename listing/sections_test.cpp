// What the golden files hold none or only some of: a zero or negative count, which reads nothing
// in every section; long title texts, escaped 8 or 16 bytes at a time, so that an escape, another
// control byte or the zero byte that ends a text must be found at every offset of a word, a block
// and a piece; the tables behind clip kinds and colour clip names, entry by entry.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "listing/bin_window_section.h"
#include "listing/clip_kind.h"
#include "listing/conversion_error.h"
#include "listing/effect_section.h"
#include "listing/filter_sections.h"
#include "listing/title_section.h"
#include "listing/timeline_recorder.h"
#include "listing/track_sections.h"
#include "testing/doubles/listing_run.h"
#include "testing/effect_title_records.h"
#include "testing/filter_bin_records.h"
#include "testing/track_records.h"

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

// An item's fields are listed from the reader's buffer where it holds them all, one by one where
// the file ends first: both ways list what zeros in place of the missing bytes list.
TEST(TitleSection, ListsAnItemThatTheFileCutsShortAsIfZerosFollowed) {
  ProjectWriter file;
  AppendTitleRecord(file, TitleRecord{.items = {NumberedItem("text", "font", 1), NumberedItem("two", "", 3)}},
                    TitleLayout::Plain);
  const std::vector<std::uint8_t>& whole = file.bytes();
  for (std::size_t cut = 1; cut < 700; cut += 7) {  // the closing name, the last item's tail and more
    SCOPED_TRACE(cut);
    std::vector<std::uint8_t> shorter(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(cut));
    std::vector<std::uint8_t> zeros = shorter;
    zeros.resize(whole.size());
    ListingRun cutRun(shorter);
    ListingRun zeroRun(zeros);
    ReadTitleSection(cutRun.context, 1, 0x0206);
    ReadTitleSection(zeroRun.context, 1, 0x0206);
    EXPECT_EQ(zeroRun.Output(), cutRun.Output());
  }
}

// Writes down every call of the sections, so that two runs can be compared.
class CallLog : public TimelineRecorder {
 public:
  void RecordAspectRatio(std::int32_t ratio) override { log += "aspect " + std::to_string(ratio) + "\n"; }
  void RecordClip(TimelineTrack track, std::int32_t index, const RecordedClip& clip) override {
    log += "clip " + std::to_string(static_cast<int>(track)) + " " + std::to_string(index) + " " +
           std::to_string(static_cast<int>(clip.kind)) + " " + std::string(clip.name) + " " +
           std::to_string(clip.levelIn) + "/" + std::to_string(clip.levelOut) + ":";
    for (const LevelPoint& point : clip.points) {
      log += " " + std::to_string(point.position) + "=" + std::to_string(point.value);
    }
    log += "\n";
  }
  void RecordTitle(std::int32_t title, std::int32_t begin) override {
    log += "title " + std::to_string(title) + " " + std::to_string(begin) + "\n";
  }
  void RecordTitleText(std::int32_t title, std::int32_t begin, std::string_view text) override {
    log += "text " + std::to_string(title) + " " + std::to_string(begin) + " " + std::string(text) + "\n";
  }
  std::string log;
};

// What a section did to everything but its text: where the reads ended, or that they were
// refused (the fields read in pieces are refused a piece at a time, so not at the same byte),
// the progress, the tables and what the recorder was told.
std::string Effects(const std::vector<std::uint8_t>& bytes, std::uint64_t allowance, ListingWriter& out,
                    const std::function<void(ListingContext&, ClipTables&)>& read, bool recorder) {
  SourceReader source(std::span<const std::uint8_t>(bytes), allowance);
  RecordingProgress progress;
  const ConversionSettings settings{};
  CallLog calls;
  ListingContext context{source, out, progress, settings, recorder ? &calls : nullptr};
  const auto tables = std::make_unique<ClipTables>();
  std::string effects;
  try {
    read(context, *tables);
    effects += std::to_string(source.Position()) + " past " + std::to_string(source.BytesPastEnd());
  } catch (const ConversionError&) {
    effects += "refused";
  }
  effects += " steps " + std::to_string(progress.steps) + " statuses " + std::to_string(progress.statuses.size()) + "\n";
  for (const std::string& text : progress.Texts()) effects += text + "\n";
  effects.append(reinterpret_cast<const char*>(tables.get()), sizeof(ClipTables));
  return effects + calls.log;
}

// An export lists nothing: the sections then read fields in pieces instead of one by one, and
// must read exactly what the listing reads, past the end of the file too (where the allowance
// counts what is read, not what is skipped), and tell the recorder and the tables the same.
TEST(Sections, ListingNothingReadsWhatTheListingReads) {
  Levels::Points many;  // more points than a batch and than the recorder keeps, nonzero only last
  for (std::int32_t p = 0; p < 1300; ++p) many.emplace_back(p * 1000003, p == 1299 ? 7 : 0);
  ProjectWriter main;
  MainMovie(main, "a.avi", 0, 99, Levels(1, 2, many));
  MainStill(main, "b.bmp", 0, 9, "t", Levels(0, 0, {{5, 0}}));
  OtherClip(main, "c.mov");
  MainMovie(main, "d.avi", 0, 9, Levels(0, 0, {{INT32_MIN, 65535}, {-1, 1}}));
  ProjectWriter audio;
  AudioClip(audio, "m.wav", 0, 9, 0, Levels(0, 0, many));
  AudioClip(audio, "n.wav", 0, 9, 0, Levels(3, 0));
  TitleRecord title{.begin = 7, .firstBlock = {5, {1, 2}}, .secondBlock = {-4, {}},
                    .items = {NumberedItem("one \"1\"", "font", 1, 9), NumberedItem(std::string(300, 'x'), "f", 2, 3),
                              NumberedItem(std::string("ab\0cd", 5), "", 3, 4)}};
  ProjectWriter titles;
  AppendTitleRecord(titles, title, TitleLayout::Extended);
  title.layoutWord = 0x0300;  // no item words
  title.begin = 9;
  AppendTitleRecord(titles, title, TitleLayout::Extended);
  ProjectWriter plainTitles;
  AppendTitleRecord(plainTitles, title, TitleLayout::Plain);
  AppendTitleRecord(plainTitles, TitleRecord{.firstBlock = {-1, {}}}, TitleLayout::Plain);
  ProjectWriter insert;
  InsertMovie(insert, "a.avi", 0, 99, 5, Levels(0, 0, many));
  InsertStill(insert, ColorName('2', '3', "ff0000", "00ff00", "0000ff", "123456"), 0, 9, 7, "text");
  OtherClip(insert, "c.mov");
  InsertStill(insert, "s.png", -5, 9, 1, "", Levels(0, 1));
  ProjectWriter effects;
  EffectRecord dissolve = Transition(0, 85, "Dissolve");
  dissolve.parameterWords = {100, 200, 300};
  dissolve.closingText = "closing";
  AppendEffectRecord(effects, dissolve);
  EffectRecord odd = Transition(1, 9, "Wipe");
  odd.parameterBytes = 5;  // a size that is no multiple of 4: its last word read whole
  odd.parameterWords = {1, 2};
  AppendEffectRecord(effects, odd);
  ProjectWriter visual;
  AppendVisualFilterRecord(visual, {.firstFlag = 1, .secondFlag = 1, .thirdFlag = 1, .slow = 1, .firstBlock = "abcdef",
                                    .secondBlock = "xy", .thirdBlock = "z",
                                    .firstList = {{"Blur", "xyz"}, {"Sharpen", ""}}, .secondList = {{"Mosaic", "1"}}});
  AppendVisualFilterRecord(visual, {.firstFlag = 2, .slow = 3});
  ProjectWriter audioFilters;
  AppendAudioFilterRecord(audioFilters, {{"Echo", "abc"}, {"Reverb", ""}});
  AppendAudioFilterRecord(audioFilters, {});
  ProjectWriter bins;
  AppendBinItem(bins, {"clip", "a.avi", 1, 2});
  AppendBinItem(bins, {"still", "b.bmp", 3, 4});
  AppendBinItem(bins, {"colour", ColorName('1', '9', "ff0000", "zzzzzz", "000000", "ffffff"), 5, 6});
  const struct {
    const char* name;
    const ProjectWriter& file;
    std::int32_t count;  // one more than the file holds: the last record reads past the end
    std::function<void(ListingContext&, std::int32_t, ClipTables&)> read;
  } rows[] = {
      {"[MainAV]", main, 5, [](auto& c, auto n, auto& t) { ReadMainAvSection(c, n, t.mainClips); }},
      {"[ExAudio1]", audio, 3, [](auto& c, auto n, auto& t) { ReadExAudioSection(c, n, t.exAudio1Clips, TimelineTrack::ExAudio1); }},
      {"[Title]", titles, 3, [](auto& c, auto n, auto&) { ReadTitleSection(c, n, 0x0207); }},
      {"[Title] plain", plainTitles, 3, [](auto& c, auto n, auto&) { ReadTitleSection(c, n, 0x0206); }},
      {"[InsertAV]", insert, 5, [](auto& c, auto n, auto& t) { ReadInsertAvSection(c, n, t.insertClips); }},
      {"[Effect]", effects, 3, [](auto& c, auto n, auto& t) { ReadEffectSection(c, n, t.mainClips); }},
      {"[FilterMainAV]", visual, 3, [](auto& c, auto n, auto& t) { ReadVisualFilterSection(c, n, t.mainClips); }},
      {"[FilterExAudio1]", audioFilters, 3, [](auto& c, auto n, auto&) { ReadAudioFilterSection(c, n); }},
      {"[BinWindow]", bins, 4, [](auto& c, auto n, auto&) { ReadBinWindowSection(c, n); }},
  };
  for (const auto& row : rows) {
    for (const std::size_t cut : {row.file.size(), row.file.size() - 1, row.file.size() / 2, std::size_t{7}}) {
      for (const std::uint64_t allowance : {kPastEndLimit, std::uint64_t{3}}) {
        SCOPED_TRACE(::testing::Message() << row.name << " cut " << cut << " allowance " << allowance);
        const std::vector<std::uint8_t> bytes(row.file.bytes().begin(), row.file.bytes().begin() + static_cast<std::ptrdiff_t>(cut));
        const auto read = [&](ListingContext& c, ClipTables& t) { row.read(c, row.count, t); };
        for (const bool recorder : {true, false}) {
          std::string text;
          ListingWriter listing(text);
          ListingWriter nowhere{ListingWriter::Discard{}};
          EXPECT_EQ(Effects(bytes, allowance, listing, read, recorder), Effects(bytes, allowance, nowhere, read, recorder));
        }
      }
    }
  }
}

// The level points listed a batch at a time: every batch's edge, the last point and the
// widest numbers.
TEST(TrackSections, ListsEveryLevelPointAcrossBatches) {
  for (const std::int32_t count : {1, 511, 512, 513, 1025, 3000}) {
    Levels::Points points;
    std::string expected = "a.avi,in=0,out=9,levelpoint(in=0,out=0";
    for (std::int32_t p = 0; p < count; ++p) {
      const std::int32_t position = p % 3 == 0 ? INT32_MIN + p : p % 3 == 1 ? -p : 2000000000 + p;
      const auto value = static_cast<std::uint16_t>(p % 2 == 0 ? 65535 - p : 0);
      points.emplace_back(position, value);
      expected += "," + std::to_string(position) + "=" + std::to_string(value);
    }
    ProjectWriter file;
    MainMovie(file, "a.avi", 0, 9, Levels(0, 0, points));
    ListingRun run(file);
    const auto tables = std::make_unique<ClipTables>();
    ReadMainAvSection(run.context, 1, tables->mainClips);
    EXPECT_EQ(expected + ")\r\n", run.Output()) << count;
    EXPECT_EQ(1, tables->mainClips.At(0)->hasAudio) << count;
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
