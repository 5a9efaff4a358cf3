#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "convert/listing_driver.h"
#include "testing/doubles/listing_run.h"

namespace morvane::testing {

// Converts a whole project held in memory with the listing driver and returns the text it gives;
// progress, when given, receives what the run's progress sink recorded.
inline std::string ConvertInMemory(const std::vector<std::uint8_t>& bytes, ConversionSettings settings = {},
                                   RecordingProgress* progress = nullptr) {
  ListingRun run(bytes, settings);
  ListingDriver(run.context).Run();
  if (progress != nullptr) *progress = run.progress;
  return run.Output();
}

}  // namespace morvane::testing
