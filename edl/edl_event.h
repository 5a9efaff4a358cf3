#pragma once

#include <cstdint>
#include <string_view>

#include "listing/format_kinds.h"
#include "listing/listing_writer.h"

namespace morvane {

// One line of the EDL table, decided before anything is formatted. Times are frame counts;
// out points are exclusive.
struct EdlEvent {
  std::int32_t number = 0;
  TimelineTrack track = TimelineTrack::MainAv;  // picks the track word and channel columns
  std::int32_t clipIndex = -1;  // the clip's entry in its table; -1 on a from line
  bool hasAudio = false;       // "  VA" rather than "  V " (main and insert lines)
  bool slow = false;           // "S" in the half-speed column (main and insert lines)
  char transition = 'C';       // 'C' cut, 'D' dissolve, 'W' wipe
  std::int32_t duration = 0;   // transition frames; 0 leaves the column blank
  std::int32_t sourceIn = 0;
  std::int32_t sourceOut = 0;
  std::int32_t recorderIn = 0;
  std::int32_t recorderOut = 0;
  bool hasName = true;         // a from line ends after the recorder out
  std::string_view name;
};

// Writes the event as one line ending in CR LF, its columns side by side:
//   "%03d MAIN" / "%03d INS " / "%03d ExA1" / "%03d ExA2", then for main and insert lines
//   "  VA" or "  V " and "S" or " ", for audio lines "  A  "; then "  " and the transition
//   letter; then seven spaces, or "  " and FormatDuration(duration); then "  " source in,
//   "   " source out, "   " recorder in and "   " recorder out through FormatTimecode; then
//   "   " and the name when there is one.
// With event numbers below 1000 the four times start at characters 25, 39, 53 and 67 in the
// 11-character timecode modes; a four-digit number shifts the whole line right by one.
void WriteEdlEvent(ListingWriter& out, const EdlEvent& event, TimecodeMode mode);

}  // namespace morvane
