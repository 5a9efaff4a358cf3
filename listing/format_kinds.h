#pragma once

namespace morvane {

// Which editor wrote the project. The user chooses it; nothing in the file says so, and the
// choice decides how the file is parsed (which optional fields and sections exist).
enum class SoftwareKind : int {
  RexEdit = 0,
  EzEdit = 1,
};

// How the EDL prints positions. The numbering is fixed: non drop frame is 3, not 1.
enum class TimecodeMode : int {
  NtscDropFrame = 0,
  Pal = 1,
  Frames = 2,
  NtscNonDrop = 3,
};

// The four tracks of a project, in the order the file holds them: the main and the insert
// track (pictures and their sound) and the two extra audio tracks. The listing, the EDL table
// and the exports all name them so.
enum class TimelineTrack { MainAv, InsertAv, ExAudio1, ExAudio2 };

// The two choices of the dialog's radio buttons. Both start at 0 (RexEdit, NTSC drop frame)
// and keep their values from one conversion to the next; nothing stores them between runs.
struct ConversionSettings {
  SoftwareKind softwareKind = SoftwareKind::RexEdit;
  TimecodeMode timecodeMode = TimecodeMode::NtscDropFrame;
};

}  // namespace morvane
