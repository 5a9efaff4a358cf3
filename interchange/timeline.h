#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "interchange/export_notes.h"
#include "interchange/title_store.h"
#include "listing/clip_tables.h"
#include "listing/format_kinds.h"
#include "listing/media_finder.h"
#include "listing/timeline_recorder.h"
#include "platform/piece_thread.h"

namespace morvane {

// The edit as today's editors take it, built once per conversion and written by the OTIO, CMX
// 3600 and MLT writers. Times are whole frames of the project's rate; out points are exclusive.

// 30000/1001 for both NTSC modes (drop frame flagged), 25/1 for PAL.
struct FrameRate {
  int numerator = 30000;
  int denominator = 1001;
  bool dropFrame = true;
  // The nominal frames per second: 30 or 25.
  int Nominal() const { return (numerator + denominator - 1) / denominator; }
};

// Who made the pictures and sound of a clip.
enum class MediaKind {
  File,   // a movie or sound file, read from sourceIn on
  Still,  // a still image, held for the clip's length
  Color,  // a solid colour, generated
};

enum class TransitionKind { None, Dissolve, Wipe };

struct TimelineClip {
  std::string name;            // UTF-8, for editors to show: the media file's name
  std::string projectName;     // File and Still: the name as the project holds it, decoded (a path)
  MediaKind media = MediaKind::File;
  std::string path;            // File and Still: the media file, UTF-8, also when missing
  bool found = false;          // the file was found, in the media folder or a relinking tree
  std::string colour;          // Color: "RRGGBB" (upper-case hex), the clip's first colour
  std::int64_t recordIn = 0;   // first timeline frame
  std::int64_t duration = 0;   // frames on the timeline, at least 1
  std::int64_t sourceIn = 0;   // first media frame (0 for stills and colour clips)
  // Media frames played: duration, or half of it at half speed (the source range the EDL table
  // prints); a clip from frame 100 to 200 at half speed plays 100 frames over 200.
  std::int64_t sourceDuration = 0;
  bool halfSpeed = false;
  bool hasAudio = false;       // its sound is heard (the EDL's "VA")
  // The transition from the clip before it on its track into this one: it starts at recordIn
  // (the cut point) and lasts transitionDuration frames, taken from the media of the outgoing
  // clip beyond its range. None on the first clip and after a gap.
  TransitionKind transition = TransitionKind::None;
  std::int64_t transitionDuration = 0;
  std::string transitionName;  // the editor's name for it, UTF-8
  // Audio levels as the project holds them; their scale is not known, so no gain is applied.
  bool hasLevels = false;
  std::uint16_t levelIn = 0;
  std::uint16_t levelOut = 0;
  std::vector<LevelPoint> levelPoints;

  std::int64_t RecordOut() const { return recordIn + duration; }
};

// One track of the timeline. A track of the project whose clips overlap one another (insert and
// audio clips carry their own positions) is split into lanes, each a timeline track.
struct TimelineTrackModel {
  TimelineTrack role = TimelineTrack::MainAv;  // the project's track it comes from
  int lane = 0;                     // 0, or 1, 2... for clips that overlap the lanes below
  bool video = true;                // the main and insert tracks carry pictures (and their clips' sound)
  std::vector<TimelineClip> clips;  // in timeline order, none overlapping

  // "Main AV", "Insert AV", "Extra audio 1", "Extra audio 2"; a later lane adds " 2", " 3"...
  std::string Name() const;
};

// The titles of a timeline, in the project's order, each read back when it is taken: iterating
// gives TimelineTitle values.
class TimelineTitles {
 public:
  class Iterator {
   public:
    using value_type = TimelineTitle;
    using difference_type = std::ptrdiff_t;
    Iterator(const TitleStore* store, std::size_t i) : store_(store), i_(i) {}
    TimelineTitle operator*() const { return {store_->Begin(i_), store_->Text(i_)}; }
    Iterator& operator++() { ++i_; return *this; }
    bool operator==(const Iterator& other) const { return i_ == other.i_; }

   private:
    const TitleStore* store_;
    std::size_t i_;
  };

  TimelineTitles() : store_(std::make_shared<TitleStore>()) {}
  explicit TimelineTitles(std::shared_ptr<TitleStore> store) : store_(std::move(store)) {}
  std::size_t size() const { return store_->size(); }
  bool empty() const { return store_->size() == 0; }
  std::int64_t Begin(std::size_t i) const { return store_->Begin(i); }
  std::string Text(std::size_t i) const { return store_->Text(i); }
  // The same, in the store's memory until the next call of either.
  std::string_view TextView(std::size_t i) const { return store_->TextView(i); }
  Iterator begin() const { return {store_.get(), 0}; }
  Iterator end() const { return {store_.get(), store_->size()}; }

 private:
  std::shared_ptr<TitleStore> store_;
};

struct PageFacts;

struct Timeline {
  std::string name;  // the project's file name without its extension, UTF-8
  FrameRate rate;
  int width = 720;
  int height = 480;
  bool wide = false;  // 16:9 rather than 4:3
  std::vector<TimelineTrackModel> tracks;  // bottom first: MainAv, InsertAv, ExAudio1, ExAudio2
  TimelineTitles titles;
  std::int64_t start = 0;  // the frame the first record time names (00:00:00:00 by default)
  ExportNotes notes;       // what building it changed or left out
  // What a page about the project tells beyond the edit (interchange/page_writer.h), filled by
  // the layer that read the project when the page is written; none elsewhere.
  const PageFacts* page = nullptr;

  std::int64_t Duration() const;
};

// Collects what the sections report while the project is read once (TimelineRecorder).
class TimelineFacts final : public TimelineRecorder {
 public:
  // keepTitles, keepLevels: false for a format that writes no titles or no audio level points,
  // which then cost nothing.
  explicit TimelineFacts(bool keepTitles = true, bool keepLevels = true)
      : keepTitles_(keepTitles), keepLevels_(keepLevels) {}

  struct Clip {
    ClipKind kind = ClipKind::Other;
    std::string name;  // raw bytes
    std::uint16_t levelIn = 0;
    std::uint16_t levelOut = 0;
    std::vector<LevelPoint> points;
  };

  void RecordAspectRatio(std::int32_t aspectRatio) override { wide_ = aspectRatio != 0; }
  void RecordClip(TimelineTrack track, std::int32_t index, const RecordedClip& clip) override;
  void RecordTitle(std::int32_t title, std::int32_t begin) override;
  void RecordTitleText(std::int32_t title, std::int32_t begin, std::string_view text) override;

  bool wide() const { return wide_; }
  // The clip recorded at index of track, or nullptr.
  const Clip* Find(TimelineTrack track, std::int32_t index) const;
  // The titles, their texts decoded; empty unless kept. Waits for the texts still being decoded.
  const std::shared_ptr<TitleStore>& titles() const;
  // The clips whose level points passed kLevelPointLimit.
  std::int64_t levelPointsCut() const { return levelPointsCut_; }

 private:
  bool wide_ = false;
  std::vector<Clip> clips_[4];
  bool keepTitles_;
  bool keepLevels_;
  // Adds one record to the titles' feed: a title's begin, or one of its texts.
  void Feed(char kind, std::int32_t begin, std::string_view text = {});
  // Has the feed's records done; when last, waits until all are.
  void Drain(bool last) const;

  std::shared_ptr<TitleStore> titles_ = std::make_shared<TitleStore>();
  std::int32_t lastTitle_ = -1;
  // The titles as read, records of raw texts, decoded and stored on a thread of their own while
  // the project is read on: decoding was half of a text-heavy export's reading. The thread is
  // handed up to kFeedDepth pieces ahead, so that it has the next at hand; a piece that finds
  // them all still to do is decoded here. The pieces: the one being filled, those handed and
  // not yet done, and one for a piece decoded here.
  static constexpr int kFeedDepth = 2;
  mutable std::string pieces_[kFeedDepth + 2];
  mutable int feed_ = 0;               // the piece being filled
  mutable int handed_[kFeedDepth] = {};  // the pieces handed last, the latest last
  mutable int handedCount_ = 0;
  mutable std::unique_ptr<PieceThread> decoder_;
  std::int64_t levelPointsCut_ = 0;
};

// The frame rate of a timecode mode; Frames names none.
std::optional<FrameRate> RateOfMode(TimecodeMode mode);

struct TimelineSource {
  std::string projectName;  // UTF-8
  std::string mediaFolder;  // UTF-8; where the clips' files are looked up
  FrameRate rate;           // the timecode mode's (RateOfMode)
  std::int64_t start = 0;   // the record time of frame 0, in frames
  // Where they are looked for next, each folder with its subfolders (listing/media_finder.h).
  std::vector<std::shared_ptr<const MediaTree>> relinkTrees{};
};

// The frames of 24 hours at rate: the longest time an EDL's record times can count.
std::int64_t DayFrames(const FrameRate& rate);

// The timeline of a project from its clip tables (as the EDL table read them, half speed
// applied) and the facts recorded while it was read. Every clip takes the record position,
// source range, transition and speed that the EDL table prints for it; a still or colour clip
// plays from its first frame. What cannot be placed so is changed or left out and noted in the
// timeline's notes: a clip that starts before frame 0 is cut there, one that ends more than 24
// hours after the start is left out, a transition longer than its incoming clip is shortened
// to it. Each folder of media is read once.
Timeline BuildTimeline(const ClipTables& tables, const TimelineFacts& facts, const TimelineSource& source);

// Looks in trees for the files of the clips whose media the media folder lacks, as BuildTimeline
// does with TimelineSource::relinkTrees: an export that builds its timeline while the relinking
// folders are still being read calls it once they are.
void RelinkTimeline(Timeline& timeline, const std::vector<std::shared_ptr<const MediaTree>>& trees);

}  // namespace morvane
