#include "interchange/otio_writer.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "interchange/safe_text.h"

namespace morvane {

namespace {

using Json = nlohmann::ordered_json;

// text (valid UTF-8) as a JSON string, in the bytes nlohmann's dump writes without
// ensure_ascii: the short escapes, \u00xx for the other control characters, the rest as is.
// How each byte is written: its length in the string (1, 2 for a short escape, 6 for \u00xx)
// and its first two bytes, so that all but the rare \u00xx take no branch (titles' texts are long
// and full of quotes and line ends).
struct JsonByte {
  char length;
  char text[2];
};
constexpr std::array<JsonByte, 256> kJsonBytes = [] {
  std::array<JsonByte, 256> bytes{};
  for (int byte = 0; byte < 256; ++byte) {
    bytes[static_cast<std::size_t>(byte)] = {byte < 0x20 ? char{6} : char{1}, {static_cast<char>(byte), 0}};
  }
  const std::pair<char, char> shortEscapes[] = {{'"', '"'}, {'\\', '\\'}, {'\b', 'b'}, {'\t', 't'},
                                                {'\n', 'n'}, {'\f', 'f'}, {'\r', 'r'}};
  for (const auto& [byte, letter] : shortEscapes) {
    bytes[static_cast<unsigned char>(byte)] = {2, {'\\', letter}};
  }
  return bytes;
}();

void AppendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::size_t size = text.size() + 3;  // the quotes, and room for the last two-byte store
  for (const char c : text) {
    size += static_cast<std::size_t>(kJsonBytes[static_cast<unsigned char>(c)].length - 1);
  }
  const std::size_t start = out.size();
  out.resize(start + size);
  char* p = out.data() + start;
  *p++ = '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const JsonByte& written = kJsonBytes[byte];
    if (written.length == 6) {
      std::memcpy(p, "\\u00", 4);
      p[4] = kHex[byte >> 4];
      p[5] = kHex[byte & 0x0f];
      p += 6;
      continue;
    }
    p[0] = written.text[0];
    p[1] = written.text[1];
    p += written.length;
  }
  *p++ = '"';
  out.resize(static_cast<std::size_t>(p - out.data()));
}

class OtioWriter {
 public:
  OtioWriter(const Timeline& timeline, ExportNotes& notes)
      : timeline_(timeline),
        notes_(notes),
        rate_(static_cast<double>(timeline.rate.numerator) / timeline.rate.denominator),
        end_(timeline.Duration()) {}

  // Writes the document as nlohmann's dump(4) writes it whole, but with each track's children
  // and markers made and written one at a time: the skeleton holds a placeholder for each.
  void Run(ListingWriter& out) {
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

    const std::string skeleton = Dump(timeline);
    std::size_t from = 0;
    for (std::size_t k = 0; k < streams_.size(); ++k) {
      const Stream& stream = streams_[k];
      std::string marker;
      const std::string placeholder = std::string("\"") + stream.key + "\": " + Dump(Placeholder(k));
      const std::size_t found = skeleton.find(placeholder, from);
      const std::size_t line = skeleton.rfind('\n', found) + 1;
      const std::string indent(found - line, ' ');
      const std::size_t value = found + placeholder.size() - Dump(Placeholder(k)).size();
      out.WriteText(std::string_view(skeleton).substr(from, value - from));
      out.WriteText("[\n");
      bool first = true;
      auto element = [&](const Json& item) {
        out.WriteText(first ? "" : ",\n");
        first = false;
        Indented(out, Dump(item), indent + "    ");
      };
      if (stream.track != nullptr) {
        TrackChildren(*stream.track, stream.soundOnly, element);
      } else {
        for (const TimelineTitle& title : timeline_.titles) {
          MarkerText(title, marker);
          out.WriteText(first ? "" : ",\n");
          first = false;
          Indented(out, marker, indent + "    ");
        }
      }
      out.WriteText("\n");
      out.WriteText(indent);
      out.WriteText("]");
      from = value + Dump(Placeholder(k)).size();
    }
    out.WriteText(std::string_view(skeleton).substr(from));
    out.WriteText("\n");
  }

 private:
  // An array written in place of a placeholder: a track's children, or the titles' markers.
  struct Stream {
    const char* key;
    const TimelineTrackModel* track;  // nullptr: the markers
    bool soundOnly;
  };

  static Json Placeholder(std::size_t k) { return "\u0001morvane-stream-" + std::to_string(k) + "\u0001"; }

  static std::string Dump(const Json& json) {
    // Every text is valid UTF-8 by now; replace rather than throw all the same.
    return json.dump(4, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  }

  // text (a dump, its first line not indented) with each line after indent.
  static void Indented(ListingWriter& out, const std::string& text, const std::string& indent) {
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = std::min(text.find('\n', start), text.size());
      out.WriteText(indent);
      out.WriteText(std::string_view(text).substr(start, end - start));
      if (end < text.size()) {
        out.WriteText("\n");
      }
      start = end + 1;
    }
  }

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

  // soundOnly: the audio twin of a video track, with its sounding clips only. Its children and
  // markers are placeholders, written by Run.
  Json Track(const TimelineTrackModel& track, const char* kind, bool soundOnly) {
    std::string name = track.Name();
    if (soundOnly) {
      name += " sound";
    }
    Json item = Item("Track.1", name, nullptr);
    if (!soundOnly && track.role == TimelineTrack::MainAv && track.lane == 0 && !timeline_.titles.empty()) {
      item["markers"] = Placeholder(streams_.size());
      streams_.push_back({"markers", nullptr, false});
    }
    // A track has children when a clip plays on it, or a gap runs to the timeline's end.
    const bool any = end_ > 0 || std::any_of(track.clips.begin(), track.clips.end(), [&](const TimelineClip& clip) {
                       return !soundOnly || clip.hasAudio;
                     });
    if (any) {
      item["children"] = Placeholder(streams_.size());
      streams_.push_back({"children", &track, soundOnly});
    } else {
      item["children"] = Json::array();
    }
    item["kind"] = kind;
    return item;
  }

  // Calls element with each child of the track in order: gaps, transitions and clips.
  template <typename Element>
  void TrackChildren(const TimelineTrackModel& track, bool soundOnly, Element element) {
    std::int64_t cursor = 0;
    bool lastWasClip = false;
    for (const TimelineClip& clip : track.clips) {
      if (soundOnly && !clip.hasAudio) {
        continue;
      }
      if (clip.recordIn > cursor) {
        element(Item("Gap.1", "", Range(0, clip.recordIn - cursor)));
        lastWasClip = false;
      }
      if (clip.transition != TransitionKind::None && lastWasClip) {
        element(Transition(clip));
      }
      element(Clip(clip));
      cursor = clip.RecordOut();
      lastWasClip = true;
    }
    if (end_ > cursor) {
      element(Item("Gap.1", "", Range(0, end_ - cursor)));  // every track ends with the timeline
    }
  }

  // The marker of a title as Dump(Marker(title)) gives it; its text, which may be long, escaped
  // once and written straight into the dump of the rest. Decoded titles are valid UTF-8.
  void MarkerText(const TimelineTitle& title, std::string& text) const {
    std::string escaped;
    AppendJsonString(escaped, title.text);
    TimelineTitle blank{title.begin, {}};
    const std::string rest = Dump(Marker(blank));
    static constexpr std::string_view kName = "\"name\": \"\"";
    static constexpr std::string_view kComment = "\"comment\": \"\"";
    const std::size_t name = rest.find(kName);
    const std::size_t comment = rest.rfind(kComment);
    text.clear();
    text.append(rest, 0, name + kName.size() - 2);
    text += escaped;
    text.append(rest, name + kName.size(), comment + kComment.size() - 2 - (name + kName.size()));
    text += escaped;
    text.append(rest, comment + kComment.size());
  }

  Json Marker(const TimelineTitle& title) const {
    Json marker = Header("Marker.2", title.text);
    marker["metadata"] = {{"morvane", {{"kind", "title"}}}};
    marker["color"] = "GREEN";
    marker["marked_range"] = Range(title.begin, 0);
    marker["comment"] = title.text;
    return marker;
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
  std::vector<Stream> streams_;
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

void WriteOtio(const Timeline& timeline, ExportNotes& notes, ListingWriter& out) {
  OtioWriter(timeline, notes).Run(out);
}

}  // namespace morvane
