#include "interchange/otio_writer.h"

#include <nlohmann/json.hpp>

#include "interchange/safe_text.h"

namespace morvane {

namespace {

using Json = nlohmann::ordered_json;

class OtioWriter {
 public:
  OtioWriter(const Timeline& timeline, ExportNotes& notes)
      : timeline_(timeline),
        notes_(notes),
        rate_(static_cast<double>(timeline.rate.numerator) / timeline.rate.denominator),
        end_(timeline.Duration()) {}

  Json Run() const {
    Json children = Json::array();
    for (const TimelineTrackModel& track : timeline_.tracks) {
      if (track.video) {
        children.push_back(Track(track, "Video", false));
      }
    }
    for (const TimelineTrackModel& track : timeline_.tracks) {
      if (track.video) {
        const bool anySound = std::any_of(track.clips.begin(), track.clips.end(),
                                          [](const TimelineClip& clip) { return clip.hasAudio; });
        if (anySound) {
          children.push_back(Track(track, "Audio", true));
        }
      }
    }
    for (const TimelineTrackModel& track : timeline_.tracks) {
      if (!track.video) {
        children.push_back(Track(track, "Audio", false));
      }
    }

    Json stack = Item("Stack.1", "tracks", nullptr);
    stack["children"] = std::move(children);
    Json timeline = Header("Timeline.1", Text(timeline_.name));
    timeline["metadata"] = {{"morvane", {{"aspect_ratio", timeline_.wide ? "16:9" : "4:3"},
                                        {"width", timeline_.width},
                                        {"height", timeline_.height},
                                        {"drop_frame", timeline_.rate.dropFrame}}}};
    timeline["global_start_time"] = Time(timeline_.start);
    timeline["tracks"] = std::move(stack);
    return timeline;
  }

 private:
  // A name as valid UTF-8 (the project's file name may not be), noted when changed.
  std::string Text(const std::string& text) const {
    bool replaced = false;
    std::string valid = JsonText(text, replaced);
    if (replaced) {
      notes_.Add(ExportChange::TextReplaced);
    }
    return valid;
  }

  static Json Header(const char* schema, const std::string& name) {
    return Json{{"OTIO_SCHEMA", schema}, {"metadata", Json::object()}, {"name", name}};
  }

  Json Time(std::int64_t frames) const {
    return Json{{"OTIO_SCHEMA", "RationalTime.1"}, {"rate", rate_}, {"value", static_cast<double>(frames)}};
  }

  Json Range(std::int64_t start, std::int64_t duration) const {
    return Json{{"OTIO_SCHEMA", "TimeRange.1"}, {"duration", Time(duration)}, {"start_time", Time(start)}};
  }

  Json Item(const char* schema, const std::string& name, Json sourceRange) const {
    Json item = Header(schema, name);
    item["source_range"] = std::move(sourceRange);
    item["effects"] = Json::array();
    item["markers"] = Json::array();
    item["enabled"] = true;
    return item;
  }

  // soundOnly: the audio twin of a video track, with its sounding clips only.
  Json Track(const TimelineTrackModel& track, const char* kind, bool soundOnly) const {
    Json children = Json::array();
    std::int64_t cursor = 0;
    bool lastWasClip = false;
    for (const TimelineClip& clip : track.clips) {
      if (soundOnly && !clip.hasAudio) {
        continue;
      }
      if (clip.recordIn > cursor) {
        children.push_back(Item("Gap.1", "", Range(0, clip.recordIn - cursor)));
        lastWasClip = false;
      }
      if (clip.transition != TransitionKind::None && lastWasClip) {
        children.push_back(Transition(clip));
      }
      children.push_back(Clip(clip));
      cursor = clip.RecordOut();
      lastWasClip = true;
    }
    if (end_ > cursor) {
      children.push_back(Item("Gap.1", "", Range(0, end_ - cursor)));  // every track ends with the timeline
    }
    std::string name = track.Name();
    if (soundOnly) {
      name += " sound";
    }
    Json item = Item("Track.1", name, nullptr);
    item["children"] = std::move(children);
    item["kind"] = kind;
    if (!soundOnly && track.role == TimelineTrack::MainAv && track.lane == 0) {
      for (const TimelineTitle& title : timeline_.titles) {
        Json marker = Header("Marker.2", title.text);
        marker["metadata"] = {{"morvane", {{"kind", "title"}}}};
        marker["color"] = "GREEN";
        marker["marked_range"] = Range(title.begin, 0);
        marker["comment"] = title.text;
        item["markers"].push_back(std::move(marker));
      }
    }
    return item;
  }

  Json Transition(const TimelineClip& clip) const {
    const bool dissolve = clip.transition == TransitionKind::Dissolve;
    Json transition = Header("Transition.1", clip.transitionName);
    transition["metadata"] = {{"morvane", {{"transition_name", clip.transitionName}}}};
    transition["in_offset"] = Time(0);
    transition["out_offset"] = Time(clip.transitionDuration);
    transition["transition_type"] = dissolve ? "SMPTE_Dissolve" : "SMPTE_Wipe";
    return transition;
  }

  Json Clip(const TimelineClip& clip) const {
    Json item = Item("Clip.2", clip.name, Range(clip.sourceIn, clip.duration));
    Json metadata = Json::object();
    if (clip.hasLevels) {
      Json points = Json::array();
      for (const LevelPoint& point : clip.levelPoints) {
        points.push_back({point.position, point.value});
      }
      metadata["levels"] = {{"in", clip.levelIn}, {"out", clip.levelOut}, {"points", std::move(points)}};
    }
    if (clip.media != MediaKind::Color && !clip.found) {
      metadata["missing"] = true;
    }
    if (clip.media == MediaKind::Still) {
      metadata["still"] = true;
    }
    if (!clip.projectName.empty()) {
      metadata["project_name"] = clip.projectName;  // as the project holds it, folders included
    }
    if (!metadata.empty()) {
      item["metadata"] = {{"morvane", std::move(metadata)}};
    }
    if (clip.halfSpeed) {
      Json warp = Header("LinearTimeWarp.1", "");
      warp["effect_name"] = "LinearTimeWarp";
      // The media frames the clip plays over its length: 0.5, or the shorter range the table prints.
      warp["time_scalar"] = static_cast<double>(clip.sourceDuration) / static_cast<double>(clip.duration);
      item["effects"].push_back(std::move(warp));
    }

    Json reference;
    if (clip.media == MediaKind::Color) {
      reference = Header("GeneratorReference.1", clip.name);
      reference["available_range"] = nullptr;
      reference["available_image_bounds"] = nullptr;
      reference["generator_kind"] = "SolidColor";
      reference["parameters"] = {{"color", "#" + clip.colour}};
    } else if (clip.path.empty()) {
      reference = Header("MissingReference.1", "");  // a name that names no file
      reference["available_range"] = nullptr;
      reference["available_image_bounds"] = nullptr;
    } else {
      reference = Header("ExternalReference.1", "");
      reference["available_range"] = nullptr;
      reference["available_image_bounds"] = nullptr;
      reference["target_url"] = FileUrl(clip.path);
    }
    item["media_references"] = {{"DEFAULT_MEDIA", std::move(reference)}};
    item["active_media_reference_key"] = "DEFAULT_MEDIA";
    return item;
  }

  const Timeline& timeline_;
  ExportNotes& notes_;
  double rate_;
  std::int64_t end_;
};

}  // namespace

std::string FileUrl(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  if (path.empty() || path[0] != '/') {
    url += '/';
  }
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
        c == '-' || c == '.' || c == '_' || c == '~' || c == '/' || c == ':') {
      url += c;
    } else if (c == '\\') {
      url += '/';
    } else {
      url += '%';
      url += kHex[byte >> 4];
      url += kHex[byte & 0x0f];
    }
  }
  return url;
}

std::string WriteOtio(const Timeline& timeline, ExportNotes& notes) {
  // Every text is valid UTF-8 by now; replace rather than throw all the same.
  return OtioWriter(timeline, notes).Run().dump(4, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace morvane
