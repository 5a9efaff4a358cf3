#include "interchange/fcpxml_writer.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <numeric>
#include <unordered_map>
#include <utility>
#include <vector>

#include "interchange/otio_writer.h"
#include "interchange/safe_text.h"
#include "interchange/title_placement.h"
#include "interchange/xml_stream.h"

namespace morvane {

namespace {

// Final Cut's stock effects by the identifiers it writes for them.
struct Effect {
  const char* name;
  const char* uid;
};
constexpr Effect kCrossDissolve{"Cross Dissolve", "FxPlug:4731E73A-8DAC-4113-9A30-AE85B1761265"};
constexpr Effect kWipe{"Wipe", "FxPlug:857E2FBA-98DB-411B-A88C-CE6ABC1F65D8"};
constexpr Effect kAudioCrossfade{"Audio Crossfade", "FFAudioTransition"};
constexpr Effect kSolid{"Custom", ".../Generators.localized/Solids.localized/Custom.localized/Custom.motn"};
constexpr Effect kBasicTitle{"Basic Title",
                             ".../Titles.localized/Bumper:Opener.localized/Basic Title.localized/Basic Title.moti"};
enum EffectIndex { kDissolveEffect, kWipeEffect, kCrossfadeEffect, kSolidEffect, kTitleEffect, kEffectCount };
constexpr const Effect* kEffects[kEffectCount] = {&kCrossDissolve, &kWipe, &kAudioCrossfade, &kSolid, &kBasicTitle};

constexpr const char* kIndent = "    ";

bool Joined(const TimelineClip& from, const TimelineClip& to) {
  return to.transition != TransitionKind::None && from.RecordOut() == to.recordIn;
}

// A colour's channel as Final Cut writes it, a fraction of 1 with four decimals at most.
std::string Channel(int value) {
  const int tenThousandths = (value * 10000 + 127) / 255;
  std::string text = std::to_string(tenThousandths / 10000);
  if (const int fraction = tenThousandths % 10000; fraction != 0) {
    std::string digits = std::to_string(10000 + fraction).substr(1);
    digits.erase(digits.find_last_not_of('0') + 1);
    text += "." + digits;
  }
  return text;
}

// "RRGGBB" as the generator's colour parameter, "r g b".
std::string ColourValue(const std::string& colour) {
  std::string value;
  for (std::size_t i = 0; i + 1 < colour.size() && i < 6; i += 2) {
    int channel = 0;
    std::from_chars(colour.data() + i, colour.data() + i + 2, channel, 16);
    value += (value.empty() ? "" : " ") + Channel(channel);
  }
  return value;
}

class FcpxmlWriter {
 public:
  FcpxmlWriter(const Timeline& timeline, ExportNotes& notes, ListingWriter& out)
      : timeline_(timeline), notes_(notes), out_(out), xml_(out, pugi::format_default, kIndent) {}

  void Run() {
    end_ = timeline_.Duration();
    if (!titles_.empty()) {
      end_ = std::max(end_, titles_.back().begin + titles_.back().frames);
    }
    CollectResources();
    const std::string name = Safe(timeline_.name);

    out_.WriteText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE fcpxml>\n");
    pugi::xml_node fcpxml = xml_.Fresh("fcpxml");
    fcpxml.append_attribute("version") = "1.9";
    xml_.Open(fcpxml, 0);
    xml_.Open(xml_.Fresh("resources"), 1);
    Format();
    xml_.Print(2);
    for (int i = 0; i < kEffectCount; ++i) {
      if (!effectIds_[i].empty()) {
        pugi::xml_node effect = xml_.Fresh("effect");
        effect.append_attribute("id") = effectIds_[i].c_str();
        effect.append_attribute("name") = kEffects[i]->name;
        effect.append_attribute("uid") = kEffects[i]->uid;
        xml_.Print(2);
      }
    }
    for (const Asset& asset : assets_) {
      AssetElement(asset);
      xml_.Print(2);
    }
    xml_.Close("resources", 1);

    xml_.Open(xml_.Fresh("library"), 1);
    pugi::xml_node event = xml_.Fresh("event");
    event.append_attribute("name") = name.c_str();
    xml_.Open(event, 2);
    pugi::xml_node project = xml_.Fresh("project");
    project.append_attribute("name") = name.c_str();
    xml_.Open(project, 3);
    pugi::xml_node sequence = xml_.Fresh("sequence");
    sequence.append_attribute("format") = "r1";
    sequence.append_attribute("duration") = Time(end_).c_str();
    sequence.append_attribute("tcStart") = Time(timeline_.start).c_str();
    sequence.append_attribute("tcFormat") = timeline_.rate.dropFrame ? "DF" : "NDF";
    sequence.append_attribute("audioLayout") = "stereo";
    sequence.append_attribute("audioRate") = "48k";
    xml_.Open(sequence, 4);
    Spine();
    xml_.Close("sequence", 4);
    xml_.Close("project", 3);
    xml_.Close("event", 2);
    xml_.Close("library", 1);
    xml_.Close("fcpxml", 0);
  }

 private:
  // A media file of the edit, written once in the resources.
  struct Asset {
    std::string id;
    std::string name;
    std::string url;
    std::int64_t end = 0;  // the media frames the edit takes: [0, end)
    bool video = false;    // used on a video track
    bool audio = false;    // its sound heard
    bool still = false;
  };

  std::string Time(std::int64_t frames) const {
    return RationalSeconds(frames, timeline_.rate.denominator, timeline_.rate.numerator);
  }

  // A text of the project in a form XML allows, each text with a replaced character counted.
  std::string Safe(std::string_view text) { return SafeXml(text, notes_); }

  // Final Cut's DV formats: 720x480 at 30000/1001 or 720x576 at 25, interlaced lower field
  // first, with their pixel aspect ratios for 4:3 or 16:9.
  void Format() {
    const bool pal = timeline_.rate.Nominal() == 25;
    const bool wide = timeline_.wide;
    pugi::xml_node format = xml_.Fresh("format");
    format.append_attribute("id") = "r1";
    const std::string name = std::string(pal ? "FFVideoFormatDV720x576i50" : "FFVideoFormatDV720x480i5994") +
                             (wide ? "_16x9" : "");
    format.append_attribute("name") = name.c_str();
    format.append_attribute("frameDuration") = Time(1).c_str();
    format.append_attribute("fieldOrder") = "lower first";
    format.append_attribute("width") = timeline_.width;
    format.append_attribute("height") = timeline_.height;
    format.append_attribute("paspH") = pal ? (wide ? 118 : 59) : (wide ? 40 : 10);
    format.append_attribute("paspV") = pal ? (wide ? 81 : 54) : (wide ? 33 : 11);
    format.append_attribute("colorSpace") = pal ? "5-1-6 (Rec. 601 (PAL))" : "6-1-6 (Rec. 601 (NTSC))";
  }

  // The media of a file or still clip: its path, or for a name that names no file, the name.
  static std::string MediaKey(const TimelineClip& clip) {
    return clip.path.empty() ? std::string(1, '\0') + clip.projectName : clip.path;
  }

  // The assets, each media file once in the order first used, and the effects the edit uses.
  void CollectResources() {
    bool used[kEffectCount] = {};
    used[kTitleEffect] = !titles_.empty();
    for (std::size_t t = 0; t < timeline_.tracks.size(); ++t) {
      const TimelineTrackModel& track = timeline_.tracks[t];
      for (std::size_t i = 0; i < track.clips.size(); ++i) {
        const TimelineClip& clip = track.clips[i];
        const bool joined = t == 0 && i > 0 && Joined(track.clips[i - 1], clip);
        if (joined) {
          used[clip.transition == TransitionKind::Wipe ? kWipeEffect : kDissolveEffect] = true;
          used[kCrossfadeEffect] = true;
        }
        if (clip.media == MediaKind::Color) {
          used[kSolidEffect] = true;
          continue;
        }
        const auto [found, added] = assetIndex_.try_emplace(MediaKey(clip), assets_.size());
        if (added) {
          assets_.push_back({});
          Asset& asset = assets_.back();
          asset.name = Safe(clip.name);
          asset.url = FileUrl(clip.path.empty() ? clip.projectName : clip.path);
          asset.still = clip.media == MediaKind::Still;
        }
        Asset& asset = assets_[found->second];
        const std::int64_t tail =
            i + 1 < track.clips.size() && Joined(clip, track.clips[i + 1]) ? track.clips[i + 1].transitionDuration : 0;
        asset.end = std::max(asset.end, clip.sourceIn + clip.sourceDuration + tail);
        asset.video = asset.video || track.video;
        asset.audio = asset.audio || clip.hasAudio;
      }
    }
    int next = 2;
    for (int i = 0; i < kEffectCount; ++i) {
      if (used[i]) {
        effectIds_[i] = "r" + std::to_string(next++);
      }
    }
    for (Asset& asset : assets_) {
      asset.id = "r" + std::to_string(next++);
    }
  }

  void AssetElement(const Asset& asset) {
    pugi::xml_node element = xml_.Fresh("asset");
    element.append_attribute("id") = asset.id.c_str();
    element.append_attribute("name") = asset.name.c_str();
    element.append_attribute("start") = "0s";
    if (!asset.still) {
      element.append_attribute("duration") = Time(asset.end).c_str();
    }
    if (asset.video) {
      element.append_attribute("hasVideo") = "1";
      if (!asset.still) {
        element.append_attribute("format") = "r1";  // DV, like the sequence
      }
    }
    if (asset.audio) {
      element.append_attribute("hasAudio") = "1";
    }
    pugi::xml_node rep = element.append_child("media-rep");
    rep.append_attribute("kind") = "original-media";
    rep.append_attribute("src") = asset.url.c_str();
  }

  // The element of a clip (alone in the document) at offset, in lane (0: the spine).
  pugi::xml_node ClipElement(const TimelineClip& clip, const TimelineTrackModel& track, int lane,
                             const std::string& offset) {
    const std::string name = Safe(clip.name);
    if (clip.media == MediaKind::Color) {
      pugi::xml_node video = xml_.Fresh("video");
      video.append_attribute("ref") = effectIds_[kSolidEffect].c_str();
      if (lane != 0) {
        video.append_attribute("lane") = lane;
      }
      video.append_attribute("offset") = offset.c_str();
      video.append_attribute("name") = name.c_str();
      video.append_attribute("duration") = Time(clip.duration).c_str();
      pugi::xml_node param = video.append_child("param");
      param.append_attribute("name") = "Color";
      param.append_attribute("value") = ColourValue(clip.colour).c_str();
      return video;
    }
    pugi::xml_node element = xml_.Fresh("asset-clip");
    element.append_attribute("ref") = assets_[assetIndex_.at(MediaKey(clip))].id.c_str();
    if (lane != 0) {
      element.append_attribute("lane") = lane;
    }
    element.append_attribute("offset") = offset.c_str();
    element.append_attribute("name") = name.c_str();
    if (clip.sourceIn != 0) {
      element.append_attribute("start") = Time(clip.sourceIn).c_str();
    }
    element.append_attribute("duration") = Time(clip.duration).c_str();
    if (!track.video) {
      element.append_attribute("srcEnable") = "audio";
    } else if (!clip.hasAudio) {
      element.append_attribute("srcEnable") = "video";
    }
    if (clip.media == MediaKind::File && clip.sourceDuration != clip.duration) {
      // The clip's time from its start on plays the source range over the clip's length.
      pugi::xml_node map = element.append_child("timeMap");
      const std::pair<std::int64_t, std::int64_t> points[] = {
          {clip.sourceIn, clip.sourceIn}, {clip.sourceIn + clip.duration, clip.sourceIn + clip.sourceDuration}};
      for (const auto& [time, value] : points) {
        pugi::xml_node point = map.append_child("timept");
        point.append_attribute("time") = Time(time).c_str();
        point.append_attribute("value") = Time(value).c_str();
        point.append_attribute("interp") = "linear";
      }
    }
    return element;
  }

  // The clip's own time at its first frame: its start attribute.
  static std::int64_t LocalStart(const TimelineClip& clip) { return clip.media == MediaKind::File ? clip.sourceIn : 0; }

  // Whether a connected clip or title starts before frame end.
  bool AnchoredBefore(std::int64_t end) const {
    for (std::size_t t = 1; t < timeline_.tracks.size(); ++t) {
      const std::vector<TimelineClip>& clips = timeline_.tracks[t].clips;
      if (next_[t] < clips.size() && clips[next_[t]].recordIn < end) {
        return true;
      }
    }
    return nextTitle_ < titles_.size() && titles_[nextTitle_].begin < end;
  }

  // Writes the clips and titles that start before frame end, connected to the spine element at
  // frame parentIn whose own time there is parentStart.
  void Anchored(std::int64_t parentIn, std::int64_t parentStart, std::int64_t end) {
    for (std::size_t t = 1; t < timeline_.tracks.size(); ++t) {
      const TimelineTrackModel& track = timeline_.tracks[t];
      for (std::size_t& i = next_[t]; i < track.clips.size() && track.clips[i].recordIn < end; ++i) {
        const TimelineClip& clip = track.clips[i];
        if (i > 0 && Joined(track.clips[i - 1], clip)) {
          notes_.Add(ExportChange::ConnectedTransitionCut);
        }
        ClipElement(clip, track, lanes_[t], Time(parentStart + clip.recordIn - parentIn));
        xml_.Print(7);
      }
    }
    for (; nextTitle_ < titles_.size() && titles_[nextTitle_].begin < end; ++nextTitle_) {
      const PlacedTitle& title = titles_[nextTitle_];
      const std::string text = SafeXmlLines(placement_.Joined(title, notes_), notes_);
      const std::string style = "ts" + std::to_string(nextTitle_ + 1);
      pugi::xml_node element = xml_.Fresh("title");
      element.append_attribute("ref") = effectIds_[kTitleEffect].c_str();
      element.append_attribute("lane") = titleLane_;
      element.append_attribute("offset") = Time(parentStart + title.begin - parentIn).c_str();
      element.append_attribute("name") = text.substr(0, text.find('\n')).c_str();
      element.append_attribute("duration") = Time(title.frames).c_str();
      pugi::xml_node span = element.append_child("text").append_child("text-style");
      span.append_attribute("ref") = style.c_str();
      span.text() = text.c_str();
      pugi::xml_node definition = element.append_child("text-style-def");
      definition.append_attribute("id") = style.c_str();
      pugi::xml_node look = definition.append_child("text-style");
      look.append_attribute("font") = "Helvetica";
      look.append_attribute("fontSize") = timeline_.height * 63 / 1080;
      look.append_attribute("fontColor") = "1 1 1 1";
      look.append_attribute("alignment") = "center";
      xml_.Print(7);
    }
  }

  // Writes the element made last (a spine element from frame in to end, its own time there
  // starting at localStart) with what is connected to it.
  void SpineElement(std::int64_t in, std::int64_t localStart, std::int64_t end) {
    if (!AnchoredBefore(end)) {
      xml_.Print(6);
      return;
    }
    const std::string name = xml_.Made().name();
    xml_.Open(6);
    Anchored(in, localStart, end);
    xml_.Close(name.c_str(), 6);
  }

  void Gap(std::int64_t from, std::int64_t to) {
    pugi::xml_node gap = xml_.Fresh("gap");
    gap.append_attribute("name") = "Gap";
    gap.append_attribute("offset") = Time(timeline_.start + from).c_str();
    gap.append_attribute("duration") = Time(to - from).c_str();
    SpineElement(from, 0, to);
  }

  void Transition(const TimelineClip& clip) {
    const bool wipe = clip.transition == TransitionKind::Wipe;
    const Effect& effect = wipe ? kWipe : kCrossDissolve;
    pugi::xml_node transition = xml_.Fresh("transition");
    transition.append_attribute("name") =
        clip.transitionName.empty() ? effect.name : Safe(clip.transitionName).c_str();
    transition.append_attribute("offset") = Time(timeline_.start + clip.recordIn).c_str();
    transition.append_attribute("duration") = Time(clip.transitionDuration).c_str();
    pugi::xml_node video = transition.append_child("filter-video");
    video.append_attribute("ref") = effectIds_[wipe ? kWipeEffect : kDissolveEffect].c_str();
    video.append_attribute("name") = effect.name;
    pugi::xml_node audio = transition.append_child("filter-audio");
    audio.append_attribute("ref") = effectIds_[kCrossfadeEffect].c_str();
    audio.append_attribute("name") = kAudioCrossfade.name;
    xml_.Print(6);
  }

  // The main track's clips, gaps and transitions, each with what is connected to it.
  void Spine() {
    next_.assign(timeline_.tracks.size(), 0);
    lanes_.assign(timeline_.tracks.size(), 0);
    int above = 0;
    int below = 0;
    for (std::size_t t = 1; t < timeline_.tracks.size(); ++t) {
      lanes_[t] = timeline_.tracks[t].video ? ++above : --below;
    }
    titleLane_ = above + 1;
    xml_.Open(xml_.Fresh("spine"), 5);
    static const TimelineTrackModel kNoTrack;
    const TimelineTrackModel& main = timeline_.tracks.empty() ? kNoTrack : timeline_.tracks.front();
    std::int64_t cursor = 0;
    for (std::size_t i = 0; i < main.clips.size(); ++i) {
      const TimelineClip& clip = main.clips[i];
      if (clip.recordIn > cursor) {
        Gap(cursor, clip.recordIn);
      }
      if (i > 0 && Joined(main.clips[i - 1], clip)) {
        Transition(clip);
      }
      ClipElement(clip, main, 0, Time(timeline_.start + clip.recordIn));
      SpineElement(clip.recordIn, LocalStart(clip), clip.RecordOut());
      cursor = clip.RecordOut();
    }
    if (end_ > cursor) {
      Gap(cursor, end_);
    }
    xml_.Close("spine", 5);
  }

  const Timeline& timeline_;
  ExportNotes& notes_;
  ListingWriter& out_;
  XmlStream xml_;
  std::int64_t end_ = 0;  // the sequence's length: the last clip's or title's end
  std::vector<Asset> assets_;
  std::unordered_map<std::string, std::size_t> assetIndex_;  // by MediaKey
  std::string effectIds_[kEffectCount];                       // empty for an effect not used
  TitlePlacement placement_{timeline_.titles, timeline_.rate.Nominal(), false};  // the titles as shown
  const std::vector<PlacedTitle>& titles_ = placement_.Titles();
  std::vector<std::size_t> next_;  // per track, its first clip not yet written
  std::vector<int> lanes_;         // per track, its lane (the main track's first: the spine)
  int titleLane_ = 1;
  std::size_t nextTitle_ = 0;
};

}  // namespace

std::string RationalSeconds(std::int64_t frames, std::int64_t numerator, std::int64_t denominator) {
  if (frames == 0 || numerator == 0) {
    return "0s";
  }
  std::string text = frames < 0 ? "-" : "";
  const std::uint64_t magnitude =
      frames < 0 ? 0 - static_cast<std::uint64_t>(frames) : static_cast<std::uint64_t>(frames);
  const std::uint64_t common = std::gcd(static_cast<std::uint64_t>(numerator), static_cast<std::uint64_t>(denominator));
  const std::uint64_t factor = static_cast<std::uint64_t>(numerator) / common;
  const std::uint64_t shared = std::gcd(magnitude, static_cast<std::uint64_t>(denominator) / common);
  const std::uint64_t quotient = magnitude / shared;
  const std::uint64_t below = static_cast<std::uint64_t>(denominator) / common / shared;
  // quotient * factor may pass 64 bits: it is written in two parts of base 10^9.
  constexpr std::uint64_t kBase = 1'000'000'000;
  std::uint64_t low = quotient % kBase * factor;
  const std::uint64_t high = quotient / kBase * factor + low / kBase;
  low %= kBase;
  if (high > 0) {
    const std::string digits = std::to_string(low);
    text += std::to_string(high) + std::string(9 - digits.size(), '0') + digits;
  } else {
    text += std::to_string(low);
  }
  if (below != 1) {
    text += "/" + std::to_string(below);
  }
  return text + "s";
}

void WriteFcpxml(const Timeline& timeline, ExportNotes& notes, ListingWriter& out) {
  FcpxmlWriter(timeline, notes, out).Run();
}

}  // namespace morvane
