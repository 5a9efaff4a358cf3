// Timelines for the export writers' tests: a clip of a media file and a track of clips.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "interchange/timeline.h"

namespace morvane::testing {

// A clip of /m/NAME on the timeline from recordIn, its media played at normal speed from sourceIn.
inline TimelineClip FileClip(std::string name, std::int64_t recordIn, std::int64_t duration, std::int64_t sourceIn = 0) {
  TimelineClip clip;
  clip.path = "/m/" + name;
  clip.name = std::move(name);
  clip.recordIn = recordIn;
  clip.duration = clip.sourceDuration = duration;
  clip.sourceIn = sourceIn;
  return clip;
}

// A track in its role's lane; the main and insert tracks have pictures.
inline TimelineTrackModel Track(TimelineTrack role, std::vector<TimelineClip> clips, int lane = 0) {
  TimelineTrackModel track;
  track.role = role;
  track.lane = lane;
  track.video = role == TimelineTrack::MainAv || role == TimelineTrack::InsertAv;
  track.clips = std::move(clips);
  return track;
}

}  // namespace morvane::testing
