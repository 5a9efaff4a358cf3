#pragma once

#include <string>

#include "interchange/timeline.h"

namespace morvane {

// The timeline as an MLT XML project, in the form Shotcut writes and opens: a DV profile
// (720x480 at 30000/1001 or 720x576 at 25, 4:3 or 16:9), a black background, one producer per
// clip (avformat-novalidate for files, timewarp at 0.5 for half speed, pixbuf for stills, color
// for colour clips, "#ffRRGGBB"), one playlist per track with blanks where nothing plays
// (video tracks V1, V2 carry their clips' sound; a clip without sound has audio_index -1; the
// extra audio tracks are A1, A2), and a tractor that mixes every track's sound and lays V2 over
// V1 (composite). A transition is a small tractor in the playlist, as Shotcut makes it: the
// outgoing clip's media past its range and the incoming clip's first frames, joined by a luma
// (dissolve without a wipe file, a wipe with luma01.pgm) and a mix. Audio levels stay metadata
// ("morvane:levels" on the producer); titles are left out.
std::string WriteMlt(const Timeline& timeline, ExportNotes& notes);

}  // namespace morvane
