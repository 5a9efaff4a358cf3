#include "interchange/kdenlive_writer.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "interchange/mlt_writer.h"
#include "interchange/title_placement.h"
#include "interchange/xml_stream.h"

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

constexpr const char* kIndent = " ";
constexpr const char* kInternal = "237";  // Kdenlive's mark of what it adds itself
// Kdenlive's left-to-right wipe, where its Debian package installs it.
constexpr const char* kWipeFile = "/usr/share/kdenlive/lumas/PAL/linear_x.pgm";

// The clip categories of Kdenlive's bin.
constexpr int kClipAudio = 1;
constexpr int kClipAv = 3;
constexpr int kClipColor = 4;
constexpr int kClipImage = 5;
constexpr int kClipText = 6;

// A clip of the bin: a media file, a still, a colour.
struct BinClip {
  int id = 0;  // kdenlive:id
  const TimelineClip* first = nullptr;
  std::int64_t length = 1;
  bool audio = false;  // some clip of it is heard
  bool video = false;  // some clip of it is seen
};

// A track of Kdenlive: the clips of a timeline track, their pictures or their sound.
struct KTrack {
  const TimelineTrackModel* track = nullptr;  // nullptr: the titles
  bool audio = false;
  std::string name;
  std::vector<const TimelineClip*> clips;
};

class KdenliveWriter {
 public:
  KdenliveWriter(const Timeline& timeline, ExportNotes& notes, ListingWriter& out)
      : timeline_(timeline), notes_(notes), out_(out), xml_(out, pugi::format_default, kIndent) {}

  void Run() {
    length_ = std::max<std::int64_t>(timeline_.Duration(), 1);
    if (!titles_.empty()) {
      length_ = std::max(length_, titles_.back().begin + titles_.back().frames);
    }
    CollectBin();
    MakeTracks();

    out_.WriteText("<?xml version='1.0' encoding='utf-8'?>\n");
    pugi::xml_node mlt = xml_.Fresh("mlt");
    mlt.append_attribute("LC_NUMERIC") = "C";
    mlt.append_attribute("producer") = "main_bin";
    mlt.append_attribute("version") = "7.12.0";
    xml_.Open(mlt, 0);
    Profile();
    xml_.Print(1);
    for (const auto& entry : bin_) {
      BinProducer(entry.second);
    }
    TitleProducers();
    MainBin();
    Black();

    int filter = 0;
    int playlist = 0;
    for (std::size_t t = 0; t < tracks_.size(); ++t) {
      TrackPlaylists(tracks_[t], playlist);
      TrackTractor(tracks_[t], static_cast<int>(t), playlist, filter);
      playlist += 2;
    }
    MainTractor(filter);
    out_.WriteText("</mlt>\n");
  }

 private:

  std::string Safe(std::string_view text) { return SafeXml(text, notes_); }

  bool Pal() const { return timeline_.rate.Nominal() == 25; }

  std::string ProfileName() const {
    return std::string(Pal() ? "dv_pal" : "dv_ntsc") + (timeline_.wide ? "_wide" : "");
  }

  // MLT's stock DV profile, its attributes in Kdenlive's order.
  void Profile() {
    const bool pal = Pal();
    const bool wide = timeline_.wide;
    pugi::xml_node profile = xml_.Fresh("profile");
    Attribute(profile, "frame_rate_num", timeline_.rate.numerator);
    Attribute(profile, "sample_aspect_num", pal ? (wide ? 64 : 16) : (wide ? 32 : 8));
    Attribute(profile, "display_aspect_den", wide ? 9 : 3);
    Attribute(profile, "colorspace", 601);
    Attribute(profile, "progressive", 0);
    profile.append_attribute("description") =
        pal ? (wide ? "DV/DVD Widescreen PAL" : "DV/DVD PAL") : (wide ? "DV/DVD Widescreen NTSC" : "DV/DVD NTSC");
    Attribute(profile, "display_aspect_num", wide ? 16 : 4);
    Attribute(profile, "frame_rate_den", timeline_.rate.denominator);
    Attribute(profile, "width", timeline_.width);
    Attribute(profile, "height", timeline_.height);
    Attribute(profile, "sample_aspect_den", pal ? (wide ? 45 : 15) : (wide ? 27 : 9));
  }

  std::int64_t RateNumerator() const {
    return timeline_.rate.numerator < 1000 ? std::int64_t{timeline_.rate.numerator} * 1000 : timeline_.rate.numerator;
  }

  static bool Joined(const TimelineClip& from, const TimelineClip& to) {
    return to.transition != TransitionKind::None && from.RecordOut() == to.recordIn;
  }

  static std::string KeyOf(const TimelineClip& clip) {
    return clip.media == MediaKind::Color ? "#" + clip.colour : (clip.media == MediaKind::Still ? "s" : "f") + clip.path;
  }

  // The frames past a clip's own that the transition out of it takes, in its list.
  static std::int64_t Tail(const std::vector<const TimelineClip*>& clips, std::size_t i) {
    return i + 1 < clips.size() && Joined(*clips[i], *clips[i + 1]) ? clips[i + 1]->transitionDuration : 0;
  }

  // One bin clip per media, long enough for every clip of it.
  void CollectBin() {
    for (const TimelineTrackModel& track : timeline_.tracks) {
      for (std::size_t i = 0; i < track.clips.size(); ++i) {
        const TimelineClip& clip = track.clips[i];
        BinClip& bin = bin_[KeyOf(clip)];
        if (bin.first == nullptr) {
          bin.first = &clip;
        }
        const std::int64_t tail =
            i + 1 < track.clips.size() && Joined(clip, track.clips[i + 1]) ? track.clips[i + 1].transitionDuration : 0;
        const MltPlay play = MltPlayOf(clip, RateNumerator());
        const auto end = static_cast<std::int64_t>(
            std::ceil(static_cast<double>(play.first + clip.duration + tail) * play.speed)) + 1;
        bin.length = std::max(bin.length, play.speed == 1 ? play.first + clip.duration + tail : end);
        bin.audio = bin.audio || (clip.hasAudio && track.video) || !track.video;
        bin.video = bin.video || track.video;
      }
    }
    int id = 2;
    for (auto& [key, bin] : bin_) {
      bin.id = id++;
    }
  }

  // Kdenlive's tracks bottom first: every sound under every picture, the titles on top.
  void MakeTracks() {
    for (auto track = timeline_.tracks.rbegin(); track != timeline_.tracks.rend(); ++track) {
      KTrack sound{&*track, true, track->video ? track->Name() + " sound" : track->Name(), {}};
      for (const TimelineClip& clip : track->clips) {
        if (clip.hasAudio || !track->video) {
          sound.clips.push_back(&clip);
        }
      }
      if (!sound.clips.empty() || !track->video) {
        tracks_.push_back(std::move(sound));
      }
    }
    for (const TimelineTrackModel& track : timeline_.tracks) {
      if (track.video) {
        KTrack picture{&track, false, track.Name(), {}};
        for (const TimelineClip& clip : track.clips) {
          picture.clips.push_back(&clip);
        }
        tracks_.push_back(std::move(picture));
      }
    }
    if (!titles_.empty()) {
      tracks_.push_back({nullptr, false, "Titles", {}});
    }
  }

  std::string BinId(const TimelineClip& clip) const { return std::to_string(bin_.at(KeyOf(clip)).id); }

  static std::string ClipName(const TimelineClip& clip) {
    return clip.media == MediaKind::Color ? "Color " + clip.colour : clip.name;
  }

  void BinProducer(const BinClip& bin) {
    const TimelineClip& clip = *bin.first;
    pugi::xml_node producer = xml_.Fresh("producer");
    producer.append_attribute("id") = ("producer" + std::to_string(bin.id)).c_str();
    Attribute(producer, "in", 0);
    Attribute(producer, "out", bin.length - 1);
    Property(producer, "length", std::to_string(bin.length));
    Property(producer, "eof", "pause");
    const std::string path = Safe(clip.path);
    int type = kClipAv;
    switch (clip.media) {
      case MediaKind::Color:
        Property(producer, "resource", "0x" + clip.colour + "ff");
        Property(producer, "aspect_ratio", "1");
        Property(producer, "mlt_service", "color");
        Property(producer, "mlt_image_format", "rgb");
        type = kClipColor;
        break;
      case MediaKind::Still:
        Property(producer, "resource", path);
        Property(producer, "ttl", "25");
        Property(producer, "aspect_ratio", "1");
        Property(producer, "mlt_service", "qimage");
        type = kClipImage;
        break;
      case MediaKind::File:
        Property(producer, "resource", path);
        Property(producer, "mlt_service", "avformat-novalidate");
        Property(producer, "seekable", "1");
        type = bin.video ? kClipAv : kClipAudio;
        break;
    }
    Property(producer, "kdenlive:clipname", Safe(ClipName(clip)));
    Property(producer, "kdenlive:clip_type", std::to_string(type));
    Property(producer, "kdenlive:folderid", "-1");
    Property(producer, "kdenlive:id", std::to_string(bin.id));
    xml_.Print(1);
  }

  // A Kdenlive title: one text item, white with a black outline, centred at the bottom.
  std::string TitleDocument(const std::string& text, std::int64_t frames) const {
    pugi::xml_document title;
    pugi::xml_node root = title.append_child("kdenlivetitle");
    Attribute(root, "duration", frames);
    root.append_attribute("LC_NUMERIC") = "C";
    Attribute(root, "width", timeline_.width);
    Attribute(root, "height", timeline_.height);
    Attribute(root, "out", frames - 1);
    pugi::xml_node item = root.append_child("item");
    item.append_attribute("type") = "QGraphicsTextItem";
    item.append_attribute("z-index") = "0";
    const std::int64_t size = timeline_.height / 10;
    const std::int64_t pad = timeline_.height / 20;
    const std::int64_t lines = 1 + std::count(text.begin(), text.end(), '\n');
    const std::int64_t boxHeight = lines * size * 5 / 4;
    pugi::xml_node position = item.append_child("position");
    Attribute(position, "x", pad);
    Attribute(position, "y", timeline_.height - pad - boxHeight);
    position.append_child("transform").text() = "1,0,0,0,1,0,0,0,1";
    pugi::xml_node content = item.append_child("content");
    const std::pair<const char*, std::string> attributes[] = {
        {"shadow", "0;#64000000;3;3;3"}, {"font-underline", "0"}, {"box-height", std::to_string(boxHeight)},
        {"font-outline-color", "0,0,0,255"}, {"font", "DejaVu Sans"}, {"letter-spacing", "0"},
        {"font-pixel-size", std::to_string(size)}, {"font-italic", "0"}, {"typewriter", "0;2;1;0;0"},
        {"alignment", "4"}, {"font-weight", "400"}, {"font-outline", "2"},
        {"box-width", std::to_string(timeline_.width - 2 * pad)}, {"font-color", "255,255,255,255"},
        {"line-spacing", "0"}};
    for (const auto& [name, value] : attributes) {
      content.append_attribute(name) = value.c_str();
    }
    content.text() = text.c_str();
    const std::string rect = "0,0," + std::to_string(timeline_.width) + "," + std::to_string(timeline_.height);
    root.append_child("startviewport").append_attribute("rect") = rect.c_str();
    root.append_child("endviewport").append_attribute("rect") = rect.c_str();
    root.append_child("background").append_attribute("color") = "0,0,0,0";
    std::string xml;
    ListingWriter writer(xml);
    XmlOutput output(writer);
    title.save(output, kIndent, pugi::format_default | pugi::format_no_declaration, pugi::encoding_utf8);
    writer.Flush();
    return xml;
  }

  int TitleId(std::size_t i) const { return static_cast<int>(bin_.size() + 2 + i); }

  void TitleProducers() {
    for (std::size_t i = 0; i < titles_.size(); ++i) {
      const PlacedTitle& title = titles_[i];
      const std::string text = SafeXmlLines(placement_.Joined(title, notes_), notes_);
      pugi::xml_node producer = xml_.Fresh("producer");
      producer.append_attribute("id") = ("producer" + std::to_string(TitleId(i))).c_str();
      Attribute(producer, "in", 0);
      Attribute(producer, "out", title.frames - 1);
      Property(producer, "length", std::to_string(title.frames));
      Property(producer, "eof", "pause");
      Property(producer, "resource", "");
      Property(producer, "meta.media.progressive", "1");
      Property(producer, "aspect_ratio", "1");
      Property(producer, "seekable", "1");
      Property(producer, "mlt_service", "kdenlivetitle");
      Property(producer, "kdenlive:clipname", text.substr(0, text.find('\n')));
      Property(producer, "xmldata", TitleDocument(text, title.frames));
      Property(producer, "kdenlive:clip_type", std::to_string(kClipText));
      Property(producer, "kdenlive:folderid", "-1");
      Property(producer, "kdenlive:id", std::to_string(TitleId(i)));
      Property(producer, "force_reload", "0");
      xml_.Print(1);
    }
  }

  // The bin: the document's properties as Kdenlive 22.12 keeps them, and an entry per clip.
  void MainBin() {
    pugi::xml_node bin = xml_.Fresh("playlist");
    bin.append_attribute("id") = "main_bin";
    const std::pair<const char*, std::string> properties[] = {
        {"activeTrack", std::to_string(tracks_.size())},
        {"audioChannels", "2"},
        {"audioTarget", "-1"},
        {"compositing", "1"},
        {"disablepreview", "0"},
        {"documentid", "1"},
        {"enableTimelineZone", "0"},
        {"enableexternalproxy", "0"},
        {"enableproxy", "0"},
        {"externalproxyparams", ""},
        {"generateimageproxy", "0"},
        {"generateproxy", "0"},
        {"kdenliveversion", "22.12.3"},
        {"position", "0"},
        {"previewextension", ""},
        {"previewparameters", ""},
        {"profile", ProfileName()},
        {"proxyextension", ""},
        {"proxyimageminsize", "2000"},
        {"proxyimagesize", "800"},
        {"proxyminsize", "1000"},
        {"proxyparams", ""},
        {"proxyresize", "640"},
        {"scrollPos", "0"},
        {"seekOffset", "30000"},
        {"version", "1.04"},
        {"verticalzoom", "1"},
        {"videoTarget", "-1"},
        {"zonein", "0"},
        {"zoneout", std::to_string(length_)},
        {"zoom", "8"},
    };
    for (const auto& [name, value] : properties) {
      Property(bin, ("kdenlive:docproperties." + std::string(name)).c_str(), value);
    }
    Property(bin, "kdenlive:expandedFolders", "");
    Property(bin, "kdenlive:documentnotes", "");
    Property(bin, "kdenlive:docproperties.groups", "[]");
    Property(bin, "xml_retain", "1");
    xml_.Open(bin, 1);
    for (const auto& entry : bin_) {
      BinEntry(entry.second.id, entry.second.length);
    }
    for (std::size_t i = 0; i < titles_.size(); ++i) {
      BinEntry(TitleId(i), titles_[i].frames);
    }
    xml_.Close("playlist", 1);
  }

  void BinEntry(int id, std::int64_t length) {
    pugi::xml_node entry = xml_.Fresh("entry");
    entry.append_attribute("producer") = ("producer" + std::to_string(id)).c_str();
    Attribute(entry, "in", 0);
    Attribute(entry, "out", length - 1);
    xml_.Print(2);
  }

  void Black() {
    pugi::xml_node black = xml_.Fresh("producer");
    black.append_attribute("id") = "black_track";
    Attribute(black, "in", 0);
    Attribute(black, "out", length_ - 1);
    Property(black, "length", "2147483647");
    Property(black, "eof", "continue");
    Property(black, "resource", "black");
    Property(black, "aspect_ratio", "1");
    Property(black, "mlt_service", "color");
    Property(black, "mlt_image_format", "rgba");
    Property(black, "set.test_audio", "0");
    xml_.Print(1);
  }

  // The playlist (0 or 1) of each clip of a track: a clip a transition leads into lies on the
  // other one than the clip before it.
  static std::vector<int> Sides(const std::vector<const TimelineClip*>& clips) {
    std::vector<int> sides(clips.size());
    for (std::size_t i = 1; i < clips.size(); ++i) {
      sides[i] = Joined(*clips[i - 1], *clips[i]) ? 1 - sides[i - 1] : 0;
    }
    return sides;
  }

  std::string TimewarpId(int track, std::size_t i) const {
    return "timewarp" + std::to_string(track) + "_" + std::to_string(i);
  }

  // A half-speed clip's own producer, as Kdenlive makes one per clip.
  void Timewarp(const TimelineClip& clip, const MltPlay& play, const std::string& id, std::int64_t end, bool audio) {
    const std::string path = Safe(clip.path);
    pugi::xml_node producer = xml_.Fresh("producer");
    producer.append_attribute("id") = id.c_str();
    Attribute(producer, "in", 0);
    Attribute(producer, "out", end - 1);
    Property(producer, "length", std::to_string(end));
    Property(producer, "eof", "pause");
    Property(producer, "resource", Decimal(play.speed) + ":" + path);
    Property(producer, "warp_speed", Decimal(play.speed));
    Property(producer, "warp_resource", path);
    Property(producer, "warp_pitch", "0");
    Property(producer, "mlt_service", "timewarp");
    Property(producer, "kdenlive:id", BinId(clip));
    Property(producer, "set.test_audio", audio ? "0" : "1");
    Property(producer, "set.test_image", audio ? "1" : "0");
    xml_.Print(1);
  }

  // The track's producers of its own (half speed), then its two playlists.
  void TrackPlaylists(const KTrack& track, int first) {
    const int number = first / 2;
    if (track.track == nullptr) {
      TitlePlaylist(first);
      pugi::xml_node other = xml_.Fresh("playlist");
      other.append_attribute("id") = ("playlist" + std::to_string(first + 1)).c_str();
      xml_.Print(1);
      return;
    }
    const std::vector<const TimelineClip*>& clips = track.clips;
    std::vector<MltPlay> plays;
    plays.reserve(clips.size());
    for (std::size_t i = 0; i < clips.size(); ++i) {
      plays.push_back(MltPlayOf(*clips[i], RateNumerator()));
      if (plays[i].speed != 1) {
        Timewarp(*clips[i], plays[i], TimewarpId(number, i), plays[i].first + clips[i]->duration + Tail(clips, i),
                 track.audio);
      }
    }
    const std::vector<int> sides = Sides(clips);
    for (int side = 0; side < 2; ++side) {
      pugi::xml_node playlist = xml_.Fresh("playlist");
      playlist.append_attribute("id") = ("playlist" + std::to_string(first + side)).c_str();
      if (track.audio) {
        Property(playlist, "kdenlive:audio_track", "1");
      }
      xml_.Open(playlist, 1);
      std::int64_t cursor = 0;
      for (std::size_t i = 0; i < clips.size(); ++i) {
        if (sides[i] != side) {
          continue;
        }
        const TimelineClip& clip = *clips[i];
        if (clip.recordIn > cursor) {
          Attribute(xml_.Fresh("blank"), "length", clip.recordIn - cursor);
          xml_.Print(2);
        }
        const std::int64_t frames = clip.duration + Tail(clips, i);
        pugi::xml_node entry = xml_.Fresh("entry");
        entry.append_attribute("producer") =
            (plays[i].speed != 1 ? TimewarpId(number, i) : "producer" + BinId(clip)).c_str();
        Attribute(entry, "in", plays[i].first);
        Attribute(entry, "out", plays[i].first + frames - 1);
        Property(entry, "kdenlive:id", BinId(clip));
        if (clip.hasLevels) {
          std::string levels = "in=" + std::to_string(clip.levelIn) + ",out=" + std::to_string(clip.levelOut);
          for (const LevelPoint& point : clip.levelPoints) {
            levels += "," + std::to_string(point.position) + "=" + std::to_string(point.value);
          }
          Property(entry, "morvane:levels", levels);
        }
        xml_.Print(2);
        cursor = clip.recordIn + frames;
      }
      xml_.Close("playlist", 1);
    }
  }

  void TitlePlaylist(int first) {
    pugi::xml_node playlist = xml_.Fresh("playlist");
    playlist.append_attribute("id") = ("playlist" + std::to_string(first)).c_str();
    xml_.Open(playlist, 1);
    std::int64_t cursor = 0;
    for (std::size_t i = 0; i < titles_.size(); ++i) {
      const PlacedTitle& title = titles_[i];
      if (title.begin > cursor) {
        Attribute(xml_.Fresh("blank"), "length", title.begin - cursor);
        xml_.Print(2);
      }
      pugi::xml_node entry = xml_.Fresh("entry");
      entry.append_attribute("producer") = ("producer" + std::to_string(TitleId(i))).c_str();
      Attribute(entry, "in", 0);
      Attribute(entry, "out", title.frames - 1);
      Property(entry, "kdenlive:id", std::to_string(TitleId(i)));
      xml_.Print(2);
      cursor = title.begin + title.frames;
    }
    xml_.Close("playlist", 1);
  }

  static pugi::xml_node Transition(pugi::xml_node parent, int a, int b, const char* service) {
    pugi::xml_node transition = parent.append_child("transition");
    Property(transition, "a_track", std::to_string(a));
    Property(transition, "b_track", std::to_string(b));
    Property(transition, "mlt_service", service);
    return transition;
  }

  // A track's tractor: Kdenlive's track properties, its two playlists, its mixes and, for sound,
  // the level and balance filters Kdenlive keeps on every audio track.
  void TrackTractor(const KTrack& track, int number, int first, int& filter) {
    pugi::xml_node tractor = xml_.Fresh("tractor");
    tractor.append_attribute("id") = ("tractor" + std::to_string(number)).c_str();
    Attribute(tractor, "in", 0);
    Attribute(tractor, "out", length_ - 1);
    if (track.audio) {
      Property(tractor, "kdenlive:audio_track", "1");
    }
    Property(tractor, "kdenlive:track_name", Safe(track.name));
    Property(tractor, "kdenlive:trackheight", "74");
    Property(tractor, "kdenlive:timeline_active", "1");
    Property(tractor, "kdenlive:collapsed", "0");
    Property(tractor, "kdenlive:thumbs_format", "");
    Property(tractor, "kdenlive:audio_rec", "");
    for (int side = 0; side < 2; ++side) {
      pugi::xml_node item = tractor.append_child("track");
      item.append_attribute("hide") = track.audio ? "video" : "audio";
      item.append_attribute("producer") = ("playlist" + std::to_string(first + side)).c_str();
    }
    xml_.Open(tractor, 1);
    const std::vector<int> sides = Sides(track.clips);
    for (std::size_t i = 1; i < track.clips.size(); ++i) {
      const TimelineClip& clip = *track.clips[i];
      if (!Joined(*track.clips[i - 1], clip)) {
        continue;
      }
      pugi::xml_node mix = xml_.Fresh("transition");
      Attribute(mix, "in", clip.recordIn);
      Attribute(mix, "out", clip.recordIn + clip.transitionDuration - 1);
      Property(mix, "a_track", "0");
      Property(mix, "b_track", "1");
      if (track.audio) {
        Property(mix, "start", "-1");
        Property(mix, "accepts_blanks", "1");
        Property(mix, "mlt_service", "mix");
        Property(mix, "kdenlive_id", "mix");
      } else {
        const bool wipe = clip.transition == TransitionKind::Wipe;
        Property(mix, "factory", "loader");
        Property(mix, "resource", wipe ? kWipeFile : "");
        Property(mix, "softness", "0");
        Property(mix, "mlt_service", "luma");
        Property(mix, "kdenlive_id", wipe ? "luma" : "dissolve");
        Property(mix, "alpha_over", "1");
        Property(mix, "fix_background_alpha", "1");
      }
      Property(mix, "reverse", sides[i] == 0 ? "1" : "0");
      Property(mix, "kdenlive:mixcut", "0");
      if (!clip.transitionName.empty()) {
        Property(mix, "morvane:name", Safe(clip.transitionName));
      }
      xml_.Print(2);
    }
    if (track.audio) {
      AudioFilters(filter, true);
    }
    xml_.Close("tractor", 1);
  }

  // Kdenlive's volume and balance filters, off until used, and on a track its level meter.
  void AudioFilters(int& filter, bool meter) {
    const std::vector<std::pair<const char*, const char*>> filters[] = {
        {{"window", "75"}, {"max_gain", "20dB"}, {"mlt_service", "volume"}, {"internal_added", kInternal},
         {"disable", "1"}},
        {{"channel", "-1"}, {"mlt_service", "panner"}, {"internal_added", kInternal}, {"start", "0.5"},
         {"disable", "1"}},
        {{"iec_scale", "0"}, {"mlt_service", "audiolevel"}, {"dbpeak", "1"}, {"disable", "1"}}};
    for (const auto& properties : filters) {
      if (meter || &properties != &filters[2]) {
        pugi::xml_node node = xml_.Fresh("filter");
        node.append_attribute("id") = ("filter" + std::to_string(filter++)).c_str();
        for (const auto& [name, value] : properties) {
          Property(node, name, value);
        }
        xml_.Print(2);
      }
    }
  }

  // The timeline: the black background and every track, each sound mixed and each picture
  // laid over the ones below as Kdenlive does.
  void MainTractor(int filter) {
    pugi::xml_node tractor = xml_.Fresh("tractor");
    tractor.append_attribute("id") = ("tractor" + std::to_string(tracks_.size())).c_str();
    tractor.append_attribute("global_feed") = "1";
    Attribute(tractor, "in", 0);
    Attribute(tractor, "out", length_ - 1);
    tractor.append_child("track").append_attribute("producer") = "black_track";
    for (std::size_t t = 0; t < tracks_.size(); ++t) {
      tractor.append_child("track").append_attribute("producer") = ("tractor" + std::to_string(t)).c_str();
    }
    int transition = 0;
    for (std::size_t t = 0; t < tracks_.size(); ++t) {
      const int b = static_cast<int>(t) + 1;
      pugi::xml_node node = tractor.append_child("transition");
      node.append_attribute("id") = ("transition" + std::to_string(transition++)).c_str();
      Property(node, "a_track", "0");
      Property(node, "b_track", std::to_string(b));
      if (tracks_[t].audio) {
        Property(node, "mlt_service", "mix");
        Property(node, "kdenlive_id", "mix");
        Property(node, "internal_added", kInternal);
        Property(node, "always_active", "1");
        Property(node, "accepts_blanks", "1");
        Property(node, "sum", "1");
      } else {
        Property(node, "compositing", "0");
        Property(node, "distort", "0");
        Property(node, "rotate_center", "0");
        Property(node, "mlt_service", "qtblend");
        Property(node, "always_active", "1");
        Property(node, "internal_added", kInternal);
      }
    }
    xml_.Open(tractor, 1);
    AudioFilters(filter, false);
    xml_.Close("tractor", 1);
  }

  const Timeline& timeline_;
  ExportNotes& notes_;
  ListingWriter& out_;
  XmlStream xml_;
  std::map<std::string, BinClip> bin_;
  std::vector<KTrack> tracks_;
  TitlePlacement placement_{timeline_.titles, timeline_.rate.Nominal(), true};  // the titles as shown
  const std::vector<PlacedTitle>& titles_ = placement_.Titles();
  std::int64_t length_ = 1;
};

}  // namespace

void WriteKdenlive(const Timeline& timeline, ExportNotes& notes, ListingWriter& out) {
  KdenliveWriter(timeline, notes, out).Run();
}

}  // namespace morvane
