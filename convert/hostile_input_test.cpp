// What a damaged or hostile project can do: end anywhere, or announce far more than it holds.
// Every project that merely ends early converts (zeros for what is missing); one whose counts
// would have it read on and on past its end is stopped once 1 MiB has been read there.
#include <gtest/gtest.h>

#include <string>

#include "listing/conversion_error.h"
#include "convert/listing_driver.h"
#include "testing/example_projects.h"
#include "testing/listing_run.h"
#include "testing/project_writer.h"

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
      ASSERT_NO_THROW(ListingDriver(run.context).Run());
      ASSERT_NE(std::string::npos, run.Output().find("[BinWindow]\r\n"));
      ASSERT_NE(std::string::npos, run.Output().find("[END]\r\n\r\n\r\n\r\n\r\nEvent"));
      ASSERT_EQ("", run.progress.statuses.back().text);
      ASSERT_LT(run.source.BytesPastEnd(), 4096u);
    }
  }
}

// A count read at the end of the file: each item after it reads only zeros.
std::vector<std::pair<const char*, ProjectWriter>> HugeCounts() {
  const ProjectWriter oneOtherClip = ProjectWriter().Header(0x0200, 0, 1).U8(0);
  return {
      {"bin items", ProjectWriter().Header(0x0200, 0x7FFFFFFF, 0)},
      {"effects", ProjectWriter(oneOtherClip).U32(0).U32(0).U32(0).I32(0x7FFFFFFF)},
      {"titles", ProjectWriter(oneOtherClip).U32(0).U32(0).U32(0).U32(0).I32(0x7FFFFFFF)},
      // A visual filter record with an endless first filter list.
      {"filters", ProjectWriter().Header(0x0207, 0, 1).U32(0).U32(0).U8(0).Zeros(20 + 24).U32(0xFFFFFFFF)},
      {"level points", ProjectWriter().Header(0x0200, 0, 1).ShortString("a.avi").U32(0).U32(0).I32(0x7FFFFFFF)},
  };
}

TEST(HostileInput, HugeCountsAtTheEndOfTheFileAreStoppedAfterOneMebibyte) {
  for (const auto& [what, file] : HugeCounts()) {
    ListingRun run(file);
    try {
      ListingDriver(run.context).Run();
      ADD_FAILURE() << what << ": not stopped";
    } catch (const ConversionError& error) {
      EXPECT_EQ(ConversionFailure::EndsTooEarly, error.failure()) << what;
    }
    EXPECT_EQ(kPastEndLimit + 1, run.source.BytesPastEnd()) << what;
    // Work and text stay proportional to what was read.
    EXPECT_LT(run.Output().size(), 16 * kPastEndLimit) << what;
  }
}

TEST(HostileInput, SkipsFarPastTheEndDoNotCountAsReading) {
  ProjectWriter file;
  file.Header(0x0207, 0, 1).U32(0).U32(0).U8(0).Zeros(20);
  file.U32(1).U32(1).U32(1).Zeros(12);  // the three flags: every block present
  file.U32(0xFFFFFFFF);                 // the first block skips 4 GiB
  ListingRun run(file);
  ASSERT_NO_THROW(ListingDriver(run.context).Run());
  EXPECT_LT(run.source.BytesPastEnd(), 1024u);
  EXPECT_GT(run.source.Position(), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace morvane
