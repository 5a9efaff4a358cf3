#pragma once

#include <cstdint>

#include "listing/clip_tables.h"
#include "listing/listing_context.h"

namespace morvane {

// [Effect]: effectCount transition records, one line each; each record shortens the main clip
// it names and names the transition on the clip after it. Status "[Effect] %d / %d", 20 steps.
void ReadEffectSection(ListingContext& context, std::int32_t effectCount, MainClipTable& mainClips);

}  // namespace morvane
