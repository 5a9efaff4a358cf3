// What a damaged or hostile project can do: end anywhere, or announce far more than it holds.
// Every project that merely ends early converts (zeros for what is missing); one whose counts
// would have it read on and on past its end is stopped once 1 MiB has been read there.
#include <gtest/gtest.h>

#include <string>

#include "listing/conversion_error.h"
#include "listing/listing_driver.h"
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
      ListingRun run(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size)),
                     example.settings);
      ASSERT_NO_THROW(ListingDriver(run.context).Run()) << example.name << " cut at " << size;
      const std::string& text = run.Output();
      ASSERT_NE(std::string::npos, text.find("[BinWindow]\r\n")) << example.name << " cut at " << size;
      ASSERT_NE(std::string::npos, text.find("[END]\r\n\r\n\r\n\r\n\r\nEvent")) << example.name << " cut at " << size;
      ASSERT_EQ("", run.progress.statuses.back().text);
      ASSERT_LT(run.source.BytesPastEnd(), 4096u);
    }
  }
}

// A count read at the end of the file: each item after it reads only zeros.
struct HugeCount {
  const char* what;
  ProjectWriter file;
  ConversionSettings settings;
};

std::vector<HugeCount> HugeCounts() {
  std::vector<HugeCount> cases;
  {
    ProjectWriter file;
    file.Header(0x0200, 0x7FFFFFFF, 0);  // bin items
    cases.push_back({"bin items", file, {}});
  }
  {
    ProjectWriter file;
    file.Header(0x0200, 0, 1).U8(0);  // one main clip of kind Other
    file.U32(0).U32(0).U32(0).I32(0x7FFFFFFF);  // effect records
    cases.push_back({"effects", file, {}});
  }
  {
    ProjectWriter file;
    file.Header(0x0200, 0, 1).U8(0).U32(0).U32(0).U32(0).U32(0).I32(0x7FFFFFFF);  // titles
    cases.push_back({"titles", file, {}});
  }
  {
    ProjectWriter file;
    file.Header(0x0207, 0, 1).U32(0).U32(0).U8(0).U32(0).U32(0).U32(0).U32(0).U32(0);
    file.Zeros(24).U32(0xFFFFFFFF);  // a visual filter record with an endless first filter list
    cases.push_back({"filters", file, {}});
  }
  {
    ProjectWriter file;
    file.Header(0x0200, 0, 1).ShortString("a.avi").U32(0).U32(0).I32(0x7FFFFFFF);  // level points
    cases.push_back({"level points", file, {}});
  }
  return cases;
}

TEST(HostileInput, HugeCountsAtTheEndOfTheFileAreStoppedAfterOneMebibyte) {
  for (const HugeCount& c : HugeCounts()) {
    ListingRun run(c.file, c.settings);
    try {
      ListingDriver(run.context).Run();
      ADD_FAILURE() << c.what << ": not stopped";
    } catch (const ConversionError& error) {
      EXPECT_EQ(ConversionFailure::EndsTooEarly, error.failure()) << c.what;
    }
    EXPECT_EQ(kPastEndLimit + 1, run.source.BytesPastEnd()) << c.what;
    // Work and text stay proportional to what was read.
    EXPECT_LT(run.Output().size(), 16 * kPastEndLimit) << c.what;
  }
}

TEST(HostileInput, SkipsFarPastTheEndDoNotCountAsReading) {
  ProjectWriter file;
  file.Header(0x0207, 0, 1).U32(0).U32(0).U8(0).U32(0).U32(0).U32(0).U32(0).U32(0);
  file.U32(1).U32(1).U32(1).Zeros(12);  // the three flags: every block present
  file.U32(0xFFFFFFFF);                 // the first block skips 4 GiB
  ListingRun run(file);
  ASSERT_NO_THROW(ListingDriver(run.context).Run());
  EXPECT_LT(run.source.BytesPastEnd(), 1024u);
  EXPECT_GT(run.source.Position(), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace morvane
