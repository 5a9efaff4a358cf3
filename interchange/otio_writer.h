#pragma once

#include <string>

#include "interchange/timeline.h"
#include "listing/listing_writer.h"

namespace morvane {

// The timeline as OpenTimelineIO JSON, in the schema versions OTIO 0.17 writes: a Timeline.1
// (global_start_time: the timeline's start) whose Stack.1 holds the video tracks (Main AV, then
// Insert AV) and then the audio tracks (the sound of each video track that has any, then the
// extra audio tracks), all Track.1, each ending where the timeline ends. Clip.2 refers to its
// file through an ExternalReference.1 with a file:// URL (a missing file too, marked "missing" in
// the clip's metadata), a MissingReference.1 for a name that names no file, or, for a colour
// clip, a GeneratorReference.1 of kind "SolidColor" with the colour as "#RRGGBB". Gap.1 fills
// the time where nothing plays; Transition.1 ("SMPTE_Dissolve", or "SMPTE_Wipe" with the
// editor's name in metadata) sits at the cut with in_offset 0 and out_offset its duration; a
// clip at half speed has a LinearTimeWarp.1 whose scalar plays its source range over its
// timeline length (0.5, or a little less where the table prints a shorter range). Every title
// is a Marker.2 on the Main AV track with its text as name. Under "morvane" the metadata keep
// the name as the project holds it and the audio levels. Every time is a RationalTime.1 at the
// project's rate (30000/1001 or 25). Written to out as it is made: the memory it takes does not
// grow with the titles or the file.
void WriteOtio(const Timeline& timeline, ExportNotes& notes, ListingWriter& out);

// "file:///abs/path" with each byte outside A-Z a-z 0-9 - . _ ~ / percent-encoded.
std::string FileUrl(const std::string& path);

}  // namespace morvane
