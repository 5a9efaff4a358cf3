#pragma once

#include "interchange/timeline.h"
#include "listing/listing_writer.h"

namespace morvane {

// The timeline as a project of Kdenlive 22.12 (its document version 1.04), which MLT also plays:
// MLT's stock DV profile; the bin (the "main_bin" playlist with the document's properties) with
// one clip per media file, still, colour and title; then the timeline as Kdenlive keeps it, each
// track a tractor of two playlists with Kdenlive's track properties, bottom first: the audio
// tracks (the extra audio, then the sound of the insert and main tracks, each clip's sound under
// its picture), the video tracks V1 (main), V2 (insert) and further lanes, and a "Titles" video
// track on top. A transition is a mix of Kdenlive (a luma composition: "dissolve" without a wipe
// file, "luma" with Kdenlive's left-to-right wipe; an audio mix where both clips have sound) over
// the outgoing clip's media past its range and the incoming clip's first frames, which lie on the
// track's two playlists in turn. Half speed is a timewarp producer per clip; stills are held images,
// colour clips Kdenlive's colour clips; each title a Kdenlive title clip showing its text at the
// bottom of the picture, from its begin until the next title and for five seconds at most.
// Audio levels and transition names are properties ("morvane:levels", "morvane:name"). Texts
// with characters XML 1.0 forbids are written with U+FFFD and counted in notes.
// Written to out as it is made: the memory it takes does not grow with the titles' text.
void WriteKdenlive(const Timeline& timeline, ExportNotes& notes, ListingWriter& out);

}  // namespace morvane
