#include "listing/bin_window_section.h"

namespace morvane {

// Not read yet: only projects with an empty bin window convert.
void ReadBinWindowSection(ListingContext&, std::int32_t) {}

}  // namespace morvane
