#include "listing/effect_section.h"

namespace morvane {

// Not read yet: only projects without effects convert.
void ReadEffectSection(ListingContext&, std::int32_t, MainClipTable&) {}

}  // namespace morvane
