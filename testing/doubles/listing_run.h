#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "listing/format_kinds.h"
#include "listing/listing_context.h"
#include "testing/doubles/recording_progress.h"
#include "testing/project_writer.h"

namespace morvane::testing {

// Runs a piece of the listing (a section reader, the driver, the EDL) over bytes held in
// memory, with a recording progress sink:
//
//   ListingRun run(ProjectWriter().ShortString("clip.avi").U32(0).U32(299).U32(0).U16(0).U16(0));
//   ReadMainAvSection(run.context, 1, tables->mainClips);
//   EXPECT_EQ("clip.avi,in=0,out=299,levelpoint(in=0,out=0)\r\n", run.Output());
class ListingRun {
 public:
  explicit ListingRun(const ProjectWriter& file, ConversionSettings settings = {});
  explicit ListingRun(std::vector<std::uint8_t> bytes, ConversionSettings settings = {});

  // Everything written so far.
  const std::string& Output();
  // Bytes of the input not yet consumed (negative once reads went past the end).
  std::int64_t Remaining() const;

 private:
  std::vector<std::uint8_t> bytes_;
  std::string text_;

 public:
  ConversionSettings settings;
  SourceReader source;
  ListingWriter out;
  RecordingProgress progress;
  ListingContext context;
};

}  // namespace morvane::testing
