#pragma once

#include "listing/clip_tables.h"
#include "listing/listing_context.h"

namespace morvane {

// Stretches the half-speed clips (slow != 0) of the main and insert tables: a main clip's
// length grows by sourceOut - sourceIn and its sourceOut becomes 2*sourceOut - sourceIn; an
// insert clip's sourceOut likewise; both lose their audio flag.
void ApplyHalfSpeed(ClipTables& tables);

// Appends the EDL table (header and one line per event) in the context's timecode mode;
// status "[EDL] %d / %d" and 40 steps when the main track has clips.
void WriteEdl(ListingContext& context, const ClipTables& tables);

}  // namespace morvane
