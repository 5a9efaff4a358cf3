#pragma once

#include <string>
#include <vector>

#include "interchange/timeline.h"

namespace morvane {

// One CMX 3600 EDL file: the name part that follows the project's ("" for the main track, then
// "-insert", "-exa1", "-exa2"; a second lane of a track adds "-2") and its text.
struct CmxFile {
  std::string suffix;
  std::string text;
};

// One CMX 3600 EDL per track that has clips, in track order. Each starts with "TITLE:" and "FCM:"
// ("DROP FRAME" or "NON-DROP FRAME"); events are numbered from 001 in the columns
//   EEE  RRRRRRRR CCCC  TTTT DDD SSSSSSSSSSS SSSSSSSSSSS RRRRRRRRRRR RRRRRRRRRRR
// (event, reel, channels, transition, duration, source in/out, record in/out), with ';' before
// the frames in drop frame. The reel is "AX" (a file) or "BL" for a black colour clip; channels
// are "V", "AA/V" for a clip with sound, "AA" on an audio track. A transition into a clip is the
// two-line form: a zero-length "C" line where the outgoing clip stops, then "D" or "W001" with
// the duration, both with the event's number, followed by "* FROM CLIP NAME:" and
// "* TO CLIP NAME:". Other events carry "* FROM CLIP NAME:"; file paths follow as "* FROM CLIP:"
// or "* TO CLIP:". A half-speed clip adds an M2 line with the speed in frames per second (14.985
// or 12.5) and its source in with ':' separators. Lines end in CR LF.
std::vector<CmxFile> WriteCmx3600(const Timeline& timeline, TimecodeMode mode, ExportNotes& notes);

}  // namespace morvane
