#include "interchange/mlt_writer.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>
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
  for (const char c : text) {
    if (c == '#') {
      argument += '\\';
    }
    argument += c;
  }
  return argument;
}

// A text item's own line ends (CR LF, CR) as line feeds, which the text filter breaks lines at.
std::string LineFeeds(const std::string& text) {
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      lines += text[i];
    } else if (i + 1 == text.size() || text[i + 1] != '\n') {
      lines += '\n';
    }
  }
  return lines;
}

class MltWriter {
 public:
  MltWriter(const Timeline& timeline, ExportNotes& notes) : timeline_(timeline), notes_(notes) {}

  std::string Run() {
    const std::vector<Title> titles = Titles();
    std::int64_t length = std::max<std::int64_t>(timeline_.Duration(), 1);
    if (!titles.empty()) {
      length = std::max(length, titles.back().begin + titles.back().frames);
    }
    const std::string name = Safe(timeline_.name);
    pugi::xml_node mlt = document_.append_child("mlt");
    mlt.append_attribute("LC_NUMERIC") = "C";
    mlt.append_attribute("version") = "7.12.0";
    mlt.append_attribute("title") = name.c_str();
    mlt.append_attribute("producer") = "main_bin";
    Profile(mlt);
    pugi::xml_node bin = mlt.append_child("playlist");
    bin.append_attribute("id") = "main_bin";
    Property(bin, "xml_retain", "1");

    pugi::xml_node black = mlt.append_child("producer");
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
    pugi::xml_node background = mlt.append_child("playlist");
    background.append_attribute("id") = "background";
    pugi::xml_node entry = background.append_child("entry");
    entry.append_attribute("producer") = "black";
    Attribute(entry, "in", 0);
    Attribute(entry, "out", length - 1);

    std::vector<std::string> playlists;
    std::vector<bool> video;
    int videoCount = 0;
    int audioCount = 0;
    for (const TimelineTrackModel& track : timeline_.tracks) {
      const std::string name =
          track.video ? "V" + std::to_string(++videoCount) : "A" + std::to_string(++audioCount);
      if (!track.video && !titles.empty() && audioCount == 1) {
        playlists.push_back(TitlePlaylist(mlt, titles));
        video.push_back(true);
      }
      playlists.push_back(Playlist(mlt, track, name));
      video.push_back(track.video);
    }
    if (audioCount == 0 && !titles.empty()) {
      playlists.push_back(TitlePlaylist(mlt, titles));
      video.push_back(true);
    }

    pugi::xml_node tractor = mlt.append_child("tractor");
    tractor.append_attribute("id") = "tractor0";
    tractor.append_attribute("title") = name.c_str();
    tractor.append_attribute("global_feed") = "1";
    Attribute(tractor, "in", 0);
    Attribute(tractor, "out", length - 1);
    Property(tractor, "shotcut", "1");
    tractor.append_child("track").append_attribute("producer") = "background";
    for (std::size_t i = 0; i < playlists.size(); ++i) {
      pugi::xml_node track = tractor.append_child("track");
      track.append_attribute("producer") = playlists[i].c_str();
      if (!video[i]) {
        track.append_attribute("hide") = "video";
      }
    }
    for (std::size_t i = 0; i < playlists.size(); ++i) {
      const int b = static_cast<int>(i) + 1;
      pugi::xml_node mix = Transition(tractor, 0, b, "mix");
      Property(mix, "always_active", "1");
      Property(mix, "sum", "1");
      if (video[i] && b > 1) {
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

    std::ostringstream text;
    document_.save(text, "  ", pugi::format_default, pugi::encoding_utf8);
    return text.str();
  }

 private:
  struct Title {
    std::int64_t begin = 0;
    std::int64_t frames = 0;
    std::string text;  // safe for XML
  };

  // Each title from its begin until the next title, for five seconds at most; titles that begin
  // together become one, their texts one line after another; a title before frame 0 is cut there.
  std::vector<Title> Titles() {
    std::vector<Title> titles;
    std::vector<TimelineTitle> sorted = timeline_.titles;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TimelineTitle& a, const TimelineTitle& b) { return a.begin < b.begin; });
    const std::int64_t longest = 5 * timeline_.rate.Nominal();
    for (const TimelineTitle& title : sorted) {
      if (!titles.empty() && titles.back().begin == title.begin) {
        titles.back().text += "\n" + title.text;
        continue;
      }
      titles.push_back({title.begin, longest, title.text});
    }
    std::vector<Title> placed;
    for (std::size_t i = 0; i < titles.size(); ++i) {
      Title& title = titles[i];
      if (i + 1 < titles.size()) {
        title.frames = std::min(title.frames, titles[i + 1].begin - title.begin);
      }
      if (title.begin < 0) {
        title.frames += title.begin;
        title.begin = 0;
      }
      if (title.frames > 0) {
        title.text = Safe(LineFeeds(title.text));
        placed.push_back(std::move(title));
      }
    }
    return placed;
  }

  // The titles as a video track over the others: each a transparent colour clip with the
  // dynamictext filter (Shotcut's simple text), which draws without a display.
  std::string TitlePlaylist(pugi::xml_node mlt, const std::vector<Title>& titles) {
    std::string id;
    pugi::xml_node playlist = NewPlaylist(mlt, true, "Titles", id);
    std::int64_t cursor = 0;
    for (const Title& title : titles) {
      std::string producerId;
      pugi::xml_node producer = NewProducer(mlt, title.frames, producerId);
      Property(producer, "resource", "#00000000");
      Property(producer, "mlt_service", "color");
      Property(producer, "mlt_image_format", "rgba");
      Property(producer, "shotcut:caption", title.text.substr(0, title.text.find('\n')));
      pugi::xml_node filter = producer.append_child("filter");
      // Shotcut's defaults, white with a black outline at the bottom, in a size for DV.
      const std::pair<const char*, std::string> properties[] = {
          {"argument", TitleArgument(title.text)}, {"geometry", "0%/0%:100%x100%:100"}, {"family", "Sans"},
          {"size", std::to_string(timeline_.height / 10)}, {"weight", "400"}, {"fgcolour", "#ffffffff"},
          {"bgcolour", "#00000000"}, {"olcolour", "#ff000000"}, {"outline", "2"},
          {"pad", std::to_string(timeline_.height / 20)}, {"halign", "center"}, {"valign", "bottom"},
          {"mlt_service", "dynamictext"}, {"shotcut:filter", "dynamicText"}};
      for (const auto& [name, value] : properties) {
        Property(filter, name, value);
      }
      if (title.begin > cursor) {
        Attribute(playlist.append_child("blank"), "length", title.begin - cursor);
      }
      Entry(playlist, "entry", producerId, 0, title.frames);
      cursor = title.begin + title.frames;
    }
    return id;
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

  // A playlist (a track) after the others.
  pugi::xml_node NewPlaylist(pugi::xml_node mlt, bool video, const std::string& name, std::string& id) {
    id = "playlist" + std::to_string(playlistCount_++);
    pugi::xml_node playlist = mlt.append_child("playlist");
    if (!firstPlaylist_) {
      firstPlaylist_ = playlist;
    }
    playlist.append_attribute("id") = id.c_str();
    Property(playlist, video ? "shotcut:video" : "shotcut:audio", "1");
    Property(playlist, "shotcut:name", name);
    return playlist;
  }

  // A producer of frames [0, end), before the playlists that play it.
  pugi::xml_node NewProducer(pugi::xml_node mlt, std::int64_t end, std::string& id) {
    id = "producer" + std::to_string(producerCount_++);
    pugi::xml_node producer = mlt.insert_child_before("producer", firstPlaylist_);
    producer.append_attribute("id") = id.c_str();
    Attribute(producer, "in", 0);
    Attribute(producer, "out", end - 1);
    Property(producer, "length", std::to_string(end));
    Property(producer, "eof", "pause");
    return producer;
  }

  // One producer for a clip that plays up to frame end (exclusive) of it.
  std::string Producer(pugi::xml_node mlt, const TimelineClip& clip, const Play& play, std::int64_t end) {
    std::string id;
    pugi::xml_node producer = NewProducer(mlt, end, id);
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
    return id;
  }

  static void Entry(pugi::xml_node parent, const char* element, const std::string& producer, std::int64_t in,
                    std::int64_t frames) {
    pugi::xml_node entry = parent.append_child(element);
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

  std::string Playlist(pugi::xml_node mlt, const TimelineTrackModel& track, const std::string& name) {
    const std::int64_t rateNumerator =
        timeline_.rate.numerator < 1000 ? std::int64_t{timeline_.rate.numerator} * 1000 : timeline_.rate.numerator;
    std::string id;
    pugi::xml_node playlist = NewPlaylist(mlt, track.video, name, id);

    // Each clip's producer first, long enough for the frames a transition out of it takes.
    std::vector<std::string> producers;
    std::vector<Play> plays;
    for (std::size_t i = 0; i < track.clips.size(); ++i) {
      const TimelineClip& clip = track.clips[i];
      std::int64_t tail = 0;
      if (i + 1 < track.clips.size() && Joined(clip, track.clips[i + 1])) {
        tail = track.clips[i + 1].transitionDuration;
      }
      plays.push_back(PlayOf(clip, rateNumerator));
      producers.push_back(Producer(mlt, clip, plays.back(), plays.back().first + clip.duration + tail));
    }

    std::int64_t cursor = 0;
    for (std::size_t i = 0; i < track.clips.size(); ++i) {
      const TimelineClip& clip = track.clips[i];
      std::int64_t in = plays[i].first;
      std::int64_t frames = clip.duration;
      if (clip.recordIn > cursor) {
        Attribute(playlist.append_child("blank"), "length", clip.recordIn - cursor);
      }
      if (i > 0 && Joined(track.clips[i - 1], clip)) {
        const TimelineClip& from = track.clips[i - 1];
        const std::int64_t d = clip.transitionDuration;
        const std::string luma = TransitionTractor(mlt, playlist, clip, producers[i - 1],
                                                   plays[i - 1].first + from.duration, producers[i], in, d);
        Entry(playlist, "entry", luma, 0, d);
        in += d;
        frames -= d;
      }
      if (frames > 0) {
        Entry(playlist, "entry", producers[i], in, frames);
      }
      cursor = clip.RecordOut();
    }
    return id;
  }

  static bool Joined(const TimelineClip& from, const TimelineClip& to) {
    return to.transition != TransitionKind::None && from.RecordOut() == to.recordIn;
  }

  // The tractor of one transition, placed before the playlist that plays it.
  std::string TransitionTractor(pugi::xml_node mlt, pugi::xml_node playlist, const TimelineClip& clip,
                                const std::string& from, std::int64_t fromIn, const std::string& to,
                                std::int64_t toIn, std::int64_t frames) {
    const std::string id = "transition" + std::to_string(transitionCount_++);
    pugi::xml_node tractor = mlt.insert_child_before("tractor", playlist);
    tractor.append_attribute("id") = id.c_str();
    Attribute(tractor, "in", 0);
    Attribute(tractor, "out", frames - 1);
    Property(tractor, "shotcut:transition", "lumaMix");
    Entry(tractor, "track", from, fromIn, frames);
    Entry(tractor, "track", to, toIn, frames);
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
    return id;
  }

  const Timeline& timeline_;
  ExportNotes& notes_;
  pugi::xml_document document_;
  pugi::xml_node firstPlaylist_;
  int producerCount_ = 0;
  int playlistCount_ = 0;
  int transitionCount_ = 0;
};

}  // namespace

std::string WriteMlt(const Timeline& timeline, ExportNotes& notes) { return MltWriter(timeline, notes).Run(); }

}  // namespace morvane
