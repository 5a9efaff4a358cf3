#pragma once

#include <cstdint>

#include "listing/clip_tables.h"
#include "listing/listing_context.h"

namespace morvane {

// [FilterMainAV] and [FilterInsertAV]: one visual filter record per clip of the track; the
// fourth value of record i becomes the slow value of entry i. Status "[FilterVisual] %d / %d".
void ReadVisualFilterSection(ListingContext& context, std::int32_t clipCount, MainClipTable& clips);
void ReadVisualFilterSection(ListingContext& context, std::int32_t clipCount, InsertClipTable& clips);

// [FilterExAudio1] and [FilterExAudio2]: one audio filter record per clip, one line each.
// Status "[FilterAudio] %d / %d".
void ReadAudioFilterSection(ListingContext& context, std::int32_t clipCount);

}  // namespace morvane
