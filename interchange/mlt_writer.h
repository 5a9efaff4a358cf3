#pragma once

#include <string>

#include "interchange/timeline.h"
#include "listing/listing_writer.h"

namespace morvane {

// The timeline as an MLT XML project, in the form Shotcut writes and opens: MLT's stock DV
// profile (dv_ntsc, dv_pal, or their _wide forms), a black background, one producer per clip
// (avformat-novalidate for files, timewarp for half speed, pixbuf for stills, color for colour
// clips, "#ffRRGGBB"), one playlist per track with blanks where nothing plays (video tracks V1,
// V2 carry their clips' sound; a clip without sound has audio_index -1; the extra audio tracks
// are A1, A2), and a tractor that mixes every track's sound and lays each upper video track over
// V1, fitted and centred (composite). A transition is a small tractor in the playlist, as
// Shotcut makes it: the outgoing clip's media past its range and the incoming clip's first
// frames, joined by a luma (dissolve without a wipe file, a wipe with luma01.pgm) and a mix.
// Titles are a "Titles" video track over the others: transparent clips with Shotcut's simple
// text (dynamictext), each shown from its begin until the next title, five seconds at most.
// Audio levels stay metadata ("morvane:levels" on the producer). Texts with characters XML 1.0
// forbids are written with U+FFFD and counted in notes.
// Written to out as it is made: the memory it takes does not grow with the titles or the file.
void WriteMlt(const Timeline& timeline, ExportNotes& notes, ListingWriter& out);

}  // namespace morvane
