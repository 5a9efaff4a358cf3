#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "listing/format_kinds.h"

namespace morvane {

struct ProbeOptions {
  bool json = false;                     // one JSON object per file (JSON Lines) instead of text
  std::string mediaDir;                  // where media is looked for; empty: each project's folder
  TimecodeMode timecode = TimecodeMode::NtscDropFrame;  // for the main track's length
  std::optional<SoftwareKind> software;  // the layout to read the counts with; none: the one that fits
};

// Converts nothing: prints to out, for each source, its version, which layouts fit, the clip
// count of each track, the effect, title and bin item counts, the main track's length and the
// media files its tracks use with whether each exists. A source that cannot be read gets
// "morvane-convert: SOURCE: Can not open source file" on stderr. True when every source was read.
bool ProbeSources(const ProbeOptions& options, const std::vector<std::string>& sources, std::FILE* out);

}  // namespace morvane
