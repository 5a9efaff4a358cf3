#include "interchange/cmx_writer.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>

#include "edl/timecode.h"
#include "interchange/safe_text.h"

namespace morvane {

namespace {

constexpr const char* kSuffixes[] = {"", "-insert", "-exa1", "-exa2"};
// The channel column of a clip of each track without and with its sound.
constexpr const char* kPictureChannels[] = {"V", "V", "A3", "A4"};
constexpr const char* kSoundChannels[] = {"AA/V", "AA/V", "A3", "A4"};
// A transition's duration has three digits.
constexpr std::int64_t kLongestTransition = 999;

class CmxWriter {
 public:
  CmxWriter(const Timeline& timeline, TimecodeMode mode, ExportNotes& notes)
      : timeline_(timeline), mode_(mode), notes_(notes) {}

  void Track(const TimelineTrackModel& track, const std::string& title, ListingWriter& out) {
    out_ = &out;
    number_ = 0;
    Line("TITLE: ", title);
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
        Line("* FROM CLIP NAME: ", clip.name);
        Path("* FROM CLIP: ", clip);
        Path("* SOURCE FILE: ", clip);
      }
      previous = &clip;
    }
  }

 private:
  // Two events with one number: the outgoing clip stopped at the cut, then the incoming one with
  // the transition. OTIO's reader links the incoming clip through "* FROM CLIP:"; pycmx reads one
  // "* SOURCE FILE:" per line, the outgoing clip's first.
  void Transition(const TimelineTrackModel& track, const TimelineClip& from, const TimelineClip& to) {
    // The transition takes the channels both clips share; the incoming clip's sound, when the
    // outgoing clip has none, follows as an event of its own.
    const bool sharedSound = from.hasAudio && to.hasAudio;
    const char* channels = !track.video || sharedSound ? kSoundChannels[static_cast<int>(track.role)] : "V";
    ++number_;
    const std::int64_t stop = from.sourceIn + from.sourceDuration;
    std::int64_t duration = to.transitionDuration;
    if (duration > kLongestTransition) {
      notes_.Add(ExportChange::TransitionCapped, duration);
      duration = kLongestTransition;
    }
    Event(Reel(from), channels, "C", 0, stop, stop, to.recordIn, to.recordIn);
    Event(Reel(to), channels, to.transition == TransitionKind::Dissolve ? "D" : "W001", duration, to.sourceIn,
          to.sourceIn + to.sourceDuration, to.recordIn, to.RecordOut());
    Motion(to);
    Line("* FROM CLIP NAME: ", from.name);
    Line("* TO CLIP NAME: ", to.name);
    Path("* FROM CLIP: ", to);
    // pycmx gives a single "* SOURCE FILE:" to both lines: a colour clip on one side has none.
    if (HasPath(from) && HasPath(to)) {
      Path("* SOURCE FILE: ", from);
      Path("* SOURCE FILE: ", to);
    }
    if (!to.transitionName.empty()) {
      Line("* EFFECT NAME: ", to.transitionName);
    }
    if (track.video && to.hasAudio && !from.hasAudio) {
      ++number_;
      Event(Reel(to), "AA", "C", 0, to.sourceIn, to.sourceIn + to.sourceDuration, to.recordIn, to.RecordOut());
      Line("* FROM CLIP NAME: ", to.name);
      Path("* FROM CLIP: ", to);
      Path("* SOURCE FILE: ", to);
    }
  }

  static const char* Reel(const TimelineClip& clip) {
    return clip.media == MediaKind::Color && clip.colour == "000000" ? "BL" : "AX";
  }

  static const char* Channels(const TimelineTrackModel& track, const TimelineClip& clip) {
    const int role = static_cast<int>(track.role);
    return clip.hasAudio || !track.video ? kSoundChannels[role] : kPictureChannels[role];
  }

  TimecodeText Timecode(std::int64_t frames) const {
    return FormatTimecode(static_cast<std::int32_t>(std::clamp<std::int64_t>(frames, 0, INT32_MAX)), mode_);
  }

  // "%03d  %-8s %-4s  %-4s %s " with the number, reel, channels, transition and its duration
  // ("%03lld", or three spaces for none), then the four timecodes: formatted in place, as the
  // format's parsing took as long as the rest of an event.
  void Event(const char* reel, const char* channels, const char* transition, std::int64_t duration,
             std::int64_t sourceIn, std::int64_t sourceOut, std::int64_t recordIn, std::int64_t recordOut) {
    // The longest line: a number of 20 digits, the columns, four timecodes of 18 characters.
    char* p = out_->Claim(160);
    // Past event 999 the number takes four digits; both OTIO's reader and pycmx read it.
    p = PutZeroPadded(p, number_);
    p = PutLeft(PutText(p, "  "), reel, 8);
    p = PutLeft(PutText(p, " "), channels, 4);
    p = PutLeft(PutText(p, "  "), transition, 4);
    *p++ = ' ';
    p = duration > 0 ? PutZeroPadded(p, duration) : PutText(p, "   ");
    for (const std::int64_t frames : {sourceIn, sourceOut, timeline_.start + recordIn, timeline_.start + recordOut}) {
      *p++ = ' ';
      p = PutText(p, Timecode(frames).View());
    }
    out_->Commit(PutText(p, "\r\n"));
  }

  // "%03lld" of a value that is not negative.
  static char* PutZeroPadded(char* p, std::int64_t value) {
    char digits[24];
    char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    for (std::ptrdiff_t pad = 3 - (end - digits); pad > 0; --pad) {
      *p++ = '0';
    }
    return PutText(p, std::string_view(digits, static_cast<std::size_t>(end - digits)));
  }

  // "%-*s": text, then spaces up to width.
  static char* PutLeft(char* p, std::string_view text, std::size_t width) {
    p = PutText(p, text);
    for (std::size_t pad = width - std::min(width, text.size()); pad > 0; --pad) {
      *p++ = ' ';
    }
    return p;
  }

  // A clip not at its media's speed: the speed in frames per second, then the source in, always
  // with ':' separators. Half speed is 14.985 (NTSC) or 12.5 (PAL); a source range the table
  // shortened gives the speed that plays exactly it.
  void Motion(const TimelineClip& clip) {
    if (!clip.halfSpeed) {
      return;
    }
    std::string timecode(Timecode(clip.sourceIn).View());
    std::replace(timecode.begin(), timecode.end(), ';', ':');
    char speed[32];
    if (2 * clip.sourceDuration == clip.duration) {
      std::snprintf(speed, sizeof speed, "%s", timeline_.rate.Nominal() == 25 ? "012.5" : "014.985");
    } else {
      const double rate = static_cast<double>(timeline_.rate.numerator) / timeline_.rate.denominator;
      std::snprintf(speed, sizeof speed, "%07.3f",
                    rate * static_cast<double>(clip.sourceDuration) / static_cast<double>(clip.duration));
    }
    char line[96];
    std::snprintf(line, sizeof line, "M2   %-8s %-10s %s", Reel(clip), speed, timecode.c_str());
    Line(line);
  }

  static bool HasPath(const TimelineClip& clip) { return clip.media != MediaKind::Color && !clip.path.empty(); }

  void Path(const char* label, const TimelineClip& clip) {
    if (HasPath(clip)) {
      Line(label, clip.path);
    }
  }

  // A label, then a text of the project on one line of its own: control characters replaced
  // (and noted). Most texts are printable ASCII and are written as they are.
  void Line(std::string_view label, std::string_view text) {
    out_->WriteText(label);
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
      out_->WriteText(text);
    } else {
      bool replaced = false;
      out_->WriteText(EdlLineText(text, replaced));
      if (replaced) {
        notes_.Add(ExportChange::TextReplaced);
      }
    }
    out_->WriteText("\r\n");
  }

  void Line(std::string_view line) {
    out_->WriteText(line);
    out_->WriteText("\r\n");
  }

  const Timeline& timeline_;
  TimecodeMode mode_;
  ExportNotes& notes_;
  ListingWriter* out_ = nullptr;
  int number_ = 0;
};

}  // namespace

namespace {

// The name part of a track's file, or nothing for a track that writes none: one without clips
// (but the main track's EDL is always written: it is the file the user named) or a lane past
// kCmxLanesPerTrack.
std::optional<std::string> FileSuffix(const TimelineTrackModel& track) {
  if ((track.clips.empty() && (track.role != TimelineTrack::MainAv || track.lane > 0)) ||
      track.lane >= kCmxLanesPerTrack) {
    return std::nullopt;
  }
  std::string suffix = kSuffixes[static_cast<int>(track.role)];
  if (track.lane > 0) {
    suffix += "-" + std::to_string(track.lane + 1);
  }
  return suffix;
}

}  // namespace

std::vector<std::string> CmxSuffixes(const Timeline& timeline) {
  std::vector<std::string> suffixes;
  for (const TimelineTrackModel& track : timeline.tracks) {
    if (std::optional<std::string> suffix = FileSuffix(track)) {
      suffixes.push_back(std::move(*suffix));
    }
  }
  return suffixes;
}

void WriteCmx3600(const Timeline& timeline, TimecodeMode mode, std::span<ListingWriter* const> out,
                  ExportNotes& notes) {
  CmxWriter writer(timeline, mode, notes);
  std::size_t file = 0;
  for (const TimelineTrackModel& track : timeline.tracks) {
    if (track.lane >= kCmxLanesPerTrack) {
      for (std::size_t i = 0; i < track.clips.size(); ++i) {
        notes.Add(ExportChange::LanesLeftOut);
      }
    }
    if (std::optional<std::string> suffix = FileSuffix(track)) {
      writer.Track(track, timeline.name + *suffix, *out[file++]);
    }
  }
}

}  // namespace morvane
