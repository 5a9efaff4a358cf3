#include "testing/doubles/listing_run.h"

namespace morvane::testing {

ListingRun::ListingRun(const ProjectWriter& file, ConversionSettings settings)
    : ListingRun(file.bytes(), settings) {}

ListingRun::ListingRun(std::vector<std::uint8_t> bytes, ConversionSettings settings)
    : bytes_(std::move(bytes)),
      settings(settings),
      source(std::span<const std::uint8_t>(bytes_)),
      out(text_),
      context{source, out, progress, this->settings} {}

const std::string& ListingRun::Output() {
  out.Flush();
  return text_;
}

std::int64_t ListingRun::Remaining() const {
  return static_cast<std::int64_t>(bytes_.size()) - static_cast<std::int64_t>(source.Position());
}

}  // namespace morvane::testing
