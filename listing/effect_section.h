#pragma once

#include <cstdint>

#include "listing/clip_tables.h"
#include "listing/listing_context.h"

namespace morvane {

// [Effect]: effectCount transition records, one line each; each record shortens the main clip
// it names and names the transition on the clip after it. Status "[Effect] %d / %d", 20 steps.
//
// An effect record is, in file order: clipIndex (u32), clipLength (u32), a third value (u32),
// a fourth value (u16), effectName (string field), five values (u32 each), parameterBytes
// (u32, not listed), ceil(parameterBytes / 4) parameter words (u32 each; none when
// parameterBytes is 0 or negative, two when it is 5 to 8), closingText (string field).
//
// Each record is listed as "%u,%u,%u,%u,%s,%u,%u,%u,%u,%u", then ",%u" per parameter word, then
// ",%s\r\n" with the closing text (",\r\n" when it is empty). Clip index 0, length 85, values 15
// and 1, name Dissolve, five zeros, parameter words 100 and 200 and no closing text give
//   0,85,15,1,Dissolve,0,0,0,0,0,100,200,
// and set mainClips[0].length to 85 and mainClips[1].transition to "Dissolve". A later record
// naming the same clip overwrites both. A record whose clipIndex k is negative, or for which
// k + 1 lies outside the table (k >= 999), is listed the same way but changes neither entry.
// effectCount 0 or negative reads nothing.
void ReadEffectSection(ListingContext& context, std::int32_t effectCount, MainClipTable& mainClips);

}  // namespace morvane
