#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "convert/listing_driver.h"
#include "interchange/timeline.h"
#include "testing/doubles/listing_run.h"
#include "testing/effect_title_records.h"
#include "testing/track_records.h"

namespace morvane {
namespace {

using testing::ProjectWriter;

// Each track as "NAME: start+length name [D|W duration] ...", file clips with "@source in/frames
// played" ("offline" for a name that names no file), the titles as "T@begin", then what building
// the timeline noted, kind number, count and largest frames: "notes 1x2/30".
std::string Describe(const ProjectWriter& file, TimecodeMode mode = TimecodeMode::Pal, std::int64_t start = 0) {
  testing::ListingRun run(file, {SoftwareKind::EzEdit, mode});
  TimelineFacts facts;
  run.context.recorder = &facts;
  const auto tables = std::make_unique<ClipTables>();
  ListingDriver(run.context).Run(*tables);
  const Timeline timeline = BuildTimeline(*tables, facts, {"p", "/m", RateOfMode(mode).value(), start});
  std::string text = std::to_string(timeline.height) + (timeline.wide ? " 16:9" : " 4:3");
  for (const TimelineTrackModel& track : timeline.tracks) {
    text += " | " + track.Name() + ":";
    for (const TimelineClip& clip : track.clips) {
      text += " " + std::to_string(clip.recordIn) + "+" + std::to_string(clip.duration) + " " + clip.name;
      if (clip.media == MediaKind::File) {
        text += "@" + std::to_string(clip.sourceIn) + "/" + std::to_string(clip.sourceDuration);
      }
      if (clip.path.empty() && clip.media != MediaKind::Color) {
        text += " offline";
      }
      if (clip.transition != TransitionKind::None) {
        text += (clip.transition == TransitionKind::Dissolve ? " D" : " W") + std::to_string(clip.transitionDuration);
      }
      if (!clip.levelPoints.empty()) {
        text += " L" + std::to_string(clip.levelPoints.size()) + "@" + std::to_string(clip.levelPoints.back().position);
      }
    }
  }
  for (const TimelineTitle& title : timeline.titles) {
    text += " T@" + std::to_string(title.begin);
  }
  text += " | notes";
  for (const ExportNote& note : timeline.notes.notes()) {
    text += " " + std::to_string(static_cast<int>(note.change)) + "x" + std::to_string(note.count) + "/" +
            std::to_string(note.frames);
  }
  return text;
}

// A project of version 02.06 with the main clips, inserts, extra audio 1 clips, one effect
// record and titles that the functions append.
ProjectWriter Project(int mainCount, const std::function<void(ProjectWriter&)>& main, int insertCount,
                      const std::function<void(ProjectWriter&)>& inserts, int audioCount = 0,
                      const std::function<void(ProjectWriter&)>& audio = {},
                      std::optional<testing::EffectRecord> effect = {}, std::vector<testing::TitleRecord> titles = {}) {
  ProjectWriter file;
  file.Header(0x0206, 0, mainCount).U32(0);
  main(file);
  file.U32(static_cast<std::uint32_t>(insertCount));
  inserts(file);
  file.U32(static_cast<std::uint32_t>(audioCount));
  if (audio) audio(file);
  file.U32(0);
  file.U32(effect ? 1 : 0);
  if (effect) testing::AppendEffectRecord(file, *effect);
  file.U32(static_cast<std::uint32_t>(titles.size()));
  for (const testing::TitleRecord& title : titles) testing::AppendTitleRecord(file, title, testing::TitleLayout::Extended);
  file.U32(0).U32(0).U32(0).ShortString("");
  return file;
}

void OneMain(ProjectWriter& file) { testing::MainMovie(file, "a.avi", 0, 99); }

// Levels with count points at frames 0, 1, 2...
testing::Levels ManyPoints(std::size_t count) {
  testing::Levels levels(100, 100);
  for (std::size_t p = 0; p < count; ++p) levels.points.emplace_back(static_cast<std::int32_t>(p), 50);
  return levels;
}
void NoClips(ProjectWriter&) {}

// What cannot be placed as the table prints it is changed as little as possible, or left out,
// and every such change is noted (kinds by number: see ExportChange).
TEST(TimelineExport, WhatCannotBePlacedIsChangedOrLeftOutAndNoted) {
  constexpr int kCut = static_cast<int>(ExportChange::ClipCutAtStart);
  constexpr int kBefore = static_cast<int>(ExportChange::ClipBeforeStart);
  constexpr int kPast = static_cast<int>(ExportChange::ClipPastDay);
  constexpr int kShortened = static_cast<int>(ExportChange::TransitionShortened);
  constexpr int kNoName = static_cast<int>(ExportChange::MediaNameInvalid);
  const auto notes = [](int kind, int count, int frames) {
    return " " + std::to_string(kind) + "x" + std::to_string(count) + "/" + std::to_string(frames);
  };
  const struct {
    const char* name;
    ProjectWriter file;
    TimecodeMode mode;
    std::int64_t start;
    std::string expected;
  } rows[] = {
      {"an insert before the start is cut at frame 0, its source moving on",
       Project(1, OneMain, 2,
               [](ProjectWriter& f) {
                 testing::InsertMovie(f, "i.avi", 100, 199, -30);
                 testing::InsertMovie(f, "j.avi", 0, 9, -30);  // wholly before: left out
               }),
       TimecodeMode::Pal, 0,
       "576 4:3 | Main AV: 0+100 a.avi@0/100 | Insert AV: 0+70 i.avi@130/70 | notes" + notes(kCut, 1, 30) +
           notes(kBefore, 1, 0)},
      {"a transition starts at the cut with the duration the table prints",
       Project(2, [](ProjectWriter& f) { testing::MainMovie(f, "a.avi", 0, 99), testing::MainMovie(f, "b.avi", 0, 99); },
               0, NoClips, 0, {}, testing::Transition(0, 80, "Basic - Wipe")),
       TimecodeMode::NtscNonDrop, 0, "480 4:3 | Main AV: 0+80 a.avi@0/80 80+100 b.avi@0/100 W20 | notes"},
      {"a transition longer than its incoming clip is shortened to it",
       Project(2,
               [](ProjectWriter& f) {
                 testing::MainMovie(f, "a.avi", 0, 99);
                 testing::MainMovie(f, "b.avi", 0, 49);
               },
               0, NoClips, 0, {}, testing::Transition(0, 10, "Dissolve")),
       TimecodeMode::Pal, 0, "576 4:3 | Main AV: 0+10 a.avi@0/10 10+50 b.avi@0/50 D50 | notes" + notes(kShortened, 1, 90)},
      {"a transition into a clip whose lane's last clip ends before it is a cut",
       Project(4,
               [](ProjectWriter& f) {
                 testing::MainMovie(f, "a.avi", 0, 99);
                 testing::MainMovie(f, "n.avi", 0, -51);  // negative: the next clip goes back
                 testing::MainMovie(f, "c.avi", 0, 69);   // over a: a further lane
                 testing::MainMovie(f, "d.avi", 0, 29);   // follows c, in the first lane
               },
               0, NoClips, 0, {}, testing::Transition(2, 60, "Dissolve")),
       TimecodeMode::Pal, 0,
       "576 4:3 | Main AV: 0+100 a.avi@0/100 110+30 d.avi@0/30 | Main AV 2: 50+60 c.avi@0/60 | notes" +
           notes(static_cast<int>(ExportChange::ClipWithoutLength), 1, 0)},
      // 24 hours: 2,160,000 PAL frames, 2,592,000 NTSC frames, 2,589,408 drop-frame frames.
      {"a clip ending at 24 hours stays, one ending after it is left out",
       Project(1, OneMain, 2,
               [](ProjectWriter& f) {
                 testing::InsertMovie(f, "i.avi", 0, 9, 2159990);
                 testing::InsertMovie(f, "j.avi", 0, 10, 2159990);
               }),
       TimecodeMode::Pal, 0, "576 4:3 | Main AV: 0+100 a.avi@0/100 | Insert AV: 2159990+10 i.avi@0/10 | notes" +
                                 notes(kPast, 1, 2159990)},
      {"inserts the file lists out of time order are placed in it",
       Project(1, OneMain, 2,
               [](ProjectWriter& f) {
                 testing::InsertMovie(f, "late.avi", 0, 9, 50);
                 testing::InsertMovie(f, "early.avi", 0, 9, 10);
               }),
       TimecodeMode::Pal, 0, "576 4:3 | Main AV: 0+100 a.avi@0/100 | Insert AV: 10+10 early.avi@0/10 50+10 late.avi@0/10 | notes"},
      {"the day of a drop-frame clock is shorter",
       Project(1, OneMain, 1, [](ProjectWriter& f) { testing::InsertMovie(f, "i.avi", 0, 9, 2589399); }),
       TimecodeMode::NtscDropFrame, 0, "480 4:3 | Main AV: 0+100 a.avi@0/100 | notes" + notes(kPast, 1, 2589399)},
      {"the day counts from the start",
       Project(1, OneMain, 1, [](ProjectWriter& f) { testing::InsertMovie(f, "i.avi", 0, 9, 2591990 - 108000); }),
       TimecodeMode::NtscNonDrop, 108000,
       "480 4:3 | Main AV: 0+100 a.avi@0/100 | Insert AV: 2483990+10 i.avi@0/10 | notes"},
      {"the 24 hours also bound the main track",
       Project(1, OneMain, 0, NoClips), TimecodeMode::Pal, 2160000 - 99,
       "576 4:3 | Main AV: | notes" + notes(kPast, 1, 0)},
      {"audio names that name no file are offline",
       Project(1, OneMain, 0, NoClips, 3,
               [](ProjectWriter& f) {
                 testing::AudioClip(f, "..", 0, 9, 0);
                 testing::AudioClip(f, "C:\\music\\", 0, 9, 20);
                 testing::AudioClip(f, ".", 0, 9, 40);
               }),
       TimecodeMode::Pal, 0,
       "576 4:3 | Main AV: 0+100 a.avi@0/100 | Extra audio 1: 0+10 ..@0/10 offline 20+10 @0/10 offline 40+10 .@0/10 "
       "offline | notes" + notes(kNoName, 3, 0)},
      {"a clip's level points past the limit are left out",
       Project(1, OneMain, 0, NoClips, 2,
               [](ProjectWriter& f) {
                 testing::AudioClip(f, "m.wav", 0, 9, 0, ManyPoints(kLevelPointLimit));
                 testing::AudioClip(f, "n.wav", 0, 9, 20, ManyPoints(kLevelPointLimit + 1));
               }),
       TimecodeMode::Pal, 0,
       "576 4:3 | Main AV: 0+100 a.avi@0/100 | Extra audio 1: 0+10 m.wav@0/10 L1000@999 20+10 n.wav@0/10 "
       "L1000@999 | notes" + notes(static_cast<int>(ExportChange::LevelPointsCut), 1, 0)},
      {"titles without text items are kept",
       Project(1, OneMain, 0, NoClips, 0, {}, {},
               {testing::TitleRecord{.begin = 40}, testing::TitleRecord{.begin = 70, .items = {testing::NumberedItem("Hi", "", 1)}}}),
       TimecodeMode::Pal, 0, "576 4:3 | Main AV: 0+100 a.avi@0/100 T@40 T@70 | notes"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.expected, Describe(row.file, row.mode, row.start)) << row.name;
  }
}

TEST(TimelineExport, ClipsKeepTheEdlTablesPlacesAndOverlappingClipsTakeFurtherLanes) {
  ProjectWriter file;
  file.Header(0x0206, 0, 3).U32(1);  // 16:9
  testing::MainMovie(file, "a.avi", 0, 99);
  testing::OtherClip(file, "x.mov");  // no length: left out of the timeline
  testing::MainMovie(file, "C:\\dv\\b.avi", 10, 59);
  file.U32(3);
  testing::InsertMovie(file, "i1.avi", 0, 49, 20);
  testing::InsertMovie(file, "i2.avi", 0, 49, 40);   // overlaps i1
  testing::InsertMovie(file, "i3.avi", 0, 9, -30);   // before the start
  file.U32(1);
  testing::AudioClip(file, "m.wav", 0, 9, 5);
  file.U32(0);
  file.U32(1);
  testing::AppendEffectRecord(file, testing::Transition(0, 90, ""));  // shortened, but a cut
  file.U32(0);
  file.U32(0).U32(0).U32(0).ShortString("");
  EXPECT_EQ("576 16:9 | Main AV: 0+90 a.avi@0/90 90+50 b.avi@10/50 | Insert AV: 20+50 i1.avi@0/50"
            " | Insert AV 2: 40+50 i2.avi@0/50 | Extra audio 1: 5+10 m.wav@0/10 | notes 2x1/0",
            Describe(file));
}

// Enough clips off the main track to be made beside it: their tracks and notes still follow the
// main track's.
TEST(TimelineExport, ManyClipsOffTheMainTrackFollowItAsIfMadeAfterIt) {
  constexpr int kInserts = 70;
  const auto note = [](ExportChange kind, int count, int frames) {
    return " " + std::to_string(static_cast<int>(kind)) + "x" + std::to_string(count) + "/" + std::to_string(frames);
  };
  const ProjectWriter file = Project(
      2, [](ProjectWriter& f) { testing::MainMovie(f, "a.avi", 0, 99), testing::MainMovie(f, "b.avi", 0, 49); },
      kInserts,
      [](ProjectWriter& f) {
        testing::InsertMovie(f, "gone.avi", 0, 9, -30);  // wholly before the start
        for (int i = 1; i < kInserts; ++i) testing::InsertMovie(f, "i" + std::to_string(i) + ".avi", 0, 9, 10 * i);
      },
      1, [](ProjectWriter& f) { testing::AudioClip(f, "..", 0, 9, 0); }, testing::Transition(0, 10, "Dissolve"));
  std::string inserts;
  for (int i = 1; i < kInserts; ++i) inserts += " " + std::to_string(10 * i) + "+10 i" + std::to_string(i) + ".avi@0/10";
  EXPECT_EQ("576 4:3 | Main AV: 0+10 a.avi@0/10 10+50 b.avi@0/50 D50 | Insert AV:" + inserts +
                " | Extra audio 1: 0+10 ..@0/10 offline | notes" + note(ExportChange::TransitionShortened, 1, 90) +
                note(ExportChange::ClipBeforeStart, 1, 0) + note(ExportChange::MediaNameInvalid, 1, 0),
            Describe(file));
}

}  // namespace
}  // namespace morvane
