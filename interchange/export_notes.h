#pragma once

#include <cstdint>
#include <vector>

namespace morvane {

// What an export changed so that its format holds the edit, or left out. The writers and the
// timeline count them per kind; each kind becomes one warning (convert/messages.h words them).
// What a format cannot carry at all (titles in CMX 3600, audio levels) is no change: README
// lists it per format.
enum class ExportChange {
  TextReplaced,         // texts holding characters the format forbids, those written as U+FFFD
  ClipCutAtStart,       // clips starting before frame 0, cut there (frames: the most cut from one)
  ClipBeforeStart,      // clips ending at or before frame 0, left out
  ClipWithoutLength,    // clips that end before they start, left out
  ClipSourceInvalid,    // clips whose source range starts before their media or is empty, left out
  ClipPastDay,          // clips ending more than 24 hours after the start, left out (frames: the latest start)
  TitleLeftOut,         // titles that begin before frame 0 or 24 hours after the start, left out
  TransitionShortened,  // transitions longer than their incoming clip, cut to its length (frames: the longest)
  TransitionCapped,     // transitions over the format's longest, written at it (frames: the longest)
  MediaNameInvalid,     // media names that name no file (empty, "." or ".."): offline
  LanesLeftOut,         // overlapping clips past the lanes a set of files holds, left out
  LevelPointsCut,       // clips with more audio level points than the exports keep: the rest left out
  TitleTextCut,         // titles with more text than the exports keep: cut there
  TitlesPastLimit,      // titles past the most the exports keep, or past the room for their texts: left out
  ConnectedTransitionCut,  // transitions between connected clips, which the format cannot join: cuts
};

struct ExportNote {
  ExportChange change;
  std::int64_t count = 0;   // how many clips, transitions or texts
  std::int64_t frames = 0;  // the kind's figure in frames, where it has one (the largest)
};

// Counts changes per kind, in the order first seen.
class ExportNotes {
 public:
  void Add(ExportChange change, std::int64_t frames = 0) { Add({change, 1, frames}); }
  void Add(const ExportNote& added) {
    for (ExportNote& note : notes_) {
      if (note.change == added.change) {
        note.count += added.count;
        note.frames = added.frames > note.frames ? added.frames : note.frames;
        return;
      }
    }
    notes_.push_back(added);
  }
  void Add(const ExportNotes& other) {
    for (const ExportNote& note : other.notes_) {
      Add(note);
    }
  }
  const std::vector<ExportNote>& notes() const { return notes_; }
  bool empty() const { return notes_.empty(); }

 private:
  std::vector<ExportNote> notes_;
};

}  // namespace morvane
