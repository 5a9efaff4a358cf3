#pragma once

// What --probe tells about one project: the facts of convert/layout_fit.h's ProjectProbe as a
// JSON line or as text.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "listing/format_kinds.h"
#include "listing/media_finder.h"

namespace morvane {

struct ProjectProbe;
class MediaTrees;

struct ProbeOptions {
  bool json = false;                     // one JSON object per file (JSON Lines) instead of text
  std::string mediaDir;                  // where media is looked for; empty: each project's folder
  TimecodeMode timecode = TimecodeMode::NtscDropFrame;  // for the main track's length
  std::optional<SoftwareKind> software;  // the layout to read the counts with; none: the one that fits
  std::vector<std::string> relinkFolders{};  // where else, with subfolders (listing/media_finder.h)
  std::shared_ptr<MediaTrees> trees{};     // reads those once for every project; none: each report
};

// What --probe prints for one source that was read: a JSON line (one object), or the text: its
// version, which layouts fit, the clip count of each track, the effect, title and bin item
// counts, the main track's length and the media files its tracks use with whether each exists.
// With relinkFolders, also where each file found is and how it matched ("match": exact, case,
// extension), and the other files that match as well ("others"): in the text a line "at PATH
// (MATCH)" and one "also PATH" for each other.
std::string ProbeReport(const std::string& source, const ProbeOptions& options, const ProjectProbe& probe);

// Each media file the probe found named, decoded, with where it is (listing/media_finder.h):
// in options' media folder (the project's own when empty), else under its relinking folders.
struct ProbedMedia {
  std::string name;
  FoundMedia found;
};
std::vector<ProbedMedia> LocateProbedMedia(const std::string& source, const ProbeOptions& options,
                                           const ProjectProbe& probe);

// "02.07" for 0x0207.
std::string VersionText(int version);
// frames as a time in mode, without Frames' leading spaces.
std::string LengthText(std::int64_t frames, TimecodeMode mode);

}  // namespace morvane
