#include "interchange/cmx_writer.h"

#include <algorithm>
#include <cstdio>

#include "edl/timecode.h"

namespace morvane {

namespace {

constexpr const char* kSuffixes[] = {"", "-insert", "-exa1", "-exa2"};

class CmxWriter {
 public:
  CmxWriter(const Timeline& timeline, TimecodeMode mode) : timeline_(timeline), mode_(mode) {}

  std::string Track(const TimelineTrackModel& track, const std::string& title) {
    text_.clear();
    number_ = 0;
    Line("TITLE: " + title);
    Line(timeline_.rate.dropFrame ? "FCM: DROP FRAME" : "FCM: NON-DROP FRAME");
    const TimelineClip* previous = nullptr;
    for (const TimelineClip& clip : track.clips) {
      const bool joined = previous != nullptr && previous->RecordOut() == clip.recordIn;
      if (clip.transition != TransitionKind::None && joined) {
        Transition(track, *previous, clip);
      } else {
        ++number_;
        Event(Reel(clip), Channels(track, clip), "C", 0, clip.sourceIn, clip.sourceIn + clip.sourceDuration,
              clip.recordIn, clip.RecordOut());
        Motion(clip);
        Line("* FROM CLIP NAME: " + clip.name);
        Path("* FROM CLIP: ", clip);
      }
      previous = &clip;
    }
    return text_;
  }

 private:
  void Transition(const TimelineTrackModel& track, const TimelineClip& from, const TimelineClip& to) {
    // The transition takes the channels both clips share; the incoming clip's sound, when the
    // outgoing clip has none, follows as an event of its own.
    const bool sharedSound = from.hasAudio && to.hasAudio;
    const char* channels = !track.video ? "AA" : sharedSound ? "AA/V" : "V";
    ++number_;
    const std::int64_t stop = from.sourceIn + from.sourceDuration;
    Event(Reel(from), channels, "C", 0, stop, stop, to.recordIn, to.recordIn);
    Event(Reel(to), channels, to.transition == TransitionKind::Dissolve ? "D" : "W001", to.transitionDuration,
          to.sourceIn, to.sourceIn + to.sourceDuration, to.recordIn, to.RecordOut());
    Motion(to);
    Line("* FROM CLIP NAME: " + from.name);
    Line("* TO CLIP NAME: " + to.name);
    Path("* TO CLIP: ", to);
    if (!to.transitionName.empty()) {
      Line("* EFFECT NAME: " + to.transitionName);
    }
    if (track.video && to.hasAudio && !from.hasAudio) {
      ++number_;
      Event(Reel(to), "AA", "C", 0, to.sourceIn, to.sourceIn + to.sourceDuration, to.recordIn, to.RecordOut());
      Line("* FROM CLIP NAME: " + to.name);
      Path("* FROM CLIP: ", to);
    }
  }

  static const char* Reel(const TimelineClip& clip) {
    return clip.media == MediaKind::Color && clip.colour == "000000" ? "BL" : "AX";
  }

  static const char* Channels(const TimelineTrackModel& track, const TimelineClip& clip) {
    if (!track.video) {
      return "AA";
    }
    return clip.hasAudio ? "AA/V" : "V";
  }

  std::string Timecode(std::int64_t frames) const {
    const auto count = static_cast<std::int32_t>(std::clamp<std::int64_t>(frames, 0, INT32_MAX));
    return std::string(FormatTimecode(count, mode_).View());
  }

  void Event(const char* reel, const char* channels, const char* transition, std::int64_t duration,
             std::int64_t sourceIn, std::int64_t sourceOut, std::int64_t recordIn, std::int64_t recordOut) {
    char head[64];
    char frames[16] = "   ";
    if (duration > 0) {
      std::snprintf(frames, sizeof frames, "%03lld", static_cast<long long>(std::min<std::int64_t>(duration, 999)));
    }
    std::snprintf(head, sizeof head, "%03d  %-8s %-4s  %-4s %s ", number_, reel, channels, transition, frames);
    Line(head + Timecode(sourceIn) + " " + Timecode(sourceOut) + " " + Timecode(recordIn) + " " +
         Timecode(recordOut));
  }

  // Half speed: the speed in frames per second and the source in, always with ':' separators.
  void Motion(const TimelineClip& clip) {
    if (!clip.halfSpeed) {
      return;
    }
    std::string timecode = Timecode(clip.sourceIn);
    std::replace(timecode.begin(), timecode.end(), ';', ':');
    const char* speed = timeline_.rate.Nominal() == 25 ? "012.5" : "014.985";
    char line[64];
    std::snprintf(line, sizeof line, "M2   %-8s %-10s %s", Reel(clip), speed, timecode.c_str());
    Line(line);
  }

  void Path(const char* label, const TimelineClip& clip) {
    if (clip.media != MediaKind::Color) {
      Line(label + clip.path);
    }
  }

  void Line(const std::string& line) {
    text_ += line;
    text_ += "\r\n";
  }

  const Timeline& timeline_;
  TimecodeMode mode_;
  std::string text_;
  int number_ = 0;
};

}  // namespace

std::vector<CmxFile> WriteCmx3600(const Timeline& timeline, TimecodeMode mode, ExportNotes& /*notes*/) {
  std::vector<CmxFile> files;
  CmxWriter writer(timeline, mode);
  for (const TimelineTrackModel& track : timeline.tracks) {
    // The main track's EDL is always written: it is the file the user named.
    if (track.clips.empty() && (track.role != TimelineTrack::MainAv || track.lane > 0)) {
      continue;
    }
    std::string suffix = kSuffixes[static_cast<int>(track.role)];
    if (track.lane > 0) {
      suffix += "-" + std::to_string(track.lane + 1);
    }
    files.push_back({suffix, writer.Track(track, timeline.name + suffix)});
  }
  return files;
}

}  // namespace morvane
