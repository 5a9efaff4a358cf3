#include "convert/listing_driver.h"

#include <gtest/gtest.h>

#include <string>

#include "listing/conversion_error.h"
#include "testing/listing_run.h"
#include "testing/project_writer.h"

namespace morvane {
namespace {

using namespace std::string_view_literals;
using testing::ListingRun;
using testing::ProjectWriter;

constexpr ConversionSettings kRexEdit{SoftwareKind::RexEdit, TimecodeMode::NtscDropFrame};
constexpr ConversionSettings kEzEdit{SoftwareKind::EzEdit, TimecodeMode::NtscDropFrame};

constexpr std::string_view kEndOfListing = "[END]\r\n\r\n\r\n\r\n\r\n";

// The listing part of a conversion's text: everything up to the four empty lines before the EDL.
std::string ListingOf(const std::string& text) {
  const auto end = text.find(kEndOfListing);
  EXPECT_NE(std::string::npos, end) << text;
  return end == std::string::npos ? text : text.substr(0, end + kEndOfListing.size());
}

struct Converted {
  std::string listing;
  std::int64_t remaining;  // bytes of the file left unread
  testing::RecordingProgress progress;
};

Converted Convert(const ProjectWriter& file, ConversionSettings settings) {
  ListingRun run(file, settings);
  ListingDriver(run.context).Run();
  return {ListingOf(run.Output()), run.Remaining(), run.progress};
}

// Every heading of a RexEdit 02.07 project, with the option values given.
std::string EveryHeading(const char* header, const char* options) {
  return std::string("[Header]\r\n") + header +
         "[MainAV]\r\n[InsertAV]\r\n[ExAudio1]\r\n[ExAudio2]\r\n[Effect]\r\n[Title]\r\n"
         "[FilterMainAV]\r\n[FilterInsertAV]\r\n[FilterExAudio1]\r\n[FilterExAudio2]\r\n[BinWindow]\r\n[Option]\r\n" +
         options + "[END]\r\n\r\n\r\n\r\n\r\n";
}

TEST(ListingDriver, ListsAnEmptyRexEdit0207ProjectWithEveryHeading) {
  ProjectWriter file;
  file.Bytes("\x07\x02\x00\x00" "\x00\x00\x00\x00" "\x00\x00\x00\x00" "\x80\xBB\x00\x00"
             "\x01\x00\x00\x00" "\x02\x00\x00\x00"sv);
  file.U32(120).U32(3).I32(-1).U32(0xDEADBEEF).ShortString("out.avi");  // options, reserved, name
  const Converted result = Convert(file, kRexEdit);
  EXPECT_EQ(EveryHeading("Version=02.07\r\nFrequency=48kHz16bit\r\nAspectRatio=16:9\r\nTitleTrack=2\r\n",
                         "ViewPosition=120\r\nTimeScale=3\r\nCursorPosition=-1\r\nOutFile=out.avi\r\n"),
            result.listing);
  EXPECT_EQ(0, result.remaining);
  EXPECT_EQ(200, result.progress.steps);
  EXPECT_EQ("", result.progress.statuses.back().text);
  EXPECT_EQ(200, result.progress.statuses.back().steps);
}

TEST(ListingDriver, ConvertsAFileThatEndsEarlyWithZerosAndEveryHeading) {
  const Converted result = Convert(ProjectWriter().U8(0x07).U8(0x02).U16(0).U8(0), kRexEdit);
  EXPECT_EQ(EveryHeading("Version=02.07\r\nFrequency=\r\nAspectRatio=4:3\r\nTitleTrack=0\r\n",
                         "ViewPosition=0\r\nTimeScale=0\r\nCursorPosition=0\r\nOutFile=\r\n"),
            result.listing);
  EXPECT_EQ(200, result.progress.steps);
  EXPECT_EQ("", result.progress.statuses.back().text);
}

// Which optional fields and headings each version has, for both software kinds. Every project is
// consumed to its last byte, so a field read where it is absent (or skipped where it is present)
// shows as a leftover byte or a read past the end.
struct VersionCase {
  int version;
  ConversionSettings settings;
  bool aspect;
  bool titleTrack;
  bool effects;
  bool filters;
};

class ListingDriverVersions : public ::testing::TestWithParam<VersionCase> {};

TEST_P(ListingDriverVersions, ReadsAndListsExactlyTheFieldsOfItsVersion) {
  const VersionCase& c = GetParam();
  ProjectWriter file;
  file.Header(c.version, 0, 0, 44100);
  if (c.aspect) file.U32(0);
  if (c.titleTrack) file.U32(5);
  file.U32(1).U32(2).U32(3);
  if (c.filters) file.U32(77);
  file.ShortString("x");

  char version[8];
  std::snprintf(version, sizeof version, "%02x.%02x", c.version >> 8, c.version & 0xff);
  std::string expected = "[Header]\r\nVersion=" + std::string(version) + "\r\nFrequency=44.1kHz16bit\r\n";
  if (c.aspect) expected += "AspectRatio=4:3\r\n";
  if (c.titleTrack) expected += "TitleTrack=5\r\n";
  expected += "[MainAV]\r\n[InsertAV]\r\n[ExAudio1]\r\n[ExAudio2]\r\n";
  if (c.effects) expected += "[Effect]\r\n[Title]\r\n";
  if (c.filters) expected += "[FilterMainAV]\r\n[FilterInsertAV]\r\n[FilterExAudio1]\r\n[FilterExAudio2]\r\n";
  expected += "[BinWindow]\r\n[Option]\r\nViewPosition=1\r\nTimeScale=2\r\nCursorPosition=3\r\nOutFile=x\r\n";
  expected += kEndOfListing;

  const Converted result = Convert(file, c.settings);
  EXPECT_EQ(expected, result.listing);
  EXPECT_EQ(0, result.remaining);
  EXPECT_EQ(200, result.progress.steps);
}

INSTANTIATE_TEST_SUITE_P(
    EveryVersionAndSoftware, ListingDriverVersions,
    ::testing::Values(VersionCase{0x01ff, kRexEdit, false, false, false, false}, VersionCase{0x01ff, kEzEdit, false, false, false, false},
                      VersionCase{0x0200, kRexEdit, false, false, true, false}, VersionCase{0x0204, kRexEdit, false, false, true, false},
                      VersionCase{0x0204, kEzEdit, false, false, true, false}, VersionCase{0x0205, kRexEdit, true, false, true, false},
                      VersionCase{0x0206, kRexEdit, true, false, true, false}, VersionCase{0x0206, kEzEdit, true, false, true, false},
                      VersionCase{0x0207, kRexEdit, true, true, true, true}, VersionCase{0x0207, kEzEdit, true, false, true, false},
                      VersionCase{0x0300, kRexEdit, true, true, true, true}));

TEST(ListingDriver, ListsFrequencyCodesAndAspectRatios) {
  struct {
    std::uint32_t code;
    const char* text;
  } const cases[] = {{48000, "48kHz16bit"}, {44100, "44.1kHz16bit"}, {32016, "32kHz16bit"},
                     {32012, "32kHz12bit"}, {0, ""},               {22050, "22050"},
                     {0xFFFFFFFF, "-1"}};
  for (const auto& c : cases) {
    ProjectWriter file;
    file.Header(0x0205, 0, 0, static_cast<std::int32_t>(c.code)).U32(2);
    const Converted result = Convert(file, kRexEdit);
    EXPECT_NE(std::string::npos, result.listing.find(std::string("\r\nFrequency=") + c.text + "\r\nAspectRatio=16:9\r\n"))
        << c.code;
  }
}

TEST(ListingDriver, ListsTheOutputFileNameWholeUpToItsFirstZeroByte) {
  const ProjectWriter options = ProjectWriter().Header(0x0200, 0, 0).U32(0).U32(0).U32(0);
  const std::string name(255, '\xE9');
  EXPECT_NE(std::string::npos, Convert(ProjectWriter(options).ShortString(name), kRexEdit).listing.find("OutFile=" + name + "\r\n"));
  const Converted result = Convert(ProjectWriter(options).ShortStringRaw(4, std::string("ab\0c", 4)), kRexEdit);
  EXPECT_NE(std::string::npos, result.listing.find("OutFile=ab\r\n"));
  EXPECT_EQ(0, result.remaining);
}

// A main count with its top bit set is not 0: the other counts are read, nothing is listed, and
// the driver takes no main share for it.
TEST(ListingDriver, ReadsTheOtherCountsWheneverTheMainCountIsNotZero) {
  ProjectWriter file;
  file.Header(0x0204, 0, -1).Zeros(20);  // insert, extra audio, effect and title counts
  file.U32(4).U32(5).U32(6).ShortString("");
  const Converted result = Convert(file, kRexEdit);
  EXPECT_NE(std::string::npos, result.listing.find("ViewPosition=4\r\nTimeScale=5\r\nCursorPosition=6\r\n"));
  EXPECT_EQ(0, result.remaining);
  EXPECT_EQ(200 - 40 - 40, result.progress.steps);  // neither the main nor the EDL share
}

TEST(ListingDriver, RefusesATrackCountAboveItsTableWhenItIsRead) {
  struct {
    std::int32_t main, insert, audio1, audio2;
    const char* heading;
    std::int32_t count, capacity;
  } const cases[] = {{1001, 0, 0, 0, "[MainAV]", 1001, 1000},
                     {-1, 301, 0, 0, "[InsertAV]", 301, 300},
                     {-1, 300, 0, 0, nullptr, 0, 0},
                     {-1, -7, 301, 0, "[ExAudio1]", 301, 300},
                     {-1, 0, 0, 0x7FFFFFFF, "[ExAudio2]", 0x7FFFFFFF, 300}};
  for (const auto& c : cases) {
    ProjectWriter file;
    file.Header(0x0200, 0, c.main).I32(c.insert).I32(c.audio1).I32(c.audio2).Zeros(32);
    ListingRun run(file, kRexEdit);
    try {
      ListingDriver(run.context).Run();
      EXPECT_EQ(nullptr, c.heading) << "no refusal";
    } catch (const ConversionError& error) {
      EXPECT_EQ(ConversionFailure::OverCapacity, error.failure());
      EXPECT_EQ(std::string(c.heading ? c.heading : ""), error.heading());
      EXPECT_EQ(c.count, error.count());
      EXPECT_EQ(c.capacity, error.capacity());
    }
  }
}

TEST(ListingDriver, StartsEveryConversionFromNothing) {
  ProjectWriter file;
  file.Header(0x0207, 0, 0).U32(1).U32(9).Zeros(16).ShortString("a");
  EXPECT_EQ(Convert(file, kRexEdit).listing, Convert(file, kRexEdit).listing);
}

}  // namespace
}  // namespace morvane
