#pragma once

#include <span>
#include <string>
#include <vector>

#include "interchange/timeline.h"
#include "listing/listing_writer.h"

namespace morvane {

// A set holds at most this many files per track: clips that overlap more clips than that are
// left out (and noted), so that a project of many overlapping clips does not make hundreds of
// files.
inline constexpr int kCmxLanesPerTrack = 4;

// One CMX 3600 EDL per track that has clips, in track order. Each starts with "TITLE:" and "FCM:"
// ("DROP FRAME" or "NON-DROP FRAME"); events are numbered from 001 in the columns
//   EEE  RRRRRRRR CCCC  TTTT DDD SSSSSSSSSSS SSSSSSSSSSS RRRRRRRRRRR RRRRRRRRRRR
// (event, reel, channels, transition, duration, source in/out, record in/out), with ';' before
// the frames in drop frame; from event 1000 on the number has four digits. Record times count
// from the timeline's start. The reel is "AX" (a file) or "BL" for a black colour clip; channels
// are "V", "AA/V" for a clip with sound, "A3" and "A4" on the extra audio tracks. A transition
// into a clip is the two-line form: a zero-length "C" line where the outgoing clip stops, then
// "D" or "W001" with the duration (at most 999: a longer one is written as 999 and noted), both
// with the event's number, followed by "* FROM CLIP NAME:" and "* TO CLIP NAME:". Every event
// names the file it plays twice, for both kinds of reader: "* FROM CLIP:" (the incoming clip's
// in a transition) and "* SOURCE FILE:" (one per line of the event, none in a transition from or
// to a colour clip, since one line would stand for both). A clip not at its media's
// speed adds an M2 line with the speed in frames per second (14.985 or 12.5 at half speed) and
// its source in with ':' separators. Texts of the project have no control characters (noted
// when replaced). Lines end in CR LF.
//
// Each file's text goes to its writer of out, one per name part of CmxSuffixes, as it is made.
void WriteCmx3600(const Timeline& timeline, TimecodeMode mode, std::span<ListingWriter* const> out,
                  ExportNotes& notes);

// The name part of each file WriteCmx3600 writes, in its order, without writing them: the part
// that follows the project's name ("" for the main track, then "-insert", "-exa1", "-exa2"; a
// second lane of a track adds "-2").
std::vector<std::string> CmxSuffixes(const Timeline& timeline);

}  // namespace morvane
