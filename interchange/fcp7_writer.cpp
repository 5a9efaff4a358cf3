#include "interchange/fcp7_writer.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <utility>
#include <vector>

#include "edl/timecode.h"
#include "interchange/safe_text.h"
#include "interchange/xml_stream.h"

namespace morvane {

namespace {

pugi::xml_node Child(pugi::xml_node node, const char* name, const char* text) {
  pugi::xml_node child = node.append_child(name);
  child.text() = text;
  return child;
}

pugi::xml_node Child(pugi::xml_node node, const char* name, std::int64_t value) {
  pugi::xml_node child = node.append_child(name);
  child.text() = static_cast<long long>(value);
  return child;
}

// <parameter> of an effect: its id and name, and its value.
void Parameter(pugi::xml_node effect, const char* id, const char* name, const char* value) {
  pugi::xml_node parameter = effect.append_child("parameter");
  Child(parameter, "parameterid", id);
  Child(parameter, "name", name);
  Child(parameter, "value", value);
}

// A clip as the xmeml places it: its item's start and end on the sequence (-1 beside a
// transition), its in and out points in the clip's own frames (through the transitions beside
// it), and its speed in percent (100 unless slowed).
struct Placement {
  std::int64_t start = 0;
  std::int64_t end = 0;
  std::int64_t in = 0;
  std::int64_t out = 0;
  double speed = 100;
  bool Slowed() const { return speed != 100; }
};

bool Joined(const TimelineClip& from, const TimelineClip& to) {
  return to.transition != TransitionKind::None && from.RecordOut() == to.recordIn;
}

Placement Place(const TimelineTrackModel& track, std::size_t i) {
  const TimelineClip& clip = track.clips[i];
  const bool head = i > 0 && Joined(track.clips[i - 1], clip);
  const bool tail = i + 1 < track.clips.size() && Joined(clip, track.clips[i + 1]);
  Placement place;
  place.start = head ? -1 : clip.recordIn;
  place.end = tail ? -1 : clip.RecordOut();
  if (clip.media == MediaKind::File) {
    place.in = clip.sourceIn;
    if (clip.halfSpeed || clip.sourceDuration != clip.duration) {
      // The slowed clip's frames: media frame f is clip frame f / speed.
      place.speed = 100.0 * static_cast<double>(clip.sourceDuration) / static_cast<double>(clip.duration);
      place.in = (2 * clip.sourceIn * clip.duration + clip.sourceDuration) / (2 * clip.sourceDuration);
    }
  }
  place.out = place.in + clip.duration + (tail ? track.clips[i + 1].transitionDuration : 0);
  return place;
}

// The media frames of a file up to the clip's out point.
std::int64_t MediaEnd(const Placement& place) {
  if (!place.Slowed()) {
    return place.out;
  }
  const double frames = static_cast<double>(place.out) * place.speed / 100.0;
  return static_cast<std::int64_t>(frames) + 1;
}

// Writes the document as pugixml saves it whole (a tab per level), element by element: each
// clip, transition and marker is made, written and dropped, so that the memory taken does not
// grow with the titles or the clips.
class Fcp7Writer {
 public:
  Fcp7Writer(const Timeline& timeline, ExportNotes& notes, ListingWriter& out)
      : timeline_(timeline), notes_(notes), out_(out), xml_(out, pugi::format_default, "\t"), ntsc_(timeline.rate.Nominal() != 25) {}

  void Run() {
    PlanTracks();
    out_.WriteText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE xmeml>\n");
    pugi::xml_node xmeml = xml_.Fresh("xmeml");
    xmeml.append_attribute("version") = "5";
    xml_.Open(xmeml, 0);
    pugi::xml_node sequence = xml_.Fresh("sequence");
    sequence.append_attribute("id") = "sequence-1";
    sequence.append_attribute("explodedTracks") = "true";
    Child(sequence, "name", Safe(timeline_.name).c_str());
    Child(sequence, "duration", timeline_.Duration());
    Rate(sequence);
    Timecode(sequence, timeline_.start);
    xml_.Open(sequence, 1);
    xml_.Open(xml_.Fresh("media"), 2);

    pugi::xml_node video = xml_.Fresh("video");
    pugi::xml_node characteristics = video.append_child("format").append_child("samplecharacteristics");
    Rate(characteristics);
    Picture(characteristics);
    xml_.Open(video, 3);
    for (std::size_t k = 0; k < video_.size(); ++k) {
      VideoTrack(k);
    }
    xml_.Close("video", 3);

    pugi::xml_node audio = xml_.Fresh("audio");
    Child(audio, "numOutputChannels", 2);
    Sound(audio.append_child("format").append_child("samplecharacteristics"));
    pugi::xml_node outputs = audio.append_child("outputs");
    for (int channel = 1; channel <= 2; ++channel) {
      pugi::xml_node group = outputs.append_child("group");
      Child(group, "index", channel);
      Child(group, "numchannels", 1);
      Child(group, "downmix", std::int64_t{0});
      Child(group.append_child("channel"), "index", channel);
    }
    xml_.Open(audio, 3);
    for (std::size_t p = 0; p < pairs_.size(); ++p) {
      AudioTrack(p, 0);
      AudioTrack(p, 1);
    }
    xml_.Close("audio", 3);
    xml_.Close("media", 2);

    for (const TimelineTitle& title : timeline_.titles) {
      const std::string text = SafeXmlLines(title.text, notes_);
      pugi::xml_node marker = xml_.Fresh("marker");
      Child(marker, "name", text.substr(0, text.find('\n')).c_str());
      Child(marker, "comment", text.c_str());
      Child(marker, "in", title.begin);
      Child(marker, "out", -1);
      xml_.Print(2);
    }
    xml_.Close("sequence", 1);
    xml_.Close("xmeml", 0);
  }

 private:
  // The audio tracks of one track of the timeline: its sound as a stereo pair.
  struct Pair {
    const TimelineTrackModel* track = nullptr;
    std::size_t video = 0;  // the video track it is the sound of, when track->video
    int firstId = 0;        // the number of its left channel's first clip item
    int clips = 0;          // the clip items of each channel
  };

  struct Media {
    int id = 0;               // 0 until defined
    std::int64_t frames = 0;  // the media frames its clips use
    bool video = false;       // used on a video track
  };

  // The clips of a video track with sound in its audio pair; every clip of an audio track.
  static bool Sounds(const TimelineTrackModel& track, const TimelineClip& clip) {
    return !track.video || (clip.hasAudio && clip.media == MediaKind::File);
  }

  static std::string MediaKey(const TimelineClip& clip) {
    return clip.path.empty() ? "\n" + clip.name : clip.path;  // a name without a file: offline by name
  }

  // Numbers every item, and finds each medium's frames, before anything is written.
  void PlanTracks() {
    int next = 1;
    for (const TimelineTrackModel& track : timeline_.tracks) {
      if (track.video) {
        video_.push_back({&track, next});
        next += static_cast<int>(track.clips.size());
      }
    }
    for (std::size_t k = 0; k < video_.size(); ++k) {
      const TimelineTrackModel& track = *video_[k].first;
      const auto count = std::count_if(track.clips.begin(), track.clips.end(),
                                       [&](const TimelineClip& clip) { return Sounds(track, clip); });
      if (count > 0) {
        pairs_.push_back({&track, k, 0, static_cast<int>(count)});
      }
    }
    for (const TimelineTrackModel& track : timeline_.tracks) {
      if (!track.video) {
        pairs_.push_back({&track, 0, 0, static_cast<int>(track.clips.size())});
      }
    }
    for (Pair& pair : pairs_) {
      pair.firstId = next;
      next += 2 * pair.clips;
    }
    for (const TimelineTrackModel& track : timeline_.tracks) {
      for (std::size_t i = 0; i < track.clips.size(); ++i) {
        const TimelineClip& clip = track.clips[i];
        if (clip.media != MediaKind::Color) {
          Media& media = media_[MediaKey(clip)];
          media.frames = std::max(media.frames, MediaEnd(Place(track, i)));
          media.video = media.video || track.video;
        }
      }
    }
  }

  // A text of the project in a form XML allows, each text with a replaced character counted.
  std::string Safe(std::string_view text) { return SafeXml(text, notes_); }

  void Rate(pugi::xml_node node) const {
    pugi::xml_node rate = node.append_child("rate");
    Child(rate, "timebase", timeline_.rate.Nominal());
    Child(rate, "ntsc", ntsc_ ? "TRUE" : "FALSE");
  }

  // The timecode of frame on the project's clock: "HH;MM;SS;FF" in drop frame.
  void Timecode(pugi::xml_node node, std::int64_t frame) const {
    const TimecodeMode mode = !ntsc_                     ? TimecodeMode::Pal
                              : timeline_.rate.dropFrame ? TimecodeMode::NtscDropFrame
                                                         : TimecodeMode::NtscNonDrop;
    std::string text(FormatTimecode(static_cast<std::int32_t>(frame), mode).View());
    if (timeline_.rate.dropFrame) {
      std::replace(text.begin(), text.end(), ':', ';');
    }
    pugi::xml_node timecode = node.append_child("timecode");
    Rate(timecode);
    Child(timecode, "string", text.c_str());
    Child(timecode, "frame", frame);
    Child(timecode, "displayformat", timeline_.rate.dropFrame ? "DF" : "NDF");
  }

  // DV's picture: 720 wide, 480 or 576 lines, lower field first, 4:3 or anamorphic 16:9.
  void Picture(pugi::xml_node characteristics) const {
    Child(characteristics, "width", timeline_.width);
    Child(characteristics, "height", timeline_.height);
    Child(characteristics, "anamorphic", timeline_.wide ? "TRUE" : "FALSE");
    Child(characteristics, "pixelaspectratio", ntsc_ ? "NTSC-601" : "PAL-601");
    Child(characteristics, "fielddominance", "lower");
  }

  // DV's sound: 16 bits at 48 kHz.
  static void Sound(pugi::xml_node characteristics) {
    Child(characteristics, "depth", 16);
    Child(characteristics, "samplerate", 48000);
  }

  // The clip's file: defined in full where first used, referred to by its id after.
  void File(pugi::xml_node item, const TimelineClip& clip) {
    Media& media = media_[MediaKey(clip)];
    pugi::xml_node file = item.append_child("file");
    if (media.id != 0) {
      file.append_attribute("id") = ("file-" + std::to_string(media.id)).c_str();
      return;
    }
    media.id = ++fileCount_;
    file.append_attribute("id") = ("file-" + std::to_string(media.id)).c_str();
    Child(file, "name", Safe(clip.name).c_str());
    if (!clip.path.empty()) {
      Child(file, "pathurl", Fcp7PathUrl(clip.path).c_str());  // every byte of the name, encoded
    }
    Rate(file);
    Child(file, "duration", std::max<std::int64_t>(media.frames, 1));
    Timecode(file, 0);
    pugi::xml_node kinds = file.append_child("media");
    if (media.video) {
      pugi::xml_node characteristics = kinds.append_child("video").append_child("samplecharacteristics");
      Rate(characteristics);
      Picture(characteristics);
    }
    if (clip.media == MediaKind::File) {
      pugi::xml_node audio = kinds.append_child("audio");
      Sound(audio.append_child("samplecharacteristics"));
      Child(audio, "channelcount", 2);
    }
  }

  // The common part of a clip item or generator item; its id by its number.
  pugi::xml_node Item(const char* kind, int number, const TimelineClip& clip, const Placement& place) {
    pugi::xml_node item = xml_.Fresh(kind);
    item.append_attribute("id") = (std::string(kind) + "-" + std::to_string(number)).c_str();
    Child(item, "name", Safe(clip.name).c_str());
    Child(item, "enabled", "TRUE");
    std::int64_t duration = place.out;
    if (clip.media != MediaKind::Color) {
      const std::int64_t frames = media_[MediaKey(clip)].frames;
      duration = std::max(duration, place.Slowed() ? static_cast<std::int64_t>(static_cast<double>(frames) * 100.0 /
                                                                                place.speed) + 1
                                                   : frames);
    }
    Child(item, "duration", duration);
    Rate(item);
    Child(item, "start", place.start);
    Child(item, "end", place.end);
    Child(item, "in", place.in);
    Child(item, "out", place.out);
    return item;
  }

  // Time Remap at the clip's constant speed, the filter Premiere and Final Cut read.
  static void TimeRemap(pugi::xml_node item, const Placement& place) {
    if (!place.Slowed()) {
      return;
    }
    pugi::xml_node effect = item.append_child("filter").append_child("effect");
    Child(effect, "name", "Time Remap");
    Child(effect, "effectid", "timeremap");
    Child(effect, "effectcategory", "motion");
    Child(effect, "effecttype", "motion");
    Child(effect, "mediatype", "video");
    Parameter(effect, "variablespeed", "variablespeed", "0");
    Parameter(effect, "speed", "speed", Decimal(place.speed).c_str());
    Parameter(effect, "reverse", "reverse", "FALSE");
    Parameter(effect, "frameblending", "frameblending", "FALSE");
  }

  // The links of a clip with sound: its picture (when on a video track) and both channels.
  void Links(pugi::xml_node item, const std::string& videoId, std::size_t videoTrack, std::int64_t videoIndex,
             const Pair& pair, std::size_t p, int j) const {
    auto link = [&](const std::string& id, const char* kind, std::size_t track, std::int64_t index, bool grouped) {
      pugi::xml_node node = item.append_child("link");
      Child(node, "linkclipref", id.c_str());
      Child(node, "mediatype", kind);
      Child(node, "trackindex", static_cast<std::int64_t>(track) + 1);
      Child(node, "clipindex", index);
      if (grouped) {
        Child(node, "groupindex", 1);
      }
    };
    if (!videoId.empty()) {
      link(videoId, "video", videoTrack, videoIndex, false);
    }
    for (int channel = 0; channel < 2; ++channel) {
      link("clipitem-" + std::to_string(pair.firstId + channel * pair.clips + j), "audio", 2 * p + channel, j + 1,
           true);
    }
  }

  // The track's items: each clip, the transition into it before it.
  void VideoTrack(std::size_t k) {
    const TimelineTrackModel& track = *video_[k].first;
    pugi::xml_document trackDocument;
    pugi::xml_node head = trackDocument.append_child("track");
    head.append_attribute("MZ.TrackName") = track.Name().c_str();
    xml_.Open(head, 4);
    const auto pair = std::find_if(pairs_.begin(), pairs_.end(), [&](const Pair& p) { return p.track == &track; });
    int sounding = 0;
    std::int64_t index = 0;  // the items written, transitions too
    for (std::size_t i = 0; i < track.clips.size(); ++i) {
      const TimelineClip& clip = track.clips[i];
      if (i > 0 && Joined(track.clips[i - 1], clip)) {
        Transition(clip);
        xml_.Print(5);
        ++index;
      }
      const Placement place = Place(track, i);
      const int number = video_[k].second + static_cast<int>(i);
      ++index;
      if (clip.media == MediaKind::Color) {
        Generator(Item("generatoritem", number, clip, place), clip);
        xml_.Print(5);
        continue;
      }
      pugi::xml_node item = Item("clipitem", number, clip, place);
      File(item, clip);
      TimeRemap(item, place);
      if (pair != pairs_.end() && Sounds(track, clip)) {
        Links(item, "clipitem-" + std::to_string(number), k, index, *pair,
              static_cast<std::size_t>(pair - pairs_.begin()), sounding++);
      }
      xml_.Print(5);
    }
    EndTrack(4, 0);
  }

  // One channel of a pair: a clip item of each clip with sound, its source track the channel.
  void AudioTrack(std::size_t p, int channel) {
    const Pair& pair = pairs_[p];
    const TimelineTrackModel& track = *pair.track;
    pugi::xml_document trackDocument;
    pugi::xml_node head = trackDocument.append_child("track");
    head.append_attribute("MZ.TrackName") = (track.Name() + (track.video ? " sound" : "")).c_str();
    head.append_attribute("currentExplodedTrackIndex") = channel;
    head.append_attribute("totalExplodedTrackCount") = 2;
    head.append_attribute("premiereTrackType") = "Stereo";
    xml_.Open(head, 4);
    int j = 0;
    std::int64_t videoIndex = 0;
    for (std::size_t i = 0; i < track.clips.size(); ++i) {
      const TimelineClip& clip = track.clips[i];
      if (i > 0 && Joined(track.clips[i - 1], clip)) {
        ++videoIndex;
      }
      ++videoIndex;
      if (!Sounds(track, clip)) {
        continue;
      }
      // The sound cuts where the picture's transition starts: each channel plays its own range.
      Placement place = Place(track, i);
      place.start = clip.recordIn;
      place.end = clip.RecordOut();
      place.out = place.in + clip.duration;
      const int number = pair.firstId + channel * pair.clips + j;
      if (clip.media == MediaKind::Color) {
        Generator(Item("generatoritem", number, clip, place), clip);
      } else {
        pugi::xml_node item = Item("clipitem", number, clip, place);
        item.append_attribute("premiereChannelType") = "stereo";
        File(item, clip);
        pugi::xml_node source = item.append_child("sourcetrack");
        Child(source, "mediatype", "audio");
        Child(source, "trackindex", channel + 1);
        TimeRemap(item, place);
        const std::string videoId =
            track.video ? "clipitem-" + std::to_string(video_[pair.video].second + static_cast<int>(i)) : "";
        Links(item, videoId, pair.video, videoIndex, pair, p, j);
      }
      xml_.Print(5);
      ++j;
    }
    EndTrack(4, channel + 1);
  }

  void EndTrack(unsigned depth, int outputChannel) {
    out_.WriteText(std::string(depth + 1, '\t') + "<enabled>TRUE</enabled>\n");
    out_.WriteText(std::string(depth + 1, '\t') + "<locked>FALSE</locked>\n");
    if (outputChannel > 0) {
      out_.WriteText(std::string(depth + 1, '\t') + "<outputchannelindex>" + std::to_string(outputChannel) +
                     "</outputchannelindex>\n");
    }
    xml_.Close("track", depth);
  }

  // Final Cut's Color matte in the clip's colour.
  static void Generator(pugi::xml_node item, const TimelineClip& clip) {
    pugi::xml_node effect = item.append_child("effect");
    Child(effect, "name", "Color");
    Child(effect, "effectid", "Color");
    Child(effect, "effectcategory", "Matte");
    Child(effect, "effecttype", "generator");
    Child(effect, "mediatype", "video");
    pugi::xml_node parameter = effect.append_child("parameter");
    Child(parameter, "parameterid", "fillcolor");
    Child(parameter, "name", "Color");
    pugi::xml_node value = parameter.append_child("value");
    const auto channel = [&](std::size_t at) {
      int byte = 0;
      std::from_chars(clip.colour.data() + at, clip.colour.data() + at + 2, byte, 16);
      return byte;
    };
    Child(value, "alpha", 255);
    Child(value, "red", channel(0));
    Child(value, "green", channel(2));
    Child(value, "blue", channel(4));
  }

  // The transition into clip, from its cut on (alignment "start"), alone in the document.
  void Transition(const TimelineClip& clip) {
    const bool dissolve = clip.transition == TransitionKind::Dissolve;
    pugi::xml_node transition = xml_.Fresh("transitionitem");
    Child(transition, "start", clip.recordIn);
    Child(transition, "end", clip.recordIn + clip.transitionDuration);
    Child(transition, "alignment", "start");
    Rate(transition);
    pugi::xml_node effect = transition.append_child("effect");
    Child(effect, "name", dissolve ? "Cross Dissolve" : "Edge Wipe");
    Child(effect, "effectid", dissolve ? "Cross Dissolve" : "Edge Wipe");
    Child(effect, "effectcategory", dissolve ? "Dissolve" : "Wipe");
    Child(effect, "effecttype", "transition");
    Child(effect, "mediatype", "video");
    Child(effect, "wipecode", dissolve ? 0 : 1);
    Child(effect, "wipeaccuracy", 100);
    Child(effect, "startratio", std::int64_t{0});
    Child(effect, "endratio", 1);
    Child(effect, "reverse", "FALSE");
  }

  const Timeline& timeline_;
  ExportNotes& notes_;
  ListingWriter& out_;
  XmlStream xml_;
  bool ntsc_;
  std::vector<std::pair<const TimelineTrackModel*, int>> video_;  // each video track, its first item's number
  std::vector<Pair> pairs_;
  std::unordered_map<std::string, Media> media_;
  int fileCount_ = 0;
};

}  // namespace

std::string Fcp7PathUrl(const std::string& path) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string slashed = path;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  std::string url;
  if (slashed.starts_with("//")) {
    url = "file:";  // a network path names its server
  } else {
    url = "file://localhost";
    if (!slashed.starts_with("/")) {
      url += '/';
    }
  }
  for (const char c : slashed) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~' || c == '/') {
      url += c;
    } else {
      url += '%';
      url += kHex[byte >> 4];
      url += kHex[byte & 0x0f];
    }
  }
  return url;
}

void WriteFcp7Xml(const Timeline& timeline, ExportNotes& notes, ListingWriter& out) {
  Fcp7Writer(timeline, notes, out).Run();
}

}  // namespace morvane
