#include "interchange/mlt_writer.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

#include "interchange/safe_text.h"

namespace morvane {

namespace {

void Property(pugi::xml_node node, const char* name, const std::string& value) {
  pugi::xml_node property = node.append_child("property");
  property.append_attribute("name") = name;
  property.text() = value.c_str();
}

void Attribute(pugi::xml_node node, const char* name, std::int64_t value) {
  node.append_attribute(name) = static_cast<long long>(value);
}

std::string LevelText(const TimelineClip& clip) {
  std::string text = "in=" + std::to_string(clip.levelIn) + ",out=" + std::to_string(clip.levelOut);
  for (const LevelPoint& point : clip.levelPoints) {
    text += "," + std::to_string(point.position) + "=" + std::to_string(point.value);
  }
  return text;
}

// The shortest text that reads back as the same double.
std::string Decimal(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

// How a clip's producer plays its media: the producer's position of the clip's first frame, and
// the speed (1: the media's own frames).
struct Play {
  std::int64_t first = 0;
  double speed = 1;
};

// MLT's timewarp plays its media through a frame rate of n / speed cut to a whole number m
// (n: the profile's frame rate numerator, 30000, or 25 scaled to 25000), so at position p it shows
// the media frame nearest to p * n / m; an odd m leaves no halfway point. The clip plays exactly
// its source range from the first position that shows sourceIn when its last position shows the
// range's last frame: the odd m nearest n * duration / frames for which one does, written as the
// speed n / (m + 0.5). A clip from media frame 0 starts at position 0, where the first frame has
// half its share, and plays a little slower than the ratio.
Play PlayOf(const TimelineClip& clip, std::int64_t n) {
  if (clip.media != MediaKind::File) {
    return {};
  }
  if ((!clip.halfSpeed && clip.sourceDuration == clip.duration) || clip.sourceDuration <= 0) {
    return {clip.sourceIn, 1};
  }
  const auto in = static_cast<double>(clip.sourceIn);
  const auto out = in + static_cast<double>(clip.sourceDuration);
  const auto last = static_cast<double>(clip.duration - 1);
  const std::int64_t nearest =
      std::max<std::int64_t>(1, std::llround(static_cast<double>(n * clip.duration) /
                                             static_cast<double>(clip.sourceDuration))) | 1;
  for (std::int64_t i = 0; i < 2000; ++i) {  // nearest, nearest - 2, nearest + 2, nearest - 4...
    const std::int64_t m = nearest + (i + 1) / 2 * (i % 2 == 1 ? -2 : 2);
    if (m < 1) {
      continue;
    }
    const double speed = static_cast<double>(n) / static_cast<double>(m);
    const double low = std::max(in - 0.5, out - 1.5 - last * speed);
    const double high = std::min(in + 0.5, out - 0.5 - last * speed);
    const auto first = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::ceil(low / speed)));
    const double shown = static_cast<double>(first) * speed;
    if (shown >= low && shown < high) {
      return {first, static_cast<double>(n) / (static_cast<double>(m) + 0.5)};
    }
  }
  const double speed = static_cast<double>(n) / static_cast<double>(nearest);  // the nearest frames
  return {std::llround(in / speed), static_cast<double>(n) / (static_cast<double>(nearest) + 0.5)};
}

// A title's text for the dynamictext filter, which reads #name# as a keyword: each # escaped.
std::string TitleArgument(const std::string& text) {
  std::string argument;
  argument.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t hash = text.find('#'); hash != std::string::npos; hash = text.find('#', hash + 1)) {
    argument.append(text, start, hash - start);
    argument += '\\';
    start = hash;
  }
  argument.append(text, start);
  return argument;
}

// A text item's own line ends (CR LF, CR) as line feeds, which the text filter breaks lines at.
std::string LineFeeds(const std::string& text) {
  std::string lines;
  lines.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t cr = text.find('\r'); cr != std::string::npos; cr = text.find('\r', cr + 1)) {
    lines.append(text, start, cr - start);
    if (cr + 1 == text.size() || text[cr + 1] != '\n') {
      lines += '\n';
    }
    start = cr + 1;
  }
  lines.append(text, start);
  return lines;
}

// Hands what pugixml prints to the destination's writer.
class Output final : public pugi::xml_writer {
 public:
  explicit Output(ListingWriter& out) : out_(out) {}
  void write(const void* data, std::size_t size) override {
    out_.WriteText(std::string_view(static_cast<const char*>(data), size));
  }

 private:
  ListingWriter& out_;
};

// Writes the document as pugixml saves it whole ("  " per level), element by element: each
// producer, tractor and playlist is made, written and dropped, and the titles' track is written
// entry by entry, so that the memory taken does not grow with the titles.
class MltWriter {
 public:
  MltWriter(const Timeline& timeline, ExportNotes& notes, ListingWriter& out)
      : timeline_(timeline), notes_(notes), out_(out), output_(out) {}

  void Run() {
    PlaceTitles();
    std::int64_t length = std::max<std::int64_t>(timeline_.Duration(), 1);
    if (!titles_.empty()) {
      length = std::max(length, titles_.back().begin + titles_.back().frames);
    }
    const std::string name = Safe(timeline_.name);
    out_.WriteText("<?xml version=\"1.0\"?>\n");
    pugi::xml_node mlt = Fresh("mlt");
    mlt.append_attribute("LC_NUMERIC") = "C";
    mlt.append_attribute("version") = "7.12.0";
    mlt.append_attribute("title") = name.c_str();
    mlt.append_attribute("producer") = "main_bin";
    Open(mlt, 0);
    document_.reset();
    Profile(document_);
    Print(1);
    pugi::xml_node bin = Fresh("playlist");
    bin.append_attribute("id") = "main_bin";
    Property(bin, "xml_retain", "1");
    Print(1);

    pugi::xml_node black = Fresh("producer");
    black.append_attribute("id") = "black";
    Attribute(black, "in", 0);
    Attribute(black, "out", length - 1);
    Property(black, "length", std::to_string(length));
    Property(black, "eof", "pause");
    Property(black, "resource", "0");
    Property(black, "aspect_ratio", "1");
    Property(black, "mlt_service", "color");
    Property(black, "mlt_image_format", "rgba");
    Property(black, "set.test_audio", "0");
    Print(1);
    pugi::xml_node background = Fresh("playlist");
    background.append_attribute("id") = "background";
    pugi::xml_node entry = background.append_child("entry");
    entry.append_attribute("producer") = "black";
    Attribute(entry, "in", 0);
    Attribute(entry, "out", length - 1);
    Print(1);

    // The tracks bottom first, the titles' track under the first audio track (or on top).
    std::vector<Lane> lanes;
    int videoCount = 0;
    int audioCount = 0;
    for (const TimelineTrackModel& track : timeline_.tracks) {
      const std::string laneName =
          track.video ? "V" + std::to_string(++videoCount) : "A" + std::to_string(++audioCount);
      if (!track.video && !titles_.empty() && audioCount == 1) {
        lanes.push_back({nullptr, "Titles"});
      }
      lanes.push_back({&track, laneName});
    }
    if (audioCount == 0 && !titles_.empty()) {
      lanes.push_back({nullptr, "Titles"});
    }
    // Every producer first (the bottom track's transitions right after its own), then each
    // track's transitions and playlist.
    std::vector<std::string> bottomTractors;
    for (std::size_t i = 0; i < lanes.size(); ++i) {
      lanes[i].firstProducer = producerCount_;
      if (lanes[i].track == nullptr) {
        TitleProducers();
        continue;
      }
      TrackProducers(*lanes[i].track);
      if (i == 0) {
        bottomTractors = Tractors(*lanes[i].track, lanes[i]);
      }
    }
    for (std::size_t i = 0; i < lanes.size(); ++i) {
      const std::string id = "playlist" + std::to_string(i);
      if (lanes[i].track == nullptr) {
        TitlePlaylist(lanes[i], id);
      } else {
        Playlist(*lanes[i].track, lanes[i], id, i == 0 ? bottomTractors : Tractors(*lanes[i].track, lanes[i]));
      }
    }

    pugi::xml_node tractor = Fresh("tractor");
    tractor.append_attribute("id") = "tractor0";
    tractor.append_attribute("title") = name.c_str();
    tractor.append_attribute("global_feed") = "1";
    Attribute(tractor, "in", 0);
    Attribute(tractor, "out", length - 1);
    Property(tractor, "shotcut", "1");
    tractor.append_child("track").append_attribute("producer") = "background";
    for (std::size_t i = 0; i < lanes.size(); ++i) {
      pugi::xml_node track = tractor.append_child("track");
      track.append_attribute("producer") = ("playlist" + std::to_string(i)).c_str();
      if (!lanes[i].Video()) {
        track.append_attribute("hide") = "video";
      }
    }
    for (std::size_t i = 0; i < lanes.size(); ++i) {
      const int b = static_cast<int>(i) + 1;
      pugi::xml_node mix = Transition(tractor, 0, b, "mix");
      Property(mix, "always_active", "1");
      Property(mix, "sum", "1");
      if (lanes[i].Video() && b > 1) {
        // Each upper track over the bottom one, as Shotcut blends them, its picture fitted into
        // the frame and centred; composite renders without a display, unlike qtblend. Blanks
        // and transparent pixels of the upper track show what lies below.
        pugi::xml_node blend = Transition(tractor, 1, b, "composite");
        Property(blend, "geometry", "0%/0%:100%x100%");
        Property(blend, "fill", "1");
        Property(blend, "distort", "0");
        Property(blend, "halign", "centre");
        Property(blend, "valign", "centre");
        Property(blend, "aligned", "1");
      }
    }
    Print(1);
    out_.WriteText("</mlt>\n");
  }

 private:
  // A track of the tractor: a track of the timeline, or the titles (track nullptr).
  struct Lane {
    const TimelineTrackModel* track = nullptr;
    std::string name;
    int firstProducer = 0;  // the number of its first producer
    bool Video() const { return track == nullptr || track->video; }
  };

  // A title as the titles' track shows it: the titles of order_[first, first + count), which
  // begin together.
  struct Placed {
    std::int64_t begin = 0;
    std::int64_t frames = 0;
    std::size_t first = 0;
    std::size_t count = 1;
  };

  // A new element, alone in the document that Print writes.
  pugi::xml_node Fresh(const char* name) {
    document_.reset();
    return document_.append_child(name);
  }

  // Writes the document's element at depth (levels of indent).
  void Print(unsigned depth) {
    document_.first_child().print(output_, "  ", pugi::format_default, pugi::encoding_utf8, depth);
  }

  // Writes the element's start tag and its children as its whole would, leaving it open.
  void Open(pugi::xml_node node, unsigned depth) {
    std::string text;
    ListingWriter writer(text);
    Output output(writer);
    node.print(output, "  ", pugi::format_default, pugi::encoding_utf8, depth);
    writer.Flush();
    const std::string closing = std::string(2 * depth, ' ') + "</" + node.name() + ">\n";
    if (text.ends_with(" />\n")) {
      text.replace(text.size() - 4, 4, ">\n");
    } else {
      text.resize(text.size() - closing.size());
    }
    out_.WriteText(text);
  }

  void Close(const char* name, unsigned depth) {
    out_.WriteText(std::string(2 * depth, ' ') + "</" + name + ">\n");
  }

  // Each title from its begin until the next title, for five seconds at most; titles that begin
  // together become one, their texts one line after another; a title before frame 0 is cut there.
  void PlaceTitles() {
    order_.resize(timeline_.titles.size());
    for (std::size_t i = 0; i < order_.size(); ++i) {
      order_[i] = static_cast<std::uint32_t>(i);
    }
    std::stable_sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) {
      return timeline_.titles.Begin(a) < timeline_.titles.Begin(b);
    });
    const std::int64_t longest = 5 * timeline_.rate.Nominal();
    std::vector<Placed> titles;
    for (std::size_t i = 0; i < order_.size(); ++i) {
      const std::int64_t begin = timeline_.titles.Begin(order_[i]);
      if (!titles.empty() && titles.back().begin == begin) {
        ++titles.back().count;
        continue;
      }
      titles.push_back({begin, longest, i, 1});
    }
    for (std::size_t i = 0; i < titles.size(); ++i) {
      Placed& title = titles[i];
      if (i + 1 < titles.size()) {
        title.frames = std::min(title.frames, titles[i + 1].begin - title.begin);
      }
      if (title.begin < 0) {
        title.frames += title.begin;
        title.begin = 0;
      }
      if (title.frames > 0) {
        titles_.push_back(title);
      }
    }
  }

  // The text of a placed title, safe for XML; no longer than one title's text may be.
  std::string TitleText(const Placed& title) {
    std::string text = timeline_.titles.Text(order_[title.first]);
    for (std::size_t i = title.first + 1; i < title.first + title.count; ++i) {
      if (!AppendWithin(text, "\n" + timeline_.titles.Text(order_[i]), kTitleTextLimit)) {
        notes_.Add(ExportChange::TitleTextCut);
        break;
      }
    }
    return Safe(LineFeeds(text));
  }

  // The titles' producers: each a transparent colour clip with the dynamictext filter
  // (Shotcut's simple text), which draws without a display.
  void TitleProducers() {
    for (const Placed& title : titles_) {
      const std::string text = TitleText(title);
      pugi::xml_node producer = NewProducer(title.frames);
      Property(producer, "resource", "#00000000");
      Property(producer, "mlt_service", "color");
      Property(producer, "mlt_image_format", "rgba");
      Property(producer, "shotcut:caption", text.substr(0, text.find('\n')));
      pugi::xml_node filter = producer.append_child("filter");
      // Shotcut's defaults, white with a black outline at the bottom, in a size for DV.
      const std::pair<const char*, std::string> properties[] = {
          {"argument", TitleArgument(text)}, {"geometry", "0%/0%:100%x100%:100"}, {"family", "Sans"},
          {"size", std::to_string(timeline_.height / 10)}, {"weight", "400"}, {"fgcolour", "#ffffffff"},
          {"bgcolour", "#00000000"}, {"olcolour", "#ff000000"}, {"outline", "2"},
          {"pad", std::to_string(timeline_.height / 20)}, {"halign", "center"}, {"valign", "bottom"},
          {"mlt_service", "dynamictext"}, {"shotcut:filter", "dynamicText"}};
      for (const auto& [name, value] : properties) {
        Property(filter, name, value);
      }
      Print(1);
    }
  }

  // The titles as a video track over the others, written entry by entry.
  void TitlePlaylist(const Lane& lane, const std::string& id) {
    Open(NewPlaylist(true, lane.name, id), 1);
    std::int64_t cursor = 0;
    int producer = lane.firstProducer;
    for (const Placed& title : titles_) {
      if (title.begin > cursor) {
        Attribute(Fresh("blank"), "length", title.begin - cursor);
        Print(2);
      }
      Entry(Fresh("entry"), "producer" + std::to_string(producer++), 0, title.frames);
      Print(2);
      cursor = title.begin + title.frames;
    }
    Close("playlist", 1);
  }

  // A text of the project in a form XML allows, each text with a replaced character counted.
  std::string Safe(const std::string& text) {
    bool replaced = false;
    std::string safe = XmlText(text, replaced);
    if (replaced) {
      notes_.Add(ExportChange::TextReplaced);
    }
    return safe;
  }

  // MLT's stock DV profiles: dv_ntsc, dv_ntsc_wide, dv_pal, dv_pal_wide.
  void Profile(pugi::xml_node mlt) const {
    const bool pal = timeline_.rate.Nominal() == 25;
    const bool wide = timeline_.wide;
    pugi::xml_node profile = mlt.append_child("profile");
    profile.append_attribute("description") =
        pal ? (wide ? "DV/DVD Widescreen PAL" : "DV/DVD PAL") : (wide ? "DV/DVD Widescreen NTSC" : "DV/DVD NTSC");
    Attribute(profile, "width", timeline_.width);
    Attribute(profile, "height", timeline_.height);
    Attribute(profile, "progressive", 0);
    Attribute(profile, "sample_aspect_num", pal ? (wide ? 64 : 16) : (wide ? 32 : 8));
    Attribute(profile, "sample_aspect_den", pal ? (wide ? 45 : 15) : (wide ? 27 : 9));
    Attribute(profile, "display_aspect_num", timeline_.wide ? 16 : 4);
    Attribute(profile, "display_aspect_den", timeline_.wide ? 9 : 3);
    Attribute(profile, "frame_rate_num", timeline_.rate.numerator);
    Attribute(profile, "frame_rate_den", timeline_.rate.denominator);
    Attribute(profile, "colorspace", 601);
  }

  // A playlist (a track), alone in the document.
  pugi::xml_node NewPlaylist(bool video, const std::string& name, const std::string& id) {
    pugi::xml_node playlist = Fresh("playlist");
    playlist.append_attribute("id") = id.c_str();
    Property(playlist, video ? "shotcut:video" : "shotcut:audio", "1");
    Property(playlist, "shotcut:name", name);
    return playlist;
  }

  // A producer of frames [0, end), alone in the document, with the next producer number.
  pugi::xml_node NewProducer(std::int64_t end) {
    const std::string id = "producer" + std::to_string(producerCount_++);
    pugi::xml_node producer = Fresh("producer");
    producer.append_attribute("id") = id.c_str();
    Attribute(producer, "in", 0);
    Attribute(producer, "out", end - 1);
    Property(producer, "length", std::to_string(end));
    Property(producer, "eof", "pause");
    return producer;
  }

  // Writes the producer of a clip that plays up to frame end (exclusive) of it.
  void Producer(const TimelineClip& clip, const Play& play, std::int64_t end) {
    pugi::xml_node producer = NewProducer(end);
    const std::string path = Safe(clip.path);
    switch (clip.media) {
      case MediaKind::Color:
        Property(producer, "resource", "#ff" + clip.colour);
        Property(producer, "mlt_service", "color");
        Property(producer, "mlt_image_format", "rgba");
        break;
      case MediaKind::Still:
        Property(producer, "resource", path);
        Property(producer, "ttl", "1");
        Property(producer, "mlt_service", "pixbuf");
        break;
      case MediaKind::File:
        if (play.speed != 1) {
          Property(producer, "resource", Decimal(play.speed) + ":" + path);
          Property(producer, "mlt_service", "timewarp");
          Property(producer, "warp_speed", Decimal(play.speed));
          Property(producer, "warp_resource", path);
          Property(producer, "warp_pitch", "0");
        } else {
          Property(producer, "resource", path);
          Property(producer, "mlt_service", "avformat-novalidate");
        }
        break;
    }
    if (!clip.hasAudio) {
      Property(producer, "audio_index", "-1");
    }
    Property(producer, "shotcut:caption", Safe(clip.name));
    if (clip.hasLevels) {
      Property(producer, "morvane:levels", LevelText(clip));
    }
    Print(1);
  }

  static void Entry(pugi::xml_node entry, const std::string& producer, std::int64_t in, std::int64_t frames) {
    entry.append_attribute("producer") = producer.c_str();
    Attribute(entry, "in", in);
    Attribute(entry, "out", in + frames - 1);
  }

  static pugi::xml_node Transition(pugi::xml_node tractor, int a, int b, const char* service) {
    pugi::xml_node transition = tractor.append_child("transition");
    Property(transition, "a_track", std::to_string(a));
    Property(transition, "b_track", std::to_string(b));
    Property(transition, "mlt_service", service);
    return transition;
  }

  std::int64_t RateNumerator() const {
    return timeline_.rate.numerator < 1000 ? std::int64_t{timeline_.rate.numerator} * 1000 : timeline_.rate.numerator;
  }

  // The frames past a clip's own that the transition out of it takes.
  static std::int64_t Tail(const TimelineTrackModel& track, std::size_t i) {
    return i + 1 < track.clips.size() && Joined(track.clips[i], track.clips[i + 1])
               ? track.clips[i + 1].transitionDuration
               : 0;
  }

  // Each clip's producer, long enough for the frames a transition out of it takes.
  void TrackProducers(const TimelineTrackModel& track) {
    for (std::size_t i = 0; i < track.clips.size(); ++i) {
      const TimelineClip& clip = track.clips[i];
      const Play play = PlayOf(clip, RateNumerator());
      Producer(clip, play, play.first + clip.duration + Tail(track, i));
    }
  }

  // Writes the tractor of each transition of the track; the tractor's id by the clip it leads
  // into (empty for a clip without one).
  std::vector<std::string> Tractors(const TimelineTrackModel& track, const Lane& lane) {
    std::vector<std::string> tractors(track.clips.size());
    for (std::size_t i = 1; i < track.clips.size(); ++i) {
      const TimelineClip& from = track.clips[i - 1];
      const TimelineClip& clip = track.clips[i];
      if (Joined(from, clip)) {
        tractors[i] = TransitionTractor(clip, ProducerId(lane, i - 1),
                                        PlayOf(from, RateNumerator()).first + from.duration, ProducerId(lane, i),
                                        PlayOf(clip, RateNumerator()).first, clip.transitionDuration);
      }
    }
    return tractors;
  }

  static std::string ProducerId(const Lane& lane, std::size_t i) {
    return "producer" + std::to_string(lane.firstProducer + static_cast<int>(i));
  }

  // Writes the track's playlist, whose transitions are the tractors given.
  void Playlist(const TimelineTrackModel& track, const Lane& lane, const std::string& id,
                const std::vector<std::string>& tractors) {
    pugi::xml_document playlistDocument;
    pugi::xml_node playlist = playlistDocument.append_copy(NewPlaylist(track.video, lane.name, id));
    std::int64_t cursor = 0;
    for (std::size_t i = 0; i < track.clips.size(); ++i) {
      const TimelineClip& clip = track.clips[i];
      std::int64_t in = PlayOf(clip, RateNumerator()).first;
      std::int64_t frames = clip.duration;
      if (clip.recordIn > cursor) {
        Attribute(playlist.append_child("blank"), "length", clip.recordIn - cursor);
      }
      if (!tractors[i].empty()) {
        const std::int64_t d = clip.transitionDuration;
        Entry(playlist.append_child("entry"), tractors[i], 0, d);
        in += d;
        frames -= d;
      }
      if (frames > 0) {
        Entry(playlist.append_child("entry"), ProducerId(lane, i), in, frames);
      }
      cursor = clip.RecordOut();
    }
    playlist.print(output_, "  ", pugi::format_default, pugi::encoding_utf8, 1);
  }

  static bool Joined(const TimelineClip& from, const TimelineClip& to) {
    return to.transition != TransitionKind::None && from.RecordOut() == to.recordIn;
  }

  // Writes the tractor of one transition, which comes before the playlist that plays it.
  std::string TransitionTractor(const TimelineClip& clip,
                                const std::string& from, std::int64_t fromIn, const std::string& to,
                                std::int64_t toIn, std::int64_t frames) {
    const std::string id = "transition" + std::to_string(transitionCount_++);
    pugi::xml_node tractor = Fresh("tractor");
    tractor.append_attribute("id") = id.c_str();
    Attribute(tractor, "in", 0);
    Attribute(tractor, "out", frames - 1);
    Property(tractor, "shotcut:transition", "lumaMix");
    Entry(tractor.append_child("track"), from, fromIn, frames);
    Entry(tractor.append_child("track"), to, toIn, frames);
    pugi::xml_node luma = Transition(tractor, 0, 1, "luma");
    Attribute(luma, "out", frames - 1);
    Property(luma, "factory", "loader");
    Property(luma, "resource", clip.transition == TransitionKind::Wipe ? "%luma01.pgm" : "");
    Property(luma, "softness", "0");
    if (!clip.transitionName.empty()) {
      Property(luma, "morvane:name", Safe(clip.transitionName));
    }
    pugi::xml_node mix = Transition(tractor, 0, 1, "mix");
    Attribute(mix, "out", frames - 1);
    Property(mix, "start", "-1");
    Property(mix, "accepts_blanks", "1");
    Print(1);
    return id;
  }

  const Timeline& timeline_;
  ExportNotes& notes_;
  ListingWriter& out_;
  Output output_;
  pugi::xml_document document_;
  std::vector<std::uint32_t> order_;  // the titles by begin
  std::vector<Placed> titles_;
  int producerCount_ = 0;
  int transitionCount_ = 0;
};

}  // namespace

void WriteMlt(const Timeline& timeline, ExportNotes& notes, ListingWriter& out) { MltWriter(timeline, notes, out).Run(); }

}  // namespace morvane
