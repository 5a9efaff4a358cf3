#include "listing/title_section.h"

namespace morvane {

// Not read yet: only projects without titles convert.
void ReadTitleSection(ListingContext&, std::int32_t, int) {}

}  // namespace morvane
