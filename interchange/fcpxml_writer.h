#pragma once

#include <cstdint>
#include <string>

#include "interchange/timeline.h"
#include "listing/listing_writer.h"

namespace morvane {

// The timeline as FCPXML 1.9, the interchange format of Final Cut Pro 10.5 and later, which
// DaVinci Resolve also imports. Its elements come in the order the format's document type
// requires:
// - resources: the sequence's format, Final Cut's own DV format (FFVideoFormatDV720x480i5994 at
//   1001/30000s a frame, FFVideoFormatDV720x576i50 at 1/25s, or their _16x9 forms), the stock
//   effects the edit uses (Cross Dissolve and Audio Crossfade, Wipe, the Custom solid generator,
//   Basic Title), and one asset per media file with its file URL in a media-rep, also when the
//   file is missing (the editor shows it offline) and long enough for every frame the edit takes
//   of it;
// - a library with one event and one project of the timeline's name, whose sequence counts its
//   timecode from the timeline's start (DF or NDF) and holds one spine: the main track's clips
//   with gaps where nothing plays, up to the end of the last clip or title, and the transitions
//   between them (starting at the cut, as long as the EDL table says), each an asset-clip (a
//   still too) or, for a colour clip, the generator with its colour. Every other clip is
//   connected to the spine element its record in falls in: the further lanes of the video tracks
//   above it (lane 1, 2...), the extra audio below (lane -1, -2...), and the titles on the lane
//   above those as Basic Titles with their text, each from its begin until the next title and
//   for five seconds at most.
// A clip at half speed plays its source range over its length through a linear timeMap. A clip
// without sound plays its pictures only. Every time is a rational number of seconds, exact for
// every frame count. The clips' audio levels are not written. Connected clips cannot be joined
// by a transition: such a transition becomes a cut, counted in notes, as are texts with
// characters XML 1.0 forbids (written with U+FFFD).
// Written to out as it is made: besides one entry per media file, the memory it takes does not
// grow with the clips or the titles.
void WriteFcpxml(const Timeline& timeline, ExportNotes& notes, ListingWriter& out);

// frames times the frame duration numerator / denominator seconds as FCPXML writes a time: "0s",
// "4s", "1001/3000s", in lowest terms and exact for every int64 frame count (numerator at most
// 1,000,000, denominator positive).
std::string RationalSeconds(std::int64_t frames, std::int64_t numerator, std::int64_t denominator);

}  // namespace morvane
