#include "testing/doubles/convert_in_memory.h"

#include "convert/listing_driver.h"
#include "testing/doubles/listing_run.h"

namespace morvane::testing {

std::string ConvertInMemory(const std::vector<std::uint8_t>& bytes, ConversionSettings settings,
                            RecordingProgress* progress) {
  ListingRun run(bytes, settings);
  ListingDriver(run.context).Run();
  if (progress != nullptr) {
    *progress = run.progress;
  }
  return run.Output();
}

}  // namespace morvane::testing
