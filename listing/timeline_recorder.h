#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "listing/clip_kind.h"
#include "listing/format_kinds.h"

namespace morvane {

// One audio level point of a clip: a frame position and a level value, as read.
struct LevelPoint {
  std::int32_t position = 0;
  std::uint16_t value = 0;
};

// Of a clip's audio level points the exports keep the first kLevelPointLimit: no editor reads
// more, and a project may hold millions. A section hands the recorder one more than that when
// the clip has more, so that it can tell.
inline constexpr std::size_t kLevelPointLimit = 1000;

// What a track section knows of a clip beyond its table entry. name is the clip's name as read
// (a colour clip's encoded name, not "color clip"); kind is Other for every extra audio clip.
struct RecordedClip {
  ClipKind kind = ClipKind::Other;
  std::string_view name;
  std::uint16_t levelIn = 0;
  std::uint16_t levelOut = 0;
  std::span<const LevelPoint> points;
};

// Receives, during the one reading of a project, the facts that the clip tables do not keep, for
// the exports that rebuild the edit in other editors. The sections call it once per item, only
// when the context carries one; a conversion that only lists passes none and pays nothing.
class TimelineRecorder {
 public:
  virtual ~TimelineRecorder() = default;
  // The header's aspect ratio field (0 is 4:3, any other value 16:9); absent before version 02.05.
  virtual void RecordAspectRatio(std::int32_t aspectRatio) = 0;
  // Clip index (from 0) of a track, once per clip record, every kind included.
  virtual void RecordClip(TimelineTrack track, std::int32_t index, const RecordedClip& clip) = 0;
  // Title number title (from 0) begins at frame begin: once per title, before its text items.
  virtual void RecordTitle(std::int32_t title, std::int32_t begin) = 0;
  // One text item of title number title (from 0) that begins at frame begin: its bytes up to the
  // first zero byte, unescaped, in the project's Shift-JIS.
  virtual void RecordTitleText(std::int32_t title, std::int32_t begin, std::string_view text) = 0;
};

}  // namespace morvane
