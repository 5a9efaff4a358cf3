#pragma once

#include <cstdint>
#include <string>

#include "interchange/timeline.h"
#include "listing/listing_writer.h"

namespace morvane {

// How an MLT producer (also in a Kdenlive project) plays a clip's media: the producer's
// position of the clip's first frame, and the speed (1: the media's own frames).
struct MltPlay {
  std::int64_t first = 0;
  double speed = 1;
};

// MLT's timewarp plays its media through a frame rate of n / speed cut to a whole number m
// (n: the profile's frame rate numerator, 30000, or 25 scaled to 25000), so at position p it shows
// the media frame nearest to p * n / m; an odd m leaves no halfway point. The clip plays exactly
// its source range from the first position that shows sourceIn when its last position shows the
// range's last frame: the odd m nearest n * duration / frames for which one does, written as the
// speed n / (m + 0.5). A clip from media frame 0 starts at position 0, where the first frame has
// half its share, and plays a little slower than the ratio.
MltPlay MltPlayOf(const TimelineClip& clip, std::int64_t n);

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
