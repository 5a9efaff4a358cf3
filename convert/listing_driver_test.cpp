// The driver's gates at each side of every version boundary, the counts it reads or refuses, and
// what a damaged or hostile project can do: end anywhere (zeros for what is missing), announce far
// more than it holds (stopped once 1 MiB has been read past its end), or skip past its end (sizes
// are unsigned); that of the two layouts only the one a project was written with fits it; and,
// through whole conversions, which transition names are dissolves, a transition out of the last
// clip, an insert still's begin and sound, event numbers past 999 with a full main table, and half
// speed past 2^31 in the EDL table. The golden files pin the listing itself.
#include "convert/listing_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/layout_fit.h"
#include "listing/conversion_error.h"
#include "testing/doubles/convert_in_memory.h"
#include "testing/doubles/listing_run.h"
#include "testing/effect_title_records.h"
#include "testing/example_projects.h"
#include "testing/filter_bin_records.h"
#include "testing/track_records.h"

namespace morvane {
namespace {

using namespace morvane::testing;

constexpr ConversionSettings kRexEdit{SoftwareKind::RexEdit, TimecodeMode::NtscDropFrame};
constexpr ConversionSettings kEzEdit{SoftwareKind::EzEdit, TimecodeMode::NtscDropFrame};

// A project as the editor of kind writes it: shape 0 has no clips, 1 main and audio clips,
// 2 every section. The fields after the header: aspect 4:3, title track 5, view position 1,
// time scale 2, cursor 3.
ProjectWriter WrittenBy(SoftwareKind kind, int version, int shape) {
  const bool filters = version >= 0x0207 && kind == SoftwareKind::RexEdit;
  const bool extended = version >= 0x0207 || kind == SoftwareKind::EzEdit;
  const std::uint32_t full = shape == 2;
  ProjectWriter file;
  file.Header(version, shape, shape == 0 ? 0 : 2);
  if (version >= 0x0205) file.U32(0);
  if (filters) file.U32(5);
  if (shape != 0) {
    MainStill(MainMovie(file, "a.avi", 0, 99, {10, 10, {{5, 7}}}), "b.JPG", 0, 49, "card").U32(full);
    if (full) InsertStill(file, "c.png", -5, 94, 30, "sign");
    AudioClip(file.U32(1), "m.wav", 0, 199, 0, {100, 100}).U32(0);
    if (version >= 0x0200) AppendEffectRecord(file.U32(1), Transition(0, 80, "Dissolve")).U32(full);
    TitleRecord title;
    title.items.resize(1);
    if (version >= 0x0200 && full) AppendTitleRecord(file, title, extended ? TitleLayout::Extended : TitleLayout::Plain);
  }
  for (int i = 0; filters && shape != 0 && i < 2 + shape - 1; ++i) AppendVisualFilterRecord(file, {.slow = 1});
  if (filters && shape != 0) AppendAudioFilterRecord(file, {{"Echo", "12"}});  // the one extra audio clip
  for (int i = 0; i < shape; ++i) AppendBinItem(file, {.itemName = "i", .fileName = "a.avi"});
  file.U32(1).U32(2).U32(3);
  if (filters) file.U32(0);
  return file.ShortString("out.avi");
}

// Every project is consumed to its last byte, so a field read where it is absent (or skipped
// where it is present) shows as a leftover byte or a read past the end.
TEST(ListingDriver, ReadsAndListsExactlyTheFieldsOfEachVersion) {
  const struct {
    int version;
    ConversionSettings settings;
    bool aspect, titleTrack, effects, filters;
  } cases[] = {{0x01ff, kRexEdit, false, false, false, false}, {0x0200, kRexEdit, false, false, true, false},
               {0x0204, kEzEdit, false, false, true, false},   {0x0205, kRexEdit, true, false, true, false},
               {0x0207, kRexEdit, true, true, true, true},     {0x0207, kEzEdit, true, false, true, false}};
  for (const auto& c : cases) {
    ListingRun run(WrittenBy(c.settings.softwareKind, c.version, 0), c.settings);
    ListingDriver(run.context).Run();
    const std::string& text = run.Output();
    SCOPED_TRACE(text);
    EXPECT_EQ(0, run.Remaining()) << std::hex << c.version;
    EXPECT_EQ(c.aspect, text.find("AspectRatio=4:3\r\n") != std::string::npos);
    EXPECT_EQ(c.titleTrack, text.find("TitleTrack=5\r\n") != std::string::npos);
    EXPECT_EQ(c.effects, text.find("[ExAudio2]\r\n[Effect]\r\n[Title]\r\n") != std::string::npos);
    EXPECT_EQ(c.filters, text.find("[FilterMainAV]\r\n[FilterInsertAV]\r\n[FilterExAudio1]\r\n[FilterExAudio2]\r\n[BinWindow]") !=
                             std::string::npos);
    EXPECT_NE(std::string::npos, text.find("ViewPosition=1\r\nTimeScale=2\r\nCursorPosition=3\r\nOutFile=out.avi\r\n[END]"));
    EXPECT_EQ(200, run.progress.steps);
  }
}

// A main count with its top bit set is not 0: the other counts are read, nothing is listed, and
// the driver takes neither the main nor the EDL share for it. A track count above its table is
// refused when it is read.
TEST(ListingDriver, ReadsTheOtherCountsWheneverTheMainCountIsNotZeroAndRefusesThemAboveCapacity) {
  const struct {
    std::int32_t main, insert, audio1, audio2;
    const char* heading;  // of the refused count, or null
    std::int32_t capacity;
  } cases[] = {{1001, 0, 0, 0, "[MainAV]", 1000}, {-1, 301, 0, 0, "[InsertAV]", 300}, {-1, 300, 0, 0, nullptr, 0},
               {-1, -7, 301, 0, "[ExAudio1]", 300}, {-1, 0, 0, 0x7FFFFFFF, "[ExAudio2]", 300},
               {-1, 0, 0, 0, nullptr, 0}};
  for (const auto& c : cases) {
    ProjectWriter file;
    file.Header(0x0204, 0, c.main).I32(c.insert).I32(c.audio1).I32(c.audio2).U32(0).U32(0);
    file.U32(4).U32(5).U32(6).ShortString("");
    ListingRun run(file, kRexEdit);
    try {
      ListingDriver(run.context).Run();
      EXPECT_EQ(nullptr, c.heading) << "not refused";
      if (c.insert == 0) {  // 300 insert clips read past the end of the file
        EXPECT_NE(std::string::npos, run.Output().find("ViewPosition=4\r\nTimeScale=5\r\nCursorPosition=6\r\n"));
        EXPECT_EQ(0, run.Remaining());
        EXPECT_EQ(120, run.progress.steps);
      }
    } catch (const ConversionError& error) {
      ASSERT_NE(nullptr, c.heading) << error.heading();
      EXPECT_EQ(ConversionFailure::OverCapacity, error.failure());
      EXPECT_EQ(std::string(c.heading), error.heading());
      EXPECT_EQ(c.main == 1001 ? 1001 : std::max({c.insert, c.audio1, c.audio2}), error.count());
      EXPECT_EQ(c.capacity, error.capacity());
    }
  }
}

TEST(HostileInput, EveryPrefixOfTheExamplesConvertsWithEveryHeading) {
  for (const auto& example : testing::ExampleProjects()) {
    const auto& bytes = example.file.bytes();
    for (std::size_t size = 0; size <= bytes.size(); ++size) {
      SCOPED_TRACE(::testing::Message() << example.name << " cut at " << size);
      ListingRun run(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size)),
                     example.settings);
      try {
        ListingDriver(run.context).Run();
      } catch (const ConversionError& error) {
        // Cutting a field such as 0xFFFFFFFF can leave a huge count; the bundled examples hold none.
        ASSERT_FALSE(example.bundled);
        ASSERT_EQ(ConversionFailure::EndsTooEarly, error.failure());
        continue;
      }
      ASSERT_NE(std::string::npos, run.Output().find("[BinWindow]\r\n"));
      ASSERT_NE(std::string::npos, run.Output().find("[END]\r\n\r\n\r\n\r\n\r\nEvent"));
      ASSERT_EQ("", run.progress.statuses.back().text);
    }
  }
}

// A project with one main clip of kind Other and (with audioClip) one extra audio 1 clip, up to
// the end of its (empty) titles.
ProjectWriter OneClip(int version, bool audioClip = false) {
  ProjectWriter file;
  file.Header(version, 0, 1);
  if (version >= 0x0207) file.U32(0).U32(0);
  file.U8(0).U32(0).U32(audioClip);
  if (audioClip) testing::AudioClip(file, "a.wav", 0, 0, 0);
  return file.U32(0).U32(0).U32(0);
}

TEST(HostileInput, HugeCountsAtTheEndOfTheFileAreStoppedAfterOneMebibyte) {
  const struct {
    const char* what;
    ProjectWriter file;
    const char* listed;  // how the items past the end list
  } cases[] = {
      {"bin items", ProjectWriter().Header(0x0200, 0x7FFFFFFF, 0), "[BinWindow]\r\n,,in=0,out=0,audio=0Hz0bit\r\n,,"},
      {"effects", ProjectWriter().Header(0x0200, 0, 1).U8(0).Zeros(12).I32(0x7FFFFFFF), "[Effect]\r\n0,0,0,0,,0,0,0,0,0,\r\n0,"},
      {"titles", ProjectWriter().Header(0x0200, 0, 1).U8(0).Zeros(16).I32(0x7FFFFFFF), "[Title]\r\nbegin=0,0,0,,0,0,,0,\r\n,\r\nb"},
      {"text items", ProjectWriter().Header(0x0200, 0, 1).U8(0).Zeros(16).I32(1).Zeros(26).I32(0x7FFFFFFF),
       "[Title]\r\nbegin=0,0,0,,0,0,,0,\r\n,\"\",0,0,0,0,0,0,0,0,0,,0,0,0,0,0,0"},
      {"level points", ProjectWriter().Header(0x0200, 0, 1).ShortString("a.avi").U32(0).U32(0).I32(0x7FFFFFFF),
       "a.avi,in=0,out=0,levelpoint(in=0,out=0,0=0,0=0,"},
      {"visual filters", OneClip(0x0207).Zeros(24).U32(0xFFFFFFFF), "[FilterMainAV]\r\n0,0,0,0,0,0\r\n,,,,"},
      // The audio filter count is listed signed and followed unsigned.
      {"audio filters", OneClip(0x0207, true).Zeros(32).U32(0x80000000), "[FilterExAudio1]\r\n-2147483648,,,"},
  };
  for (const auto& [what, file, listed] : cases) {
    ListingRun run(file);
    try {
      ListingDriver(run.context).Run();
      ADD_FAILURE() << what << ": not stopped";
    } catch (const ConversionError& error) {
      EXPECT_EQ(ConversionFailure::EndsTooEarly, error.failure()) << what;
    }
    EXPECT_NE(std::string::npos, run.Output().find(listed)) << what;
    EXPECT_EQ(kPastEndLimit + 1, run.source.BytesPastEnd()) << what;
    EXPECT_LT(run.Output().size(), 16 * kPastEndLimit) << what;  // text proportional to what was read
    // An export lists nothing and reads the fields it does not keep in pieces: counted the same.
    SourceReader quiet{std::span<const std::uint8_t>(file.bytes())};
    ListingWriter nowhere{ListingWriter::Discard{}};
    RecordingProgress progress;
    ListingContext context{quiet, nowhere, progress, run.settings};
    EXPECT_THROW(ListingDriver(context).Run(), ConversionError) << what;
    EXPECT_GT(quiet.BytesPastEnd(), kPastEndLimit) << what;  // refused a piece at a time
    EXPECT_LT(quiet.BytesPastEnd(), kPastEndLimit + 1024) << what;
  }
}

TEST(HostileInput, SizesWithTheTopBitSetSkipPastTheEndWithoutCountingAsReading) {
  const std::pair<const char*, ProjectWriter> cases[] = {
      {"first block", OneClip(0x0207).U32(1).U32(0).U32(0).Zeros(12).U32(0xFFFFFFFF)},
      {"second block", OneClip(0x0207).U32(0).U32(1).U32(0).Zeros(12).U32(7).U32(0x80000000)},
      {"third block", OneClip(0x0207).U32(0).U32(0).U32(1).Zeros(12).U32(0x80000000)},
      {"filter settings", OneClip(0x0207).Zeros(24).U32(1).ShortString("A").U32(0xFFFFFFF0)},
      {"audio filter settings", OneClip(0x0207, true).Zeros(32).U32(1).ShortString("A").U32(0x80000000)},
  };
  for (const auto& [what, file] : cases) {
    ListingRun run(ProjectWriter(file).ShortString("junk").Zeros(64));
    ASSERT_NO_THROW(ListingDriver(run.context).Run()) << what;
    EXPECT_LT(run.source.BytesPastEnd(), 1024u) << what;
    EXPECT_GT(run.source.Position(), 0x7FFFFFFFu) << what;
    EXPECT_EQ(std::string::npos, run.Output().find("junk")) << what;
  }
}

TEST(LayoutFit, TheLayoutThatAloneFitsIsTheOneTheProjectWasWrittenWith) {
  for (const SoftwareKind kind : {SoftwareKind::RexEdit, SoftwareKind::EzEdit}) {
    for (const int version : {0x0100, 0x01FF, 0x0200, 0x0204, 0x0205, 0x0206, 0x0207, 0x0208}) {
      for (int shape = 0; shape <= 2; ++shape) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(kind) << " " << version << " " << shape);
        const ProjectWriter file = WrittenBy(kind, version, shape);
        const ProjectProbe probe = ProbeProject(file.bytes());
        EXPECT_TRUE(probe.fit.Fits(kind));
        // Read as the one that fits, RexEdit when both do.
        EXPECT_EQ(probe.fit.Fits(OtherSoftware(kind)) ? SoftwareKind::RexEdit : kind, probe.software);
      }
    }
  }
}

constexpr ConversionSettings kFrames{SoftwareKind::RexEdit, TimecodeMode::Frames};

// The EDL table's events, after its two heading lines (the golden files pin those).
std::string Edl(const std::string& text) { return text.substr(text.find("\r\n", text.find("IN      OUT")) + 2); }

TEST(EdlTable, OnlyTheFourDissolveNamesByExactBytesAreDissolves) {
  const struct {
    const char* transition;
    char code;
  } cases[] = {
      {"Dissolve", 'D'}, {"Basic - Dissolve", 'D'}, {"\x83\x66\x83\x42\x83\x5D\x83\x8B\x83\x75", 'D'},
      {"Basic - \xC3\xDE\xA8\xBF\xDE\xD9\xCC\xDE", 'D'}, {"dissolve", 'W'}, {"Dissolve ", 'W'},
      {"Basic - Wipe", 'W'}, {"\x83\x66\x83\x42\x83\x5D\x83\x8B", 'W'},  // katakana without its last letter
  };
  for (const auto& c : cases) {
    ProjectWriter file;
    MainMovie(file.Header(0x0200, 0, 2), "a.avi", 0, 39);
    MainMovie(file, "b.avi", 0, 29);
    AppendEffectRecord(file.U32(0).U32(0).U32(0).U32(1), Transition(0, 30, c.transition));
    const std::string text = ConvertInMemory(file.U32(0).U32(0).U32(0).U32(0).U8(0).bytes(), kFrames);
    EXPECT_NE(std::string::npos, text.find(std::string("001 MAIN  V    ") + c.code + "     10       0       30"))
        << c.transition;
  }
}

// A transition out of the last main clip (its effect names that clip, so the entry after it holds
// the transition) opens a from line and holds the side events back to the end. An insert still
// takes its begin as a plain u32 and never has sound, whatever its level.
TEST(EdlTable, ATransitionOutOfTheLastClipAndAnInsertStill) {
  ProjectWriter file;
  MainMovie(file.Header(0x0200, 0, 2), "a.avi", 0, 99);
  MainMovie(file, "b.avi", 0, 99, {100, 100});
  InsertMovie(file.U32(2), "i.avi", 0, 9, 0, {100, 100});
  InsertStill(file, "s.bmp", 0, 9, 0x1FFFFFFB, "", {100, 100});  // FB FF FF 1F
  AppendEffectRecord(file.U32(0).U32(0).U32(2), Transition(0, 90, "Dissolve"));
  AppendEffectRecord(file, Transition(1, 80, "Dissolve"));
  const std::string text = ConvertInMemory(file.U32(0).U32(0).U32(0).U32(0).U8(0).bytes(), kFrames);
  EXPECT_NE(std::string::npos, text.find("s.bmp,in=0,out=9,begin=536870907,,"));
  EXPECT_EQ("001 MAIN  V    C              0       90        0       90   a.avi\r\n"
            "001 MAIN  VA   D     10       0       80       90      170   b.avi\r\n"
            "002 MAIN  VA   C             80       80      170      170\r\n"
            "003 INS   VA   C              0       10        0       10   i.avi\r\n"
            "004 INS   V    C              0       10   536870907   536870917   s.bmp\r\n",
            Edl(text));
}

TEST(EdlTable, FullMainTableNumbersEventsPast999AndSpendsTheShareInProportion) {
  ProjectWriter file;
  file.Header(0x0200, 0, kMainCapacity);
  for (int i = 0; i < kMainCapacity; ++i) MainMovie(file, "c.avi", 0, 0);
  InsertMovie(file.U32(1), "late.avi", 0, 9, 4990);
  file.U32(0).U32(0).U32(2);
  AppendEffectRecord(file, Transition(998, 0, "Basic - Wipe"));  // the last clip's transition
  AppendEffectRecord(file, Transition(999, 0, "Dissolve"));      // names no clip: not stored
  RecordingProgress progress;
  const std::string text = ConvertInMemory(file.U32(0).U32(0).U32(0).U32(0).U8(0).bytes(), kFrames, &progress);
  EXPECT_TRUE(text.ends_with("999 MAIN  V    C              0        0      998      998   c.avi\r\n"
                             "999 MAIN  V    W      1       0        1      998      999   c.avi\r\n"
                             "1000 INS   V    C              0       10     4990     5000   late.avi\r\n"))
      << text.substr(text.size() - 300);
  // The steps taken when each [EDL] status is set: the EDL's share starts at 160.
  std::vector<int> steps;
  for (const auto& status : progress.statuses) {
    if (status.text.starts_with("[EDL]")) steps.push_back(status.steps);
  }
  ASSERT_EQ(1000u, steps.size());
  EXPECT_EQ((std::vector<int>{160, 160, 161, 199, 199}),
            (std::vector<int>{steps[0], steps[24], steps[25], steps[998], steps[999]}));
}

TEST(EdlTable, HalfSpeedDoublesPast2To31ByWrapping) {
  ProjectWriter file;
  MainMovie(file.Header(0x0207, 0, 2).U32(0).U32(0), "wraps.avi", 0, 1999999999);
  MainStill(file, "still.bmp", 0, 99);
  InsertMovie(file.U32(1), "ins.avi", -2000000000, 1999999999, 0);
  file.U32(0).U32(0).U32(0).U32(0);
  for (std::uint32_t slow : {1u, 0xFFFFFFFDu, 1u}) AppendVisualFilterRecord(file, {.slow = slow});
  const std::string text = ConvertInMemory(file.U32(0).U32(0).U32(0).U32(0).U32(0).U8(0).bytes(), kFrames);
  EXPECT_EQ("001 MAIN  V S  C              0   -147483648        0   -294967296   wraps.avi\r\n"
            "002 INS   V S  C         -2000000000   2000000000        0   -589934592   ins.avi\r\n"
            "003 MAIN  V S  C              0      100   -294967296   -294967096   still.bmp\r\n",
            Edl(text));
}

}  // namespace
}  // namespace morvane
