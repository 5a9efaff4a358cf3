#pragma once

#include <string>
#include <string_view>

#include "interchange/export_notes.h"
#include "interchange/timeline.h"
#include "listing/format_kinds.h"
#include "listing/listing_writer.h"

namespace morvane {

// How a picture of the timeline is drawn.
struct SvgOptions {
  // Put before every id of the picture, so that several pictures can share one page.
  std::string idPrefix = "m-";
  // A file of its own (with the XML declaration), rather than an element inside a page.
  bool standalone = true;
  // A small picture for a list of projects: lanes only, no names, ruler or legend.
  bool thumbnail = false;
};

// The widest the time area of a picture grows (a thumbnail's is kThumbnailWidth): a project
// takes kPixelsPerMinute a minute up to it, a longer one is drawn narrower, its ruler marks
// further apart.
inline constexpr int kPixelsPerMinute = 1200;
inline constexpr int kLongestTimeArea = 4800;
inline constexpr int kShortestTimeArea = 600;
inline constexpr int kThumbnailWidth = 240;

// The colour of a media file in every picture and page: the same for the same name (its last
// path part, composed, ASCII case aside) in any project, "#RRGGBB". Light enough for black
// names on it.
std::string MediaColour(std::string_view utf8Name);

// The timeline as an SVG 1.1 picture, as an editor draws it: a ruler in mode's timecode from the
// timeline's start, a lane for the titles, then one lane per track, the insert track's video
// over the main track's, then the main and insert tracks' sound and the extra audio tracks (a
// track whose clips overlap takes one lane per timeline track). Each clip is a box in its media
// file's colour (a colour clip in its own colour) with its decoded name and a tooltip of its
// times and media; a still has a dashed border, a half-speed clip "50%" and a dotted line, a
// clip whose media is missing is hatched, and a transition is drawn over the frames it takes
// with its kind and duration. Texts with characters XML 1.0 forbids are written with U+FFFD and
// counted in notes. Written to out as it is made.
void WriteSvg(const Timeline& timeline, TimecodeMode mode, const SvgOptions& options, ExportNotes& notes,
              ListingWriter& out);

}  // namespace morvane
