#pragma once

#include <string>

#include "interchange/timeline.h"
#include "listing/listing_writer.h"

namespace morvane {

// The timeline as Final Cut Pro 7 XML (xmeml version 5), in the form Premiere Pro, DaVinci
// Resolve and Final Cut Pro 7 import: one sequence at the project's rate (timebase 30 with ntsc
// TRUE, or 25) whose timecode starts at the timeline's start, drop frame or not. Video tracks
// bottom first: V1 the main track, V2 the insert track, further lanes above; each video track
// with sound gets a stereo pair of audio tracks (left, right), then a pair per extra audio track,
// each pair stated as Premiere writes it (exploded tracks of a stereo track, clips of stereo
// channel type, linked with their picture). Each media is one file element, defined where it is
// first used and referred to by its id after; its pathurl is file://localhost/ and the path's
// UTF-8 bytes percent-encoded, a drive letter's colon as %3a, with forward slashes. A transition
// starts at the cut (alignment "start"): a Cross Dissolve or an Edge Wipe, the clips beside it
// ending and starting at -1 with their in and out points through it. A clip at half speed has
// the Time Remap filter at its speed (the table's source range over its length), its in and out
// in the slowed clip's frames. Colour clips are Color generators, stills image files held for
// their length, titles sequence markers (the first line as name, the whole text as comment).
// Texts with characters XML 1.0 forbids are written with U+FFFD and counted in notes.
// Written to out as it is made: the memory it takes does not grow with the titles or the file.
void WriteFcp7Xml(const Timeline& timeline, ExportNotes& notes, ListingWriter& out);

// "file://localhost/" and the path with '\' as '/', each byte outside A-Z a-z 0-9 - . _ ~ /
// percent-encoded in lower-case hex ("C:\a b" gives file://localhost/C%3a/a%20b); a Windows
// network path "\\server\share" gives file://server/share.
std::string Fcp7PathUrl(const std::string& path);

}  // namespace morvane
