#include "interchange/otio_writer.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "interchange/safe_text.h"
#include "platform/sixteen_bytes.h"

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

// Writes one byte of a JSON string at p, escaped as kJsonBytes says; returns the end.
char* PutJsonByte(char* p, unsigned char byte) {
  static constexpr char kHex[] = "0123456789abcdef";
  const JsonByte& written = kJsonBytes[byte];
  if (written.length == 6) [[unlikely]] {
    std::memcpy(p, "\\u00", 4);
    p[4] = kHex[byte >> 4];
    p[5] = kHex[byte & 0x0f];
    return p + 6;
  }
  std::memcpy(p, written.text, 2);
  return p + written.length;
}

// Writes text as a JSON string (quotes included) at p, which has room for 6 * text.size() + 3
// bytes; returns the end. One pass, a copy of two bytes per byte and no branch but the rare
// \u00xx; where the processor can, sixteen bytes that need no escape are copied at once (most
// texts escape few bytes), the others byte by byte.
char* PutJsonString(char* p, std::string_view text) {
  *p++ = '"';
  const char* in = text.data();
  const char* const end = in + text.size();
#if defined(__SSE2__)
  while (end - in >= 16) {
    using namespace sixteen_bytes;
    const Block block = Load(in);
    if (Marks(_mm_or_si128(_mm_or_si128(Equal(block, '"'), Equal(block, '\\')), Controls(block))) == 0) {
      Store(p, block);
      p += 16;
      in += 16;
      continue;
    }
    for (const char* const blockEnd = in + 16; in != blockEnd; ++in) {  // texts full of escapes
      p = PutJsonByte(p, static_cast<unsigned char>(*in));
    }
  }
#endif
  for (; in != end; ++in) {
    p = PutJsonByte(p, static_cast<unsigned char>(*in));
  }
  *p++ = '"';
  return p;
}

// JSON in the bytes of nlohmann's dump(4) with ensure_ascii off, written as it is made. Built
// by hand because the profile of a large project (some 2,000 clips) went mostly to building and
// freeing nlohmann's objects for each clip; nlohmann still writes what it would write otherwise
// (numbers that are not whole frames, texts that are not valid UTF-8), so the bytes stay its own.
// Layout: four spaces per level, "key": value, members and elements one a line, {} and [] when
// empty.
class JsonOut {
 public:
  explicit JsonOut(ListingWriter& out) : out_(out) {}

  // Opens an object ('{') or array ('['), closes it with its closing bracket.
  void Open(char bracket) {
    out_.WriteChar(bracket);
    counts_.push_back(0);
  }
  void Close(char bracket) {
    if (counts_.back() > 0) {
      out_.WriteChar('\n');
      Indent(counts_.size() - 1);
    }
    counts_.pop_back();
    out_.WriteChar(bracket);
  }
  // The next element of an array, or, with its key, of an object.
  void Next() {
    if (counts_.back()++ > 0) {
      out_.WriteChar(',');
    }
    out_.WriteChar('\n');
    Indent(counts_.size());
  }
  void Key(std::string_view key) {
    Next();
    out_.WriteChar('"');
    out_.WriteText(key);
    out_.WriteText("\": ");
  }

  // A value as it is written: null, true, a number's text.
  void Raw(std::string_view text) { out_.WriteText(text); }
  void Bool(bool value) { out_.WriteText(value ? "true" : "false"); }
  void Integer(std::int64_t value) {
    char text[24];
    out_.WriteText(std::string_view(text, static_cast<std::size_t>(std::to_chars(text, text + sizeof text, value).ptr - text)));
  }
  // frames as a double, "12.0": nlohmann writes a whole number below 10^15 with its digits and
  // ".0"; anything larger goes to nlohmann.
  void Frames(std::int64_t frames) {
    if (frames > -kWholeLimit && frames < kWholeLimit) {
      Integer(frames);
      out_.WriteText(".0");
    } else {
      out_.WriteText(Dump(Json(static_cast<double>(frames))));
    }
  }
  // A text of the project as a JSON string: valid UTF-8 escaped here, anything else by nlohmann,
  // which replaces what is not UTF-8.
  void String(std::string_view text) {
    if (IsValidUtf8(text)) {
      Escape(text);
      Escaped();
    } else {
      out_.WriteText(Dump(Json(std::string(text))));
    }
  }
  // A valid UTF-8 text escaped once, for writing (Escaped) as often as needed.
  void Escape(std::string_view utf8) {
    const std::size_t room = 6 * utf8.size() + 3;
    if (room > escapedRoom_) {
      escapedRoom_ = std::max(room, 2 * escapedRoom_);
      escaped_ = std::make_unique_for_overwrite<char[]>(escapedRoom_);
    }
    escapedSize_ = static_cast<std::size_t>(PutJsonString(escaped_.get(), utf8) - escaped_.get());
  }
  void Escaped() { out_.WriteText(std::string_view(escaped_.get(), escapedSize_)); }

  // One member "key": value, where value is a string constant that needs no escape.
  void Member(std::string_view key, std::string_view plainText) {
    Key(key);
    out_.WriteChar('"');
    out_.WriteText(plainText);
    out_.WriteChar('"');
  }
  void EmptyMember(std::string_view key, std::string_view empty) {
    Key(key);
    Raw(empty);
  }

  static std::string Dump(const Json& json) {
    return json.dump(4, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  }

 private:
  static constexpr std::int64_t kWholeLimit = 1'000'000'000'000'000;

  void Indent(std::size_t depth) { out_.WriteSpaces(4 * depth); }

  ListingWriter& out_;
  std::vector<int> counts_;  // the members written in each open object or array
  // The text Escape wrote last, in a buffer kept (never cleared) from one text to the next.
  std::unique_ptr<char[]> escaped_;
  std::size_t escapedRoom_ = 0;
  std::size_t escapedSize_ = 0;
};

class OtioWriter {
 public:
  OtioWriter(const Timeline& timeline, ExportNotes& notes, ListingWriter& out)
      : timeline_(timeline),
        notes_(notes),
        json_(out),
        rate_(JsonOut::Dump(Json(static_cast<double>(timeline.rate.numerator) / timeline.rate.denominator))),
        end_(timeline.Duration()) {}

  void Run() {
    json_.Open('{');
    json_.Member("OTIO_SCHEMA", "Timeline.1");
    json_.Key("metadata");
    json_.Open('{');
    json_.Key("morvane");
    json_.Open('{');
    json_.Member("aspect_ratio", timeline_.wide ? "16:9" : "4:3");
    json_.Key("width");
    json_.Integer(timeline_.width);
    json_.Key("height");
    json_.Integer(timeline_.height);
    json_.Key("drop_frame");
    json_.Bool(timeline_.rate.dropFrame);
    json_.Close('}');
    json_.Close('}');
    json_.Key("name");
    json_.String(Text(timeline_.name));
    json_.Key("global_start_time");
    Time(timeline_.start);
    json_.Key("tracks");
    ItemStart("Stack.1", "tracks", nullptr);
    json_.EmptyMember("markers", "[]");
    json_.Key("enabled");
    json_.Bool(true);
    json_.Key("children");
    json_.Open('[');
    for (const TimelineTrackModel& track : timeline_.tracks) {
      if (track.video) {
        Track(track, "Video", false);
      }
    }
    for (const TimelineTrackModel& track : timeline_.tracks) {
      if (track.video) {
        const bool anySound = std::any_of(track.clips.begin(), track.clips.end(),
                                          [](const TimelineClip& clip) { return clip.hasAudio; });
        if (anySound) {
          Track(track, "Audio", true);
        }
      }
    }
    for (const TimelineTrackModel& track : timeline_.tracks) {
      if (!track.video) {
        Track(track, "Audio", false);
      }
    }
    json_.Close(']');
    json_.Close('}');
    json_.Close('}');
    json_.Raw("\n");
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

  // Opens an object with the members every schema starts with; metadata empty.
  void Header(const char* schema, std::string_view name) {
    json_.Open('{');
    json_.Member("OTIO_SCHEMA", schema);
    json_.EmptyMember("metadata", "{}");
    json_.Key("name");
    json_.String(name);
  }

  // The header of an item up to its effects, which are empty; source range null or written by
  // sourceRange.
  template <typename SourceRange>
  void ItemStart(const char* schema, std::string_view name, SourceRange sourceRange) {
    Header(schema, name);
    json_.Key("source_range");
    if constexpr (std::is_null_pointer_v<SourceRange>) {
      json_.Raw("null");
    } else {
      sourceRange();
    }
    json_.EmptyMember("effects", "[]");
  }

  void Time(std::int64_t frames) {
    json_.Open('{');
    json_.Member("OTIO_SCHEMA", "RationalTime.1");
    json_.Key("rate");
    json_.Raw(rate_);
    json_.Key("value");
    json_.Frames(frames);
    json_.Close('}');
  }

  void Range(std::int64_t start, std::int64_t duration) {
    json_.Open('{');
    json_.Member("OTIO_SCHEMA", "TimeRange.1");
    json_.Key("duration");
    Time(duration);
    json_.Key("start_time");
    Time(start);
    json_.Close('}');
  }

  // The end of an item after its effects: no markers, enabled.
  void ItemEnd() {
    json_.EmptyMember("markers", "[]");
    json_.Key("enabled");
    json_.Bool(true);
  }

  // soundOnly: the audio twin of a video track, with its sounding clips only.
  void Track(const TimelineTrackModel& track, const char* kind, bool soundOnly) {
    std::string name = track.Name();
    if (soundOnly) {
      name += " sound";
    }
    json_.Next();
    ItemStart("Track.1", name, nullptr);
    json_.Key("markers");
    if (!soundOnly && track.role == TimelineTrack::MainAv && track.lane == 0 && !timeline_.titles.empty()) {
      json_.Open('[');
      for (const TimelineTitle& title : timeline_.titles) {
        json_.Next();
        Marker(title);
      }
      json_.Close(']');
    } else {
      json_.Raw("[]");
    }
    json_.Key("enabled");
    json_.Bool(true);
    json_.Key("children");
    json_.Open('[');
    TrackChildren(track, soundOnly);
    json_.Close(']');
    json_.Member("kind", kind);
    json_.Close('}');
  }

  // Each child of the track in order: gaps, transitions and clips.
  void TrackChildren(const TimelineTrackModel& track, bool soundOnly) {
    std::int64_t cursor = 0;
    bool lastWasClip = false;
    for (const TimelineClip& clip : track.clips) {
      if (soundOnly && !clip.hasAudio) {
        continue;
      }
      if (clip.recordIn > cursor) {
        Gap(clip.recordIn - cursor);
        lastWasClip = false;
      }
      if (clip.transition != TransitionKind::None && lastWasClip) {
        Transition(clip);
      }
      Clip(clip);
      cursor = clip.RecordOut();
      lastWasClip = true;
    }
    if (end_ > cursor) {
      Gap(end_ - cursor);  // every track ends with the timeline
    }
  }

  void Gap(std::int64_t frames) {
    json_.Next();
    ItemStart("Gap.1", "", [&] { Range(0, frames); });
    ItemEnd();
    json_.Close('}');
  }

  // A title's text, which may be long, is escaped once for its name and its comment. Decoded
  // titles are valid UTF-8.
  void Marker(const TimelineTitle& title) {
    json_.Escape(title.text);
    json_.Open('{');
    json_.Member("OTIO_SCHEMA", "Marker.2");
    json_.Key("metadata");
    json_.Open('{');
    json_.Key("morvane");
    json_.Open('{');
    json_.Member("kind", "title");
    json_.Close('}');
    json_.Close('}');
    json_.Key("name");
    json_.Escaped();
    json_.Member("color", "GREEN");
    json_.Key("marked_range");
    Range(title.begin, 0);
    json_.Key("comment");
    json_.Escaped();
    json_.Close('}');
  }

  void Transition(const TimelineClip& clip) {
    const bool dissolve = clip.transition == TransitionKind::Dissolve;
    json_.Next();
    json_.Open('{');
    json_.Member("OTIO_SCHEMA", "Transition.1");
    json_.Key("metadata");
    json_.Open('{');
    json_.Key("morvane");
    json_.Open('{');
    json_.Key("transition_name");
    json_.String(clip.transitionName);
    json_.Close('}');
    json_.Close('}');
    json_.Key("name");
    json_.String(clip.transitionName);
    json_.Key("in_offset");
    Time(0);
    json_.Key("out_offset");
    Time(clip.transitionDuration);
    json_.Member("transition_type", dissolve ? "SMPTE_Dissolve" : "SMPTE_Wipe");
    json_.Close('}');
  }

  void Clip(const TimelineClip& clip) {
    json_.Next();
    json_.Open('{');
    json_.Member("OTIO_SCHEMA", "Clip.2");
    json_.Key("metadata");
    ClipMetadata(clip);
    json_.Key("name");
    json_.String(clip.name);
    json_.Key("source_range");
    Range(clip.sourceIn, clip.duration);
    json_.Key("effects");
    if (clip.halfSpeed) {
      json_.Open('[');
      json_.Next();
      Header("LinearTimeWarp.1", "");
      json_.Member("effect_name", "LinearTimeWarp");
      // The media frames the clip plays over its length: 0.5, or the shorter range the table prints.
      json_.Key("time_scalar");
      json_.Raw(JsonOut::Dump(Json(static_cast<double>(clip.sourceDuration) / static_cast<double>(clip.duration))));
      json_.Close('}');
      json_.Close(']');
    } else {
      json_.Raw("[]");
    }
    ItemEnd();
    json_.Key("media_references");
    json_.Open('{');
    json_.Key("DEFAULT_MEDIA");
    if (clip.media == MediaKind::Color) {
      Header("GeneratorReference.1", clip.name);
      NoRanges();
      json_.Member("generator_kind", "SolidColor");
      json_.Key("parameters");
      json_.Open('{');
      json_.Key("color");
      json_.String("#" + clip.colour);
      json_.Close('}');
    } else if (clip.path.empty()) {
      Header("MissingReference.1", "");  // a name that names no file
      NoRanges();
    } else {
      Header("ExternalReference.1", "");
      NoRanges();
      json_.Key("target_url");
      json_.String(FileUrl(clip.path));
    }
    json_.Close('}');
    json_.Close('}');
    json_.Member("active_media_reference_key", "DEFAULT_MEDIA");
    json_.Close('}');
  }

  // A clip's metadata: {} or what morvane keeps of it.
  void ClipMetadata(const TimelineClip& clip) {
    const bool missing = clip.media != MediaKind::Color && !clip.found;
    const bool still = clip.media == MediaKind::Still;
    if (!clip.hasLevels && !missing && !still && clip.projectName.empty()) {
      json_.Raw("{}");
      return;
    }
    json_.Open('{');
    json_.Key("morvane");
    json_.Open('{');
    if (clip.hasLevels) {
      json_.Key("levels");
      json_.Open('{');
      json_.Key("in");
      json_.Integer(clip.levelIn);
      json_.Key("out");
      json_.Integer(clip.levelOut);
      json_.Key("points");
      json_.Open('[');
      for (const LevelPoint& point : clip.levelPoints) {
        json_.Next();
        json_.Open('[');
        json_.Next();
        json_.Integer(point.position);
        json_.Next();
        json_.Integer(point.value);
        json_.Close(']');
      }
      json_.Close(']');
      json_.Close('}');
    }
    if (missing) {
      json_.Key("missing");
      json_.Bool(true);
    }
    if (still) {
      json_.Key("still");
      json_.Bool(true);
    }
    if (!clip.projectName.empty()) {
      json_.Key("project_name");
      json_.String(clip.projectName);  // as the project holds it, folders included
    }
    json_.Close('}');
    json_.Close('}');
  }

  // A reference's ranges, which are not known.
  void NoRanges() {
    json_.EmptyMember("available_range", "null");
    json_.EmptyMember("available_image_bounds", "null");
  }

  const Timeline& timeline_;
  ExportNotes& notes_;
  JsonOut json_;
  std::string rate_;  // as nlohmann writes it
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

void WriteOtio(const Timeline& timeline, ExportNotes& notes, ListingWriter& out) {
  OtioWriter(timeline, notes, out).Run();
}

}  // namespace morvane
