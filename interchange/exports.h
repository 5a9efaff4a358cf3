#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "interchange/timeline.h"

namespace morvane {

// What a conversion writes: the listing with its EDL table, or the timeline for another editor.
enum class ExportFormat { Listing, Otio, Cmx3600, Mlt };

// ".txt", ".otio", ".edl", ".mlt".
std::string_view ExportExtension(ExportFormat format);

// One file of an export: the part added to the destination's name (empty for the file the user
// named) and its bytes.
struct ExportText {
  std::string suffix;
  std::string text;
};

// The files of a timeline in format (not Listing): one for .otio and .mlt, one per track with
// clips for CMX 3600 (the main track's first).
std::vector<ExportText> RenderTimeline(const Timeline& timeline, ExportFormat format, TimecodeMode mode);

// The path of a file of the export beside the one the user named: "out/cut.edl" with suffix
// "-insert" is "out/cut-insert.edl"; a name without extension gets the suffix at its end.
std::string ExportPath(const std::string& mainPath, const std::string& suffix);

}  // namespace morvane
