#include "interchange/timeline.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <future>
#include <iterator>
#include <numeric>

#include "edl/edl_table.h"
#include "listing/media_finder.h"
#include "listing/media_names.h"
#include "platform/shift_jis.h"

namespace morvane {

namespace {

// "RRGGBB" in upper case, or black when the text is not six hex digits.
std::string SolidColour(std::string_view text) {
  std::string colour;
  for (const char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) {
      break;
    }
    colour += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return colour.size() == 6 ? colour : "000000";
}

// Fewer clips off the main track than this are made after it, without a thread of their own.
constexpr std::size_t kSideThreadEvents = 64;

// Every event of the EDL table, by track, in the order the table lists them.
class EventsByTrack final : public EdlEventSink {
 public:
  void Event(const EdlEvent& event) override {
    if (event.clipIndex >= 0) {
      events[static_cast<int>(event.track)].push_back(event);
    }
  }
  std::vector<EdlEvent> events[4];
};

class Builder {
 public:
  Builder(const ClipTables& tables, const TimelineFacts& facts, const MediaIndex& media, const TimelineSource& source,
          ExportNotes& notes)
      : tables_(tables),
        facts_(facts),
        media_(media),
        notes_(notes),
        lastFrame_(DayFrames(source.rate) - source.start) {}

  // The clip of one event, or false when it cannot be placed. A clip without length (a name
  // without frames) is in no table either; every other clip left out or changed is noted.
  bool MakeClip(const EdlEvent& event, TimelineClip& clip) {
    const TimelineFacts::Clip* fact = facts_.Find(event.track, event.clipIndex);
    const bool audioTrack = event.track == TimelineTrack::ExAudio1 || event.track == TimelineTrack::ExAudio2;
    const ClipKind kind = fact != nullptr ? fact->kind : ClipKind::Other;
    clip.recordIn = event.recorderIn;
    clip.duration = std::int64_t{event.recorderOut} - event.recorderIn;
    if (fact == nullptr || (!audioTrack && kind == ClipKind::Other) || clip.duration == 0) {
      return false;
    }
    if (clip.duration < 0) {
      notes_.Add(ExportChange::ClipWithoutLength);
      return false;
    }
    clip.hasAudio = audioTrack || event.hasAudio;
    if (kind == ClipKind::Color) {
      clip.media = MediaKind::Color;
      clip.colour = SolidColour(ColorClipText(fact->name, 0));
      clip.name = "color clip #" + clip.colour;
    } else {
      clip.media = kind == ClipKind::Still ? MediaKind::Still : MediaKind::File;
      clip.projectName = DecodeShiftJis(fact->name);
      MediaLocation location = media_.Locate(clip.projectName);
      if (!location.named) {
        notes_.Add(ExportChange::MediaNameInvalid);
      }
      clip.path = std::move(location.path);
      clip.found = location.exists;
      clip.name = MediaBaseName(clip.projectName);
    }
    if (clip.media == MediaKind::File) {
      clip.sourceIn = event.sourceIn;
      clip.sourceDuration = std::int64_t{event.sourceOut} - event.sourceIn;
      clip.halfSpeed = event.slow;
      if (clip.sourceIn < 0 || clip.sourceDuration <= 0) {
        notes_.Add(ExportChange::ClipSourceInvalid);
        return false;
      }
    } else {
      clip.sourceDuration = clip.duration;  // a picture held for the clip's length
    }
    if (clip.recordIn < 0 && !CutAtStart(clip)) {
      notes_.Add(ExportChange::ClipBeforeStart);
      return false;
    }
    if (clip.RecordOut() > lastFrame_) {
      notes_.Add(ExportChange::ClipPastDay, clip.recordIn);
      return false;
    }
    if (clip.hasAudio || (clip.media == MediaKind::File && audioTrack)) {
      clip.hasLevels = true;
      clip.levelIn = fact->levelIn;
      clip.levelOut = fact->levelOut;
      clip.levelPoints = fact->points;
    }
    return true;
  }

  // A clip that starts before frame 0 keeps what lies after it: its source in moves forward by
  // the media frames that the cut-off frames play. False when nothing is left.
  bool CutAtStart(TimelineClip& clip) const {
    const std::int64_t cut = -clip.recordIn;
    const std::int64_t mediaCut = clip.media == MediaKind::File ? cut * clip.sourceDuration / clip.duration : cut;
    if (cut >= clip.duration || mediaCut >= clip.sourceDuration) {
      return false;
    }
    notes_.Add(ExportChange::ClipCutAtStart, cut);
    if (clip.media == MediaKind::File) {
      clip.sourceIn += mediaCut;
    }
    clip.sourceDuration -= mediaCut;
    clip.recordIn = 0;
    clip.duration -= cut;
    return true;
  }

  // The main track's clips follow each other; only a clip whose length the file made negative
  // can send the next one back over its predecessor, and such a clip goes to a further lane.
  void MainTrack(const std::vector<EdlEvent>& events, Timeline& timeline) {
    std::vector<TimelineClip> clips;
    clips.reserve(events.size());
    for (const EdlEvent& event : events) {
      TimelineClip& clip = clips.emplace_back();  // made in place: a clip is large to move
      if (!MakeClip(event, clip)) {
        clips.pop_back();
        continue;
      }
      // A transition needs the outgoing clip right before the cut and room in the incoming one.
      const std::size_t n = clips.size();
      const bool adjacent = n > 1 && clips[n - 2].RecordOut() == clip.recordIn;
      if (event.transition != 'C' && event.duration > 0 && adjacent) {
        clip.transition = event.transition == 'D' ? TransitionKind::Dissolve : TransitionKind::Wipe;
        clip.transitionDuration = event.duration;
        if (event.duration > clip.duration) {
          notes_.Add(ExportChange::TransitionShortened, event.duration);
          clip.transitionDuration = clip.duration;
        }
        if (const MainClipEntry* entry = tables_.mainClips.At(event.clipIndex)) {
          clip.transitionName = DecodeShiftJis(entry->transition.Text());
        }
      }
    }
    std::vector<std::size_t> order(clips.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    PlaceInLanes(TimelineTrack::MainAv, clips, order, timeline.tracks);
    if (timeline.tracks.empty()) {
      timeline.tracks.push_back(TimelineTrackModel{});  // the main track, even without clips
    }
  }

  // Clips with positions of their own: sorted by start, each in the lowest lane it fits.
  void SideTracks(TimelineTrack role, const std::vector<EdlEvent>& events, std::vector<TimelineTrackModel>& tracks) {
    std::vector<TimelineClip> clips;
    clips.reserve(events.size());
    for (const EdlEvent& event : events) {
      if (!MakeClip(event, clips.emplace_back())) {
        clips.pop_back();
      }
    }
    // Their places sorted rather than the clips, which are large to move.
    std::vector<std::size_t> order(clips.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return clips[a].recordIn < clips[b].recordIn; });
    PlaceInLanes(role, clips, order, tracks);
  }

  // Each clip, in the order given, goes to the lowest lane of its track where it starts at or
  // after the end of the lane's last clip. The lanes are chosen first, so that each clip is
  // moved once, into a lane that has room for all of its clips.
  static void PlaceInLanes(TimelineTrack role, std::vector<TimelineClip>& clips,
                           const std::vector<std::size_t>& order, std::vector<TimelineTrackModel>& tracks) {
    std::vector<std::int64_t> laneEnds;      // the end of each lane's last clip
    std::vector<std::size_t> laneSizes;      // and its clips
    std::vector<std::size_t> lanes(clips.size());
    for (const std::size_t i : order) {
      std::size_t lane = 0;
      while (lane < laneEnds.size() && laneEnds[lane] > clips[i].recordIn) {
        ++lane;
      }
      if (lane == laneEnds.size()) {
        laneEnds.push_back(0);
        laneSizes.push_back(0);
      }
      // A transition comes out of the clip right before the cut in the same lane, or is a cut.
      if (laneSizes[lane] == 0 || laneEnds[lane] != clips[i].recordIn) {
        clips[i].transition = TransitionKind::None;
        clips[i].transitionDuration = 0;
      }
      laneEnds[lane] = clips[i].RecordOut();
      ++laneSizes[lane];
      lanes[i] = lane;
    }
    const std::size_t first = tracks.size();
    // One lane in the clips' own order, as a main track nearly always is: they are its clips.
    const bool whole = laneSizes.size() == 1 && std::is_sorted(order.begin(), order.end());
    for (std::size_t lane = 0; lane < laneSizes.size(); ++lane) {
      TimelineTrackModel track;
      track.role = role;
      track.lane = static_cast<int>(lane);
      track.video = role == TimelineTrack::MainAv || role == TimelineTrack::InsertAv;
      if (whole) {
        track.clips = std::move(clips);
      } else {
        track.clips.reserve(laneSizes[lane]);
      }
      tracks.push_back(std::move(track));
    }
    if (whole) {
      return;
    }
    for (const std::size_t i : order) {
      tracks[first + lanes[i]].clips.push_back(std::move(clips[i]));
    }
  }

 private:
  const ClipTables& tables_;
  const TimelineFacts& facts_;
  const MediaIndex& media_;  // the relinking trees come after (RelinkTimeline)
  ExportNotes& notes_;
  std::int64_t lastFrame_;  // no clip may end after it: 24 hours from the start
};

}  // namespace

std::string TimelineTrackModel::Name() const {
  static constexpr const char* kNames[] = {"Main AV", "Insert AV", "Extra audio 1", "Extra audio 2"};
  std::string name = kNames[static_cast<int>(role)];
  if (lane > 0) {
    name += " " + std::to_string(lane + 1);
  }
  return name;
}

std::int64_t Timeline::Duration() const {
  std::int64_t end = 0;
  for (const TimelineTrackModel& track : tracks) {
    if (!track.clips.empty()) {
      end = std::max(end, track.clips.back().RecordOut());
    }
  }
  return end;
}

void TimelineFacts::RecordClip(TimelineTrack track, std::int32_t index, const RecordedClip& clip) {
  std::vector<Clip>& clips = clips_[static_cast<int>(track)];
  if (index < 0) {
    return;
  }
  if (clips.size() <= static_cast<std::size_t>(index)) {
    if (clips.capacity() == 0) {
      // Room for the whole table at once: grown a clip at a time, the vector moved every clip
      // it held each time it grew.
      clips.reserve(static_cast<std::size_t>(track == TimelineTrack::MainAv ? kMainCapacity
                                              : track == TimelineTrack::InsertAv ? kInsertCapacity
                                                                                  : kExAudioCapacity));
    }
    clips.resize(static_cast<std::size_t>(index) + 1);
  }
  Clip& kept = clips[static_cast<std::size_t>(index)];
  kept.kind = clip.kind;
  kept.name.assign(clip.name);
  kept.levelIn = clip.levelIn;
  kept.levelOut = clip.levelOut;
  const std::size_t points = keepLevels_ ? std::min(clip.points.size(), kLevelPointLimit) : 0;
  kept.points.assign(clip.points.begin(), clip.points.begin() + static_cast<std::ptrdiff_t>(points));
  if (keepLevels_ && points < clip.points.size()) {
    ++levelPointsCut_;
  }
}

void TimelineFacts::RecordTitle(std::int32_t title, std::int32_t begin) {
  if (keepTitles_) {
    Feed('T', begin);
    lastTitle_ = title;
  }
}

void TimelineFacts::RecordTitleText(std::int32_t title, std::int32_t begin, std::string_view text) {
  if (keepTitles_ && title == lastTitle_) {
    Feed('X', begin, text);
  }
}

namespace {

constexpr std::size_t kFeedPiece = 64 * 1024;  // handed to the decoding thread at a time
constexpr std::size_t kRecordHead = 9;           // a record's kind, begin and text length

// Appends a record of the titles' feed to piece: its kind, begin, text length and text.
void AppendRecord(std::string& piece, char kind, std::int32_t begin, std::string_view text) {
  char head[kRecordHead] = {kind};
  const auto length = static_cast<std::uint32_t>(text.size());
  std::memcpy(head + 1, &begin, 4);
  std::memcpy(head + 5, &length, 4);
  piece.append(head, kRecordHead);
  piece.append(text);
}

// Calls each(kind, begin, text) for each record of a piece of the titles' feed.
template <class Each>
void ForEachRecord(const char* data, std::size_t size, Each each) {
  for (std::size_t at = 0; at < size;) {
    std::int32_t begin;
    std::uint32_t length;
    std::memcpy(&begin, data + at + 1, 4);
    std::memcpy(&length, data + at + 5, 4);
    each(data[at], begin, std::string_view(data + at + kRecordHead, length));
    at += kRecordHead + length;
  }
}

}  // namespace

void TimelineFacts::Feed(char kind, std::int32_t begin, std::string_view text) {
  if (pieces_[feed_].capacity() < kFeedPiece) {
    // A piece's room at once, with some for the record that ends it: grown from nothing, a
    // piece was copied at each doubling, each time into memory not touched before.
    pieces_[feed_].reserve(kFeedPiece + kFeedPiece / 4);
  }
  AppendRecord(pieces_[feed_], kind, begin, text);
  if (pieces_[feed_].size() >= kFeedPiece) {
    Drain(false);
  }
}

void TimelineFacts::Drain(bool last) const {
  if (!decoder_) {
    // 'T' a title's begin, 'X' a text to decode, 'U' a text decoded already.
    decoder_ = std::make_unique<PieceThread>([store = titles_](const char* data, std::size_t size, std::string&) {
      ForEachRecord(data, size, [&](char kind, std::int32_t begin, std::string_view text) {
        if (kind == 'T') {
          store->AddTitle(begin);
        } else if (kind == 'U') {
          store->AddText(text);
        } else {
          store->AddText(DecodeShiftJisView(text));
        }
      });
      return true;
    }, kFeedDepth);
  }
  std::string& feed = pieces_[feed_];
  if (last) {
    decoder_->Do(feed.data(), feed.size());
    feed.clear();
    return;
  }
  // A piece that finds the thread with all it may be handed still to do is decoded here rather
  // than waited for, into a piece the thread does not hold: the reading, which had waited for
  // the decoding, shares it.
  const auto free = [&] {
    int piece = 0;
    while (piece == feed_ || std::find(handed_, handed_ + handedCount_, piece) != handed_ + handedCount_) {
      ++piece;
    }
    return piece;
  };
  int handed = feed_;
  if (decoder_->Busy()) {
    handed = free();
    std::string& decoded = pieces_[handed];
    decoded.clear();
    ForEachRecord(feed.data(), feed.size(), [&](char kind, std::int32_t begin, std::string_view text) {
      if (kind == 'X') {
        AppendRecord(decoded, 'U', begin, DecodeShiftJisView(text));
      } else {
        AppendRecord(decoded, kind, begin, text);
      }
    });
  }
  decoder_->Hand(pieces_[handed].data(), pieces_[handed].size());  // the piece kFeedDepth before is done
  if (handedCount_ == kFeedDepth) {
    std::copy(handed_ + 1, handed_ + kFeedDepth, handed_);
    --handedCount_;
  }
  handed_[handedCount_++] = handed;
  if (feed_ == handed) {
    feed_ = free();
  }
  pieces_[feed_].clear();
}

const std::shared_ptr<TitleStore>& TimelineFacts::titles() const {
  Drain(true);
  return titles_;
}

const TimelineFacts::Clip* TimelineFacts::Find(TimelineTrack track, std::int32_t index) const {
  const std::vector<Clip>& clips = clips_[static_cast<int>(track)];
  return index >= 0 && static_cast<std::size_t>(index) < clips.size() ? &clips[static_cast<std::size_t>(index)]
                                                                        : nullptr;
}

std::optional<FrameRate> RateOfMode(TimecodeMode mode) {
  switch (mode) {
    case TimecodeMode::NtscDropFrame: return FrameRate{30000, 1001, true};
    case TimecodeMode::NtscNonDrop: return FrameRate{30000, 1001, false};
    case TimecodeMode::Pal: return FrameRate{25, 1, false};
    case TimecodeMode::Frames: break;
  }
  return std::nullopt;
}

std::int64_t DayFrames(const FrameRate& rate) {
  // A drop-frame day skips two labels in 54 of every 60 minutes: 2,589,408 frames.
  return rate.dropFrame ? 24 * (17982 * 6) : std::int64_t{24} * 3600 * rate.Nominal();
}

Timeline BuildTimeline(const ClipTables& tables, const TimelineFacts& facts, const TimelineSource& source) {
  Timeline timeline;
  timeline.name = source.projectName;
  timeline.rate = source.rate;
  timeline.start = source.start;
  timeline.height = timeline.rate.Nominal() == 25 ? 576 : 480;
  timeline.wide = facts.wide();

  EventsByTrack events;
  DecideEdlEvents(tables, events);
  // The other tracks are made on a thread of their own while the main track is made: each clip
  // decodes and looks up its media's name, a sixth of a large project's export. Their tracks and
  // notes follow the main track's, as if made after it.
  struct Side {
    std::vector<TimelineTrackModel> tracks;
    ExportNotes notes;
  };
  const MediaIndex media(source.mediaFolder);
  const auto makeSide = [&] {
    Side side;
    Builder builder(tables, facts, media, source, side.notes);
    builder.SideTracks(TimelineTrack::InsertAv, events.events[1], side.tracks);
    builder.SideTracks(TimelineTrack::ExAudio1, events.events[2], side.tracks);
    builder.SideTracks(TimelineTrack::ExAudio2, events.events[3], side.tracks);
    return side;
  };
  const std::size_t sideEvents = events.events[1].size() + events.events[2].size() + events.events[3].size();
  std::future<Side> sideMade;
  if (sideEvents >= kSideThreadEvents) {
    sideMade = std::async(std::launch::async, makeSide);
  }
  Builder(tables, facts, media, source, timeline.notes).MainTrack(events.events[0], timeline);
  Side side = sideMade.valid() ? sideMade.get() : makeSide();
  timeline.notes.Add(side.notes);
  std::move(side.tracks.begin(), side.tracks.end(), std::back_inserter(timeline.tracks));

  if (facts.levelPointsCut() > 0) {
    timeline.notes.Add({ExportChange::LevelPointsCut, facts.levelPointsCut(), 0});
  }
  TitleStore& titles = *facts.titles();
  titles.Finish();
  const std::int64_t day = DayFrames(source.rate) - source.start;
  titles.KeepIf([&](std::int64_t begin) {
    if (begin >= 0 && begin < day) {
      return true;
    }
    timeline.notes.Add(ExportChange::TitleLeftOut, begin);
    return false;
  });
  if (titles.shortened() > 0) {
    timeline.notes.Add({ExportChange::TitleTextCut, titles.shortened(), 0});
  }
  if (titles.leftOut() > 0) {
    timeline.notes.Add({ExportChange::TitlesPastLimit, titles.leftOut(), 0});
  }
  timeline.titles = TimelineTitles(facts.titles());
  RelinkTimeline(timeline, source.relinkTrees);
  return timeline;
}

void RelinkTimeline(Timeline& timeline, const std::vector<std::shared_ptr<const MediaTree>>& trees) {
  if (trees.empty()) {
    return;
  }
  for (TimelineTrackModel& track : timeline.tracks) {
    for (TimelineClip& clip : track.clips) {
      if (clip.media == MediaKind::Color || clip.found || clip.path.empty()) {
        continue;  // no file, found already, or a name that names none
      }
      if (const std::optional<FoundMedia> found = FindInTrees(clip.projectName, trees)) {
        clip.path = found->location.path;
        clip.found = true;
      }
    }
  }
}

}  // namespace morvane
