#pragma once

// What --probe tells about one project: the facts of convert/layout_fit.h's ProjectProbe as a
// JSON line or as text.

#include <optional>
#include <string>

#include "listing/format_kinds.h"

namespace morvane {

struct ProjectProbe;

struct ProbeOptions {
  bool json = false;                     // one JSON object per file (JSON Lines) instead of text
  std::string mediaDir;                  // where media is looked for; empty: each project's folder
  TimecodeMode timecode = TimecodeMode::NtscDropFrame;  // for the main track's length
  std::optional<SoftwareKind> software;  // the layout to read the counts with; none: the one that fits
};

// What --probe prints for one source that was read: a JSON line (one object), or the text: its
// version, which layouts fit, the clip count of each track, the effect, title and bin item
// counts, the main track's length and the media files its tracks use with whether each exists.
std::string ProbeReport(const std::string& source, const ProbeOptions& options, const ProjectProbe& probe);

}  // namespace morvane
