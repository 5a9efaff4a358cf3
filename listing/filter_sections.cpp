#include "listing/filter_sections.h"

namespace morvane {

// Not read yet: only projects whose tracks are empty convert.
void ReadVisualFilterSection(ListingContext&, std::int32_t, MainClipTable&) {}
void ReadVisualFilterSection(ListingContext&, std::int32_t, InsertClipTable&) {}
void ReadAudioFilterSection(ListingContext&, std::int32_t) {}

}  // namespace morvane
