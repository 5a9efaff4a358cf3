#pragma once

#include <cstdint>

#include "listing/listing_context.h"

namespace morvane {

// [Title]: titleCount title records with their text items. The extended layout applies from
// version 0x0207 on, and to every EzEdit project. Status "[Title] %d / %d", 60 steps.
void ReadTitleSection(ListingContext& context, std::int32_t titleCount, int version);

}  // namespace morvane
