#include "interchange/mlt_writer.h"

#include <pugixml.hpp>
#include <sstream>

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

class MltWriter {
 public:
  explicit MltWriter(const Timeline& timeline) : timeline_(timeline) {}

  std::string Run() {
    const std::int64_t length = std::max<std::int64_t>(timeline_.Duration(), 1);
    pugi::xml_node mlt = document_.append_child("mlt");
    mlt.append_attribute("LC_NUMERIC") = "C";
    mlt.append_attribute("version") = "7.12.0";
    mlt.append_attribute("title") = timeline_.name.c_str();
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
      playlists.push_back(Playlist(mlt, track, name));
      video.push_back(track.video);
    }

    pugi::xml_node tractor = mlt.append_child("tractor");
    tractor.append_attribute("id") = "tractor0";
    tractor.append_attribute("title") = timeline_.name.c_str();
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
    int lastVideo = 0;
    for (std::size_t i = 0; i < playlists.size(); ++i) {
      const int b = static_cast<int>(i) + 1;
      pugi::xml_node mix = Transition(tractor, 0, b, "mix");
      Property(mix, "always_active", "1");
      Property(mix, "sum", "1");
      if (video[i]) {
        if (lastVideo > 0) {
          // composite needs no display, unlike qtblend; blanks of the upper track show the lower.
          pugi::xml_node blend = Transition(tractor, lastVideo, b, "composite");
          Property(blend, "fill", "1");
        }
        lastVideo = b;
      }
    }

    std::ostringstream text;
    document_.save(text, "  ", pugi::format_default, pugi::encoding_utf8);
    return text.str();
  }

 private:
  void Profile(pugi::xml_node mlt) const {
    const bool pal = timeline_.rate.Nominal() == 25;
    pugi::xml_node profile = mlt.append_child("profile");
    profile.append_attribute("description") = pal ? "DV PAL" : "DV NTSC";
    Attribute(profile, "width", timeline_.width);
    Attribute(profile, "height", timeline_.height);
    Attribute(profile, "progressive", 0);
    // DV pixels: 10/11 (NTSC 4:3), 40/33 (NTSC 16:9), 12/11 (PAL 4:3), 16/11 (PAL 16:9).
    Attribute(profile, "sample_aspect_num", pal ? (timeline_.wide ? 16 : 12) : (timeline_.wide ? 40 : 10));
    Attribute(profile, "sample_aspect_den", pal ? 11 : (timeline_.wide ? 33 : 11));
    Attribute(profile, "display_aspect_num", timeline_.wide ? 16 : 4);
    Attribute(profile, "display_aspect_den", timeline_.wide ? 9 : 3);
    Attribute(profile, "frame_rate_num", timeline_.rate.numerator);
    Attribute(profile, "frame_rate_den", timeline_.rate.denominator);
    Attribute(profile, "colorspace", 601);
  }

  // The producer's frame for the clip's first frame: a half-speed producer counts its own
  // frames, two for each media frame.
  static std::int64_t FirstFrame(const TimelineClip& clip) {
    if (clip.media != MediaKind::File) {
      return 0;
    }
    return clip.halfSpeed ? 2 * clip.sourceIn : clip.sourceIn;
  }

  // One producer for a clip that plays up to frame end (exclusive) of it.
  std::string Producer(pugi::xml_node mlt, const TimelineClip& clip, std::int64_t end) {
    const std::string id = "producer" + std::to_string(producerCount_++);
    pugi::xml_node producer = mlt.insert_child_before("producer", firstPlaylist_);
    producer.append_attribute("id") = id.c_str();
    Attribute(producer, "in", 0);
    Attribute(producer, "out", end - 1);
    Property(producer, "length", std::to_string(end));
    Property(producer, "eof", "pause");
    switch (clip.media) {
      case MediaKind::Color:
        Property(producer, "resource", "#ff" + clip.colour);
        Property(producer, "mlt_service", "color");
        Property(producer, "mlt_image_format", "rgba");
        break;
      case MediaKind::Still:
        Property(producer, "resource", clip.path);
        Property(producer, "ttl", "1");
        Property(producer, "mlt_service", "pixbuf");
        break;
      case MediaKind::File:
        if (clip.halfSpeed) {
          Property(producer, "resource", "0.5:" + clip.path);
          Property(producer, "mlt_service", "timewarp");
          Property(producer, "warp_speed", "0.5");
          Property(producer, "warp_resource", clip.path);
          Property(producer, "warp_pitch", "0");
        } else {
          Property(producer, "resource", clip.path);
          Property(producer, "mlt_service", "avformat-novalidate");
        }
        break;
    }
    if (!clip.hasAudio) {
      Property(producer, "audio_index", "-1");
    }
    Property(producer, "shotcut:caption", clip.name);
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
    const std::string id = "playlist" + std::to_string(playlistCount_++);
    pugi::xml_node playlist = mlt.append_child("playlist");
    if (!firstPlaylist_) {
      firstPlaylist_ = playlist;
    }
    playlist.append_attribute("id") = id.c_str();
    Property(playlist, track.video ? "shotcut:video" : "shotcut:audio", "1");
    Property(playlist, "shotcut:name", name);

    // Each clip's producer first, long enough for the frames a transition out of it takes.
    std::vector<std::string> producers;
    for (std::size_t i = 0; i < track.clips.size(); ++i) {
      const TimelineClip& clip = track.clips[i];
      std::int64_t tail = 0;
      if (i + 1 < track.clips.size() && Joined(clip, track.clips[i + 1])) {
        tail = track.clips[i + 1].transitionDuration;
      }
      producers.push_back(Producer(mlt, clip, FirstFrame(clip) + clip.duration + tail));
    }

    std::int64_t cursor = 0;
    for (std::size_t i = 0; i < track.clips.size(); ++i) {
      const TimelineClip& clip = track.clips[i];
      std::int64_t in = FirstFrame(clip);
      std::int64_t frames = clip.duration;
      if (clip.recordIn > cursor) {
        Attribute(playlist.append_child("blank"), "length", clip.recordIn - cursor);
      }
      if (i > 0 && Joined(track.clips[i - 1], clip)) {
        const TimelineClip& from = track.clips[i - 1];
        const std::int64_t d = clip.transitionDuration;
        const std::string luma = TransitionTractor(mlt, playlist, clip, producers[i - 1],
                                                   FirstFrame(from) + from.duration, producers[i], in, d);
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
      Property(luma, "morvane:name", clip.transitionName);
    }
    pugi::xml_node mix = Transition(tractor, 0, 1, "mix");
    Attribute(mix, "out", frames - 1);
    Property(mix, "start", "-1");
    Property(mix, "accepts_blanks", "1");
    return id;
  }

  const Timeline& timeline_;
  pugi::xml_document document_;
  pugi::xml_node firstPlaylist_;
  int producerCount_ = 0;
  int playlistCount_ = 0;
  int transitionCount_ = 0;
};

}  // namespace

std::string WriteMlt(const Timeline& timeline, ExportNotes& /*notes*/) { return MltWriter(timeline).Run(); }

}  // namespace morvane
