#include "interchange/svg_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "edl/timecode.h"
#include "interchange/safe_text.h"
#include "interchange/xml_stream.h"
#include "listing/media_names.h"
#include "listing/unicode_compose.h"

namespace morvane {

namespace {

// The picture's measures, in pixels.
struct Measures {
  double margin;
  double labelWidth;  // the lanes' names, left of the time area
  double ruler;
  double titles;      // the titles' lane (0 without titles)
  double videoLane;
  double soundLane;
  double boxTop;      // a video lane's boxes start this far down; transitions are named above
  double legend;
};

constexpr Measures kPicture{8, 104, 24, 20, 40, 28, 12, 24};
constexpr Measures kThumbnail{2, 0, 0, 0, 9, 6, 0, 0};

constexpr const char* kInk = "#202020";
constexpr const char* kPaper = "#FFFFFF";
constexpr double kCharWidth = 6.2;  // an ASCII character at 11 px; others count double

// One lane of the picture: a timeline track's clips, or the sound of an AV track's clips.
struct Lane {
  const TimelineTrackModel* track;
  bool sound;  // the sound of the main or insert track's clips
  std::string label;
  double top = 0;
  double height = 0;
};

std::string LaneLabel(const TimelineTrackModel& track, bool sound) {
  static constexpr const char* kVideo[] = {"Main video", "Insert video"};
  static constexpr const char* kSound[] = {"Main audio", "Insert audio", "Extra audio 1", "Extra audio 2"};
  const int role = static_cast<int>(track.role);
  std::string label = track.video && !sound ? kVideo[role] : kSound[role];
  if (track.lane > 0) {
    label += " " + std::to_string(track.lane + 1);
  }
  return label;
}

// The lanes top down: the insert track's video over the main track's (a later lane above the
// one it overlaps), then the sound of the main and insert tracks and the extra audio tracks.
std::vector<Lane> Lanes(const Timeline& timeline) {
  std::vector<Lane> lanes;
  const auto add = [&](TimelineTrack role, bool sound, bool upward) {
    std::vector<const TimelineTrackModel*> tracks;
    for (const TimelineTrackModel& track : timeline.tracks) {
      if (track.role == role) {
        tracks.push_back(&track);
      }
    }
    if (upward) {
      std::reverse(tracks.begin(), tracks.end());
    }
    for (const TimelineTrackModel* track : tracks) {
      const bool heard = std::any_of(track->clips.begin(), track->clips.end(),
                                     [](const TimelineClip& clip) { return clip.hasAudio; });
      if (!sound || heard || !track->video) {
        lanes.push_back({track, sound && track->video, LaneLabel(*track, sound)});
      }
    }
  };
  add(TimelineTrack::InsertAv, false, true);
  add(TimelineTrack::MainAv, false, true);
  add(TimelineTrack::MainAv, true, false);
  add(TimelineTrack::InsertAv, true, false);
  add(TimelineTrack::ExAudio1, true, false);
  add(TimelineTrack::ExAudio2, true, false);
  return lanes;
}

// The ASCII characters of a text count one, others two (kana and kanji are about twice as wide).
double TextWidth(std::string_view text) {
  double width = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      width += kCharWidth;
    } else if (byte >= 0xC0) {
      width += 2 * kCharWidth;
    }
  }
  return width;
}

// As much of text as fits in width, whole characters, with "…" where it was cut; empty when
// not even three characters fit.
std::string Fitted(std::string_view text, double width) {
  if (TextWidth(text) <= width) {
    return std::string(text);
  }
  const double room = width - kCharWidth;
  if (room < 2 * kCharWidth) {
    return {};
  }
  double used = 0;
  std::size_t end = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) == 0x80) {
      continue;
    }
    used += byte < 0x80 ? kCharWidth : 2 * kCharWidth;
    if (used > room) {
      break;
    }
    end = i + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
      ++end;
    }
  }
  return std::string(text.substr(0, end)) + "\xE2\x80\xA6";
}

// "#RRGGBB" of a hue (0-360), saturation and lightness (0-1).
std::string Hsl(double hue, double saturation, double lightness) {
  const double chroma = (1 - std::fabs(2 * lightness - 1)) * saturation;
  const double h = hue / 60;
  const double x = chroma * (1 - std::fabs(std::fmod(h, 2) - 1));
  std::array<double, 3> rgb{};
  switch (static_cast<int>(h) % 6) {
    case 0: rgb = {chroma, x, 0}; break;
    case 1: rgb = {x, chroma, 0}; break;
    case 2: rgb = {0, chroma, x}; break;
    case 3: rgb = {0, x, chroma}; break;
    case 4: rgb = {x, 0, chroma}; break;
    default: rgb = {chroma, 0, x}; break;
  }
  const double m = lightness - chroma / 2;
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", static_cast<unsigned>(std::lround((rgb[0] + m) * 255)),
                static_cast<unsigned>(std::lround((rgb[1] + m) * 255)),
                static_cast<unsigned>(std::lround((rgb[2] + m) * 255)));
  return text;
}

// Black or white, whichever reads better on "#RRGGBB".
const char* InkOn(const std::string& colour) {
  const unsigned long rgb = std::strtoul(colour.c_str() + 1, nullptr, 16);
  const double luma = 0.299 * static_cast<double>((rgb >> 16) & 0xFF) +
                      0.587 * static_cast<double>((rgb >> 8) & 0xFF) + 0.114 * static_cast<double>(rgb & 0xFF);
  return luma < 128 ? kPaper : kInk;
}

std::string Trimmed(std::string_view text) {
  text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
  return std::string(text);
}

class SvgPicture {
 public:
  SvgPicture(const Timeline& timeline, TimecodeMode mode, const SvgOptions& options, ExportNotes& notes,
             ListingWriter& out)
      : timeline_(timeline),
        mode_(mode),
        options_(options),
        notes_(notes),
        stream_(out),
        measures_(options.thumbnail ? kThumbnail : kPicture) {}

  void Run() {
    Place();
    if (options_.standalone) {
      stream_.Text("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    }
    pugi::xml_node svg = stream_.Fresh("svg");
    svg.append_attribute("xmlns") = "http://www.w3.org/2000/svg";
    svg.append_attribute("version") = "1.1";
    svg.append_attribute("width") = Coordinate(width_).c_str();
    svg.append_attribute("height") = Coordinate(height_).c_str();
    svg.append_attribute("viewBox") = ("0 0 " + Coordinate(width_) + " " + Coordinate(height_)).c_str();
    svg.append_attribute("font-family") = "sans-serif";
    svg.append_attribute("font-size") = "11";
    svg.append_child("title").text() = Safe(timeline_.name).c_str();
    pugi::xml_node pattern = svg.append_child("defs").append_child("pattern");
    pattern.append_attribute("id") = Id("hatch").c_str();
    const double step = options_.thumbnail ? 4 : 8;
    pattern.append_attribute("width") = Coordinate(step).c_str();
    pattern.append_attribute("height") = Coordinate(step).c_str();
    pattern.append_attribute("patternUnits") = "userSpaceOnUse";
    Path(pattern, "M-1,1 l2,-2 M0," + Coordinate(step) + " l" + Coordinate(step) + ",-" + Coordinate(step) + " M" +
                      Coordinate(step - 1) + "," + Coordinate(step + 1) + " l2,-2",
         kInk, options_.thumbnail ? 1 : 1.5)
        .append_attribute("stroke-opacity") = "0.5";
    Rect(svg, 0, 0, width_, height_, kPaper);
    stream_.Open(0);
    Ruler();
    Titles();
    for (const Lane& lane : lanes_) {
      DrawLane(lane);
    }
    Legend();
    stream_.Close("svg", 0);
  }

 private:
  std::string Id(const char* name) const { return options_.idPrefix + name; }

  std::string Safe(std::string_view text) { return SafeXml(text, notes_); }

  // The lanes, the time area and the scale.
  void Place() {
    std::int64_t end = std::max<std::int64_t>(timeline_.Duration(), 1);
    if (!options_.thumbnail) {
      order_.resize(timeline_.titles.size());
      for (std::size_t i = 0; i < order_.size(); ++i) {
        order_[i] = static_cast<std::uint32_t>(i);
      }
      std::stable_sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) {
        return timeline_.titles.Begin(a) < timeline_.titles.Begin(b);
      });
      if (!order_.empty()) {
        end = std::max(end, timeline_.titles.Begin(order_.back()) + timeline_.rate.Nominal());
      }
    }
    end_ = end;
    const double seconds = static_cast<double>(end) * timeline_.rate.denominator / timeline_.rate.numerator;
    const double area = options_.thumbnail ? kThumbnailWidth
                                           : std::clamp(seconds * kPixelsPerMinute / 60, double{kShortestTimeArea},
                                                        double{kLongestTimeArea});
    scale_ = area / static_cast<double>(end);
    left_ = measures_.margin + measures_.labelWidth;
    width_ = left_ + area + measures_.margin;
    double top = measures_.margin + measures_.ruler + (order_.empty() ? 0 : measures_.titles);
    titlesTop_ = measures_.margin + measures_.ruler;
    lanes_ = Lanes(timeline_);
    for (Lane& lane : lanes_) {
      lane.top = top;
      lane.height = lane.sound || !lane.track->video ? measures_.soundLane : measures_.videoLane;
      top += lane.height + (options_.thumbnail ? 1 : 2);
    }
    legendTop_ = top;
    height_ = top + measures_.legend + measures_.margin;
  }

  double X(std::int64_t frame) const {
    return std::round((left_ + static_cast<double>(frame) * scale_) * 10) / 10;
  }

  std::string Timecode(std::int64_t frame) const {
    return Trimmed(FormatTimecode(static_cast<std::int32_t>(frame + timeline_.start), mode_).View());
  }

  static void Rect(pugi::xml_node parent, double x, double y, double width, double height, const std::string& fill) {
    pugi::xml_node rect = parent.append_child("rect");
    rect.append_attribute("x") = Coordinate(x).c_str();
    rect.append_attribute("y") = Coordinate(y).c_str();
    rect.append_attribute("width") = Coordinate(width).c_str();
    rect.append_attribute("height") = Coordinate(height).c_str();
    rect.append_attribute("fill") = fill.c_str();
  }

  static pugi::xml_node Path(pugi::xml_node parent, const std::string& data, const char* stroke, double width) {
    pugi::xml_node path = parent.append_child("path");
    path.append_attribute("d") = data.c_str();
    path.append_attribute("fill") = "none";
    path.append_attribute("stroke") = stroke;
    path.append_attribute("stroke-width") = Coordinate(width).c_str();
    return path;
  }

  static pugi::xml_node Text(pugi::xml_node parent, double x, double y, const std::string& text) {
    pugi::xml_node node = parent.append_child("text");
    node.append_attribute("x") = Coordinate(x).c_str();
    node.append_attribute("y") = Coordinate(y).c_str();
    node.text() = text.c_str();
    return node;
  }

  // Marks every so many seconds, at least 90 pixels apart (a label's width), labelled in the
  // timecode mode; smaller marks at a fifth of that.
  void Ruler() {
    if (options_.thumbnail) {
      return;
    }
    static constexpr int kSteps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 21600};
    const double pixelsPerSecond = scale_ * timeline_.rate.numerator / timeline_.rate.denominator;
    int seconds = kSteps[std::size(kSteps) - 1];
    for (const int step : kSteps) {
      if (step * pixelsPerSecond >= 90) {
        seconds = step;
        break;
      }
    }
    const std::int64_t major = std::int64_t{seconds} * timeline_.rate.Nominal();
    const std::int64_t minor = major / 5;
    const double top = measures_.margin;
    const double bottom = top + measures_.ruler;
    pugi::xml_node ruler = stream_.Fresh("g");
    ruler.append_attribute("font-size") = "10";
    Rect(ruler, left_, top, X(end_) - left_, measures_.ruler, "#EEEEEE");
    std::string ticks;
    for (std::int64_t frame = 0; frame <= end_; frame += minor) {
      ticks += "M" + Coordinate(X(frame)) + "," + Coordinate(bottom) + "v" + (frame % major == 0 ? "-10" : "-4");
    }
    Path(ruler, ticks, kInk, 1);
    stream_.Print(1);
    for (std::int64_t frame = 0; frame <= end_; frame += major) {
      if (X(frame) + 80 > width_) {
        break;
      }
      pugi::xml_node text = stream_.Fresh("text");
      text.append_attribute("x") = Coordinate(X(frame) + 2).c_str();
      text.append_attribute("y") = Coordinate(top + 10).c_str();
      text.append_attribute("font-size") = "10";
      text.text() = Timecode(frame).c_str();
      stream_.Print(1);
    }
  }

  // Each title marked from its begin to the next title's (five seconds at most), with its first line.
  void Titles() {
    if (order_.empty()) {
      return;
    }
    const double top = titlesTop_ + 2;
    const double height = measures_.titles - 4;
    pugi::xml_node label = stream_.Fresh("text");
    label.append_attribute("x") = Coordinate(measures_.margin).c_str();
    label.append_attribute("y") = Coordinate(top + height - 4).c_str();
    label.text() = "Titles";
    stream_.Print(1);
    for (std::size_t i = 0; i < order_.size(); ++i) {
      const std::int64_t begin = timeline_.titles.Begin(order_[i]);
      std::int64_t until = begin + 5 * timeline_.rate.Nominal();
      if (i + 1 < order_.size()) {
        until = std::min(until, timeline_.titles.Begin(order_[i + 1]));
      }
      const std::string text = LineFeeds(timeline_.titles.Text(order_[i]));
      const double x = X(begin);
      const double width = std::max(X(until) - x, 1.0);
      pugi::xml_node title = stream_.Fresh("g");
      title.append_child("title").text() = Safe(Timecode(begin) + "  " + text).c_str();
      Rect(title, x, top, width, height, "#FFF1B8");
      Path(title, "M" + Coordinate(x) + "," + Coordinate(top) + "v" + Coordinate(height), "#B08000", 2);
      const std::string line = Fitted(Safe(text.substr(0, text.find('\n'))), width - 6);
      if (!line.empty()) {
        Text(title, x + 4, top + height - 4, line);
      }
      stream_.Print(1);
    }
  }

  // The fill of a clip's box: its media file's colour, a colour clip's own.
  static std::string Fill(const TimelineClip& clip) {
    return clip.media == MediaKind::Color ? "#" + clip.colour : MediaColour(clip.name);
  }

  std::string Tooltip(const TimelineClip& clip, bool sound) const {
    std::string text = clip.media == MediaKind::Color ? "colour clip #" + clip.colour : clip.projectName;
    if (clip.media == MediaKind::Still) {
      text += " (still image)";
    }
    if (sound) {
      text += " (sound)";
    }
    text += "\nrecord " + Timecode(clip.recordIn) + " - " + Timecode(clip.RecordOut()) + ", " +
            std::to_string(clip.duration) + " frames";
    if (clip.media == MediaKind::File) {
      text += "\nsource frames " + std::to_string(clip.sourceIn) + " - " +
              std::to_string(clip.sourceIn + clip.sourceDuration);
    }
    if (clip.halfSpeed) {
      text += ", half speed";
    }
    if (clip.transition != TransitionKind::None) {
      text += "\n" + TransitionText(clip) + (clip.transitionName.empty() ? "" : " (" + clip.transitionName + ")");
    }
    if (clip.media != MediaKind::Color) {
      text += clip.found ? "\nmedia: " + clip.path : "\nmedia missing: " + (clip.path.empty() ? clip.name : clip.path);
    }
    return text;
  }

  std::string TransitionText(const TimelineClip& clip) const {
    return std::string(clip.transition == TransitionKind::Wipe ? "wipe " : "dissolve ") +
           Trimmed(FormatDuration(static_cast<std::int32_t>(clip.transitionDuration), mode_).View());
  }

  void DrawLane(const Lane& lane) {
    const bool thumbnail = options_.thumbnail;
    if (!thumbnail) {
      pugi::xml_node back = stream_.Fresh("g");
      Rect(back, left_, lane.top, X(end_) - left_, lane.height, lane.sound || !lane.track->video ? "#F2F4F7" : "#F7F7F2");
      Text(back, measures_.margin, lane.top + lane.height / 2 + 4, lane.label);
      stream_.Print(1);
    }
    const double boxTop = lane.top + (lane.sound || !lane.track->video ? 1 : measures_.boxTop);
    const double boxHeight = lane.top + lane.height - 1 - boxTop;
    const std::vector<TimelineClip>& clips = lane.track->clips;
    for (std::size_t i = 0; i < clips.size(); ++i) {
      const TimelineClip& clip = clips[i];
      if (lane.sound && !clip.hasAudio) {
        continue;
      }
      const double x = X(clip.recordIn);
      const double width = std::max(X(clip.RecordOut()) - x, 0.5);
      const std::string fill = Fill(clip);
      pugi::xml_node box = stream_.Fresh("g");
      if (!thumbnail) {
        box.append_child("title").text() = Safe(Tooltip(clip, lane.sound)).c_str();
      }
      Rect(box, x, boxTop, width, boxHeight, fill);
      if (clip.media != MediaKind::Color && !clip.found) {
        Rect(box, x, boxTop, width, boxHeight, "url(#" + Id("hatch") + ")");
      }
      if (lane.sound && !thumbnail) {  // a line through the middle, as a sound's wave
        Path(box, "M" + Coordinate(x) + "," + Coordinate(boxTop + boxHeight / 2) + "h" + Coordinate(width), kInk, 0.5);
      }
      if (clip.media == MediaKind::Still && width > 3) {
        pugi::xml_node border = box.append_child("rect");
        border.append_attribute("x") = Coordinate(x + 1).c_str();
        border.append_attribute("y") = Coordinate(boxTop + 1).c_str();
        border.append_attribute("width") = Coordinate(width - 2).c_str();
        border.append_attribute("height") = Coordinate(boxHeight - 2).c_str();
        border.append_attribute("fill") = "none";
        border.append_attribute("stroke") = kInk;
        border.append_attribute("stroke-width") = thumbnail ? "0.5" : "1.5";
        border.append_attribute("stroke-dasharray") = thumbnail ? "2,1" : "4,2";
      }
      if (clip.halfSpeed && !thumbnail) {
        Path(box, "M" + Coordinate(x + 1) + "," + Coordinate(boxTop + boxHeight - 3) + "h" + Coordinate(width - 2),
             kInk, 2)
            .append_attribute("stroke-dasharray") = "2,2";
      }
      if (i > 0 && !lane.sound && clip.transition != TransitionKind::None &&
          clips[i - 1].RecordOut() == clip.recordIn) {
        Transition(box, clips[i - 1], clip, boxTop, boxHeight, lane.top);
      }
      if (!thumbnail) {
        std::string name = clip.name;
        if (clip.halfSpeed) {
          name += " 50%";
        }
        const std::string label = Fitted(Safe(name), width - 6);
        if (!label.empty()) {
          Text(box, x + 3, boxTop + boxHeight / 2 + 4, label).append_attribute("fill") = InkOn(fill);
        }
      }
      stream_.Print(1);
    }
  }

  // The transition over the incoming clip's first frames: the outgoing clip's colour fading
  // out (a triangle of it), framed, its kind and duration above.
  void Transition(pugi::xml_node box, const TimelineClip& from, const TimelineClip& clip, double top, double height,
                  double laneTop) {
    const double x0 = X(clip.recordIn);
    const double x1 = std::max(X(clip.recordIn + clip.transitionDuration), x0 + 1);
    const double bottom = top + height;
    pugi::xml_node fade = box.append_child("polygon");
    fade.append_attribute("points") = (Coordinate(x0) + "," + Coordinate(top) + " " + Coordinate(x1) + "," +
                                       Coordinate(top) + " " + Coordinate(x0) + "," + Coordinate(bottom))
                                          .c_str();
    fade.append_attribute("fill") = Fill(from).c_str();
    fade.append_attribute("stroke") = kInk;
    fade.append_attribute("stroke-width") = "1";
    if (!options_.thumbnail) {
      Text(box, x0, laneTop + measures_.boxTop - 2, TransitionText(clip)).append_attribute("font-size") = "9";
    }
  }

  void Legend() {
    if (options_.thumbnail) {
      return;
    }
    const double top = legendTop_ + 6;
    double x = left_;
    pugi::xml_node legend = stream_.Fresh("g");
    legend.append_attribute("font-size") = "10";
    const auto key = [&](const char* text) {
      Text(legend, x + 22, top + 10, text);
      x += 22 + TextWidth(text) + 16;
    };
    Rect(legend, x, top, 18, 12, "#DDDDDD");
    Rect(legend, x, top, 18, 12, "url(#" + Id("hatch") + ")");
    key("media missing");
    pugi::xml_node still = legend.append_child("rect");
    still.append_attribute("x") = Coordinate(x + 1).c_str();
    still.append_attribute("y") = Coordinate(top + 1).c_str();
    still.append_attribute("width") = "16";
    still.append_attribute("height") = "10";
    still.append_attribute("fill") = "#DDDDDD";
    still.append_attribute("stroke") = kInk;
    still.append_attribute("stroke-width") = "1.5";
    still.append_attribute("stroke-dasharray") = "4,2";
    key("still image");
    Path(legend, "M" + Coordinate(x) + "," + Coordinate(top + 9) + "h18", kInk, 2).append_attribute("stroke-dasharray") =
        "2,2";
    key("50% half speed");
    pugi::xml_node fade = legend.append_child("polygon");
    fade.append_attribute("points") = (Coordinate(x) + "," + Coordinate(top) + " " + Coordinate(x + 18) + "," +
                                       Coordinate(top) + " " + Coordinate(x) + "," + Coordinate(top + 12))
                                          .c_str();
    fade.append_attribute("fill") = "#DDDDDD";
    fade.append_attribute("stroke") = kInk;
    fade.append_attribute("stroke-width") = "1";
    key("transition: kind, duration");
    stream_.Print(1);
  }

  const Timeline& timeline_;
  TimecodeMode mode_;
  const SvgOptions& options_;
  ExportNotes& notes_;
  XmlStream stream_;
  Measures measures_;
  std::vector<Lane> lanes_;
  std::vector<std::uint32_t> order_;  // the titles by begin
  std::int64_t end_ = 1;              // the frames the picture shows
  double scale_ = 1;                  // pixels per frame
  double left_ = 0;                   // where frame 0 is
  double width_ = 0;
  double height_ = 0;
  double titlesTop_ = 0;
  double legendTop_ = 0;
};

}  // namespace

std::string MediaColour(std::string_view utf8Name) {
  // FNV-1a of the name as the media folder compares it: the last part, composed, ASCII case aside.
  std::uint32_t hash = 2166136261u;
  for (const char c : FoldAsciiCase(ComposeNfc(MediaBaseName(utf8Name)))) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  }
  const double hue = static_cast<double>(hash % 360);
  const double saturation = 0.45 + 0.1 * static_cast<double>((hash >> 9) % 3);
  const double lightness = 0.6 + 0.06 * static_cast<double>((hash >> 11) % 3);
  return Hsl(hue, saturation, lightness);
}

void WriteSvg(const Timeline& timeline, TimecodeMode mode, const SvgOptions& options, ExportNotes& notes,
              ListingWriter& out) {
  SvgPicture(timeline, mode, options, notes, out).Run();
}

}  // namespace morvane
