#include "listing/track_sections.h"

namespace morvane {

// Not read yet: only projects whose tracks are empty convert.
void ReadMainAvSection(ListingContext&, std::int32_t, MainClipTable&) {}
void ReadInsertAvSection(ListingContext&, std::int32_t, InsertClipTable&) {}
void ReadExAudioSection(ListingContext&, std::int32_t, AudioClipTable&) {}

}  // namespace morvane
