#pragma once

#include "edl/edl_event.h"
#include "listing/clip_tables.h"
#include "listing/listing_context.h"

namespace morvane {

// Stretches the half-speed clips (slow != 0) among the first count entries of the main and
// insert tables: a main clip's length grows by sourceOut - sourceIn and its sourceOut becomes
// 2*sourceOut - sourceIn; an insert clip's sourceOut likewise; both lose their audio flag. A main
// clip with sourceIn 100, sourceOut 200 and length 100 becomes length 200, sourceOut 300. The
// extra audio tables are left alone. Sums wrap modulo 2^32.
void ApplyHalfSpeed(ClipTables& tables);

// Receives the events of the EDL table in the order they are listed.
class EdlEventSink {
 public:
  virtual ~EdlEventSink() = default;
  virtual void Event(const EdlEvent& event) = 0;
  // Main clip k (from 1) of count has been listed, with the other tracks' events that follow it.
  virtual void MainClipDone(std::int32_t /*k*/, std::int32_t /*count*/) {}
};

// Decides the events of the EDL table from the clip tables (after ApplyHalfSpeed) and hands
// them to sink in order: what WriteEdl lists, line by line, without formatting anything. The
// exports read the same decisions: cut points, transition codes and durations, half-speed
// source ranges and the record positions of every clip.
void DecideEdlEvents(const ClipTables& tables, EdlEventSink& sink);

// Appends the EDL table in the context's timecode mode: the two header lines of the mode, then
// one line per main clip, each followed by the insert, extra audio 1 and extra audio 2 clips
// that have ended by the recorder position after it (clips ending exactly there included), in
// that order; the clips still running after the last main clip come last, track by track.
//
// A main clip with a transition shares the event number of the line before it and its line
// shows the code D (one of the four dissolve names, compared byte for byte) or W; the duration
// column shows the frames that the previous clip gave up to the transition. Between the two
// lines of a transition nothing else is listed, and two transitions in a row are separated by a
// zero-length "from line". The entry after the last main clip is read for its transition only
// when the table holds one. Event numbers print "%03d", so 1000 takes four characters.
//
// After main clip k of n the status is "[EDL] k / n" and (k * 40) / n progress steps have been
// taken; with no main clips only the header (and any clips of the other tables) is written and
// no status is set. Recorder positions and out points wrap modulo 2^32.
void WriteEdl(ListingContext& context, const ClipTables& tables);

}  // namespace morvane
