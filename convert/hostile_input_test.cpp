// What a damaged or hostile project can do: end anywhere, announce far more than it holds, or
// skip far past its end. A project that merely ends early converts (zeros for what is missing);
// one whose counts would have it read on and on past its end is stopped once 1 MiB has been read
// there; sizes are unsigned, so a skip with its top bit set goes past the end.
#include <gtest/gtest.h>

#include <string>

#include "convert/listing_driver.h"
#include "listing/conversion_error.h"
#include "testing/doubles/listing_run.h"
#include "testing/example_projects.h"
#include "testing/track_records.h"

namespace morvane {
namespace {

using testing::ListingRun;
using testing::ProjectWriter;

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

}  // namespace
}  // namespace morvane
