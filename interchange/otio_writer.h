#pragma once

#include <string>

#include "interchange/timeline.h"

namespace morvane {

// The timeline as OpenTimelineIO JSON, in the schema versions OTIO 0.17 writes: a Timeline.1
// whose Stack.1 holds the video tracks (Main AV, then Insert AV) and then the audio tracks (the
// sound of each video track that has any, then the extra audio tracks), all Track.1. Clip.2
// refers to its file through an ExternalReference.1 with a file:// URL (a missing file too, marked
// "missing" in the clip's metadata) or, for a colour clip, a GeneratorReference.1 of kind
// "SolidColor" with the colour as "#RRGGBB". Gap.1 fills the time where nothing plays;
// Transition.1 ("SMPTE_Dissolve", or "SMPTE_Wipe" with the editor's name in metadata) sits at
// the cut with in_offset 0 and out_offset its duration; half speed is a LinearTimeWarp.1 of 0.5
// on a clip whose source range has the clip's timeline length. Titles are Marker.2 on the Main AV
// track with their text as name; audio levels go to clip metadata under "morvane". Every time
// is a RationalTime.1 at the project's rate (30000/1001 or 25).
std::string WriteOtio(const Timeline& timeline, ExportNotes& notes);

// "file:///abs/path" with each byte outside A-Z a-z 0-9 - . _ ~ / percent-encoded.
std::string FileUrl(const std::string& path);

}  // namespace morvane
