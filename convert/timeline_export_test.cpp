#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "convert/listing_driver.h"
#include "interchange/timeline.h"
#include "testing/doubles/listing_run.h"
#include "testing/effect_title_records.h"
#include "testing/track_records.h"

namespace morvane {
namespace {

using testing::ProjectWriter;

// Each track as "NAME: start+length name [D|W duration] ..." from a project read once.
std::string Describe(const ProjectWriter& file, TimecodeMode mode = TimecodeMode::Pal) {
  testing::ListingRun run(file, {SoftwareKind::EzEdit, mode});
  TimelineFacts facts;
  run.context.recorder = &facts;
  const auto tables = std::make_unique<ClipTables>();
  ListingDriver(run.context).Run(*tables);
  const Timeline timeline = BuildTimeline(*tables, facts, {"p", "/m", RateOfMode(mode).value()});
  std::string text = std::to_string(timeline.height) + (timeline.wide ? " 16:9" : " 4:3") + " skipped ";
  std::int64_t skipped = 0;
  for (const ExportNote& note : timeline.notes.notes()) {
    skipped += note.count;
  }
  text += std::to_string(skipped);
  for (const TimelineTrackModel& track : timeline.tracks) {
    text += " | " + track.Name() + ":";
    for (const TimelineClip& clip : track.clips) {
      text += " " + std::to_string(clip.recordIn) + "+" + std::to_string(clip.duration) + " " + clip.name;
      if (clip.transition != TransitionKind::None) {
        text += (clip.transition == TransitionKind::Dissolve ? " D" : " W") + std::to_string(clip.transitionDuration);
      }
    }
  }
  return text;
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
  EXPECT_EQ("576 16:9 skipped 1 | Main AV: 0+90 a.avi 90+50 b.avi | Insert AV: 20+50 i1.avi"
            " | Insert AV 2: 40+50 i2.avi | Extra audio 1: 5+10 m.wav",
            Describe(file));
}

TEST(TimelineExport, ATransitionStartsAtTheCutWithTheDurationTheTablePrints) {
  ProjectWriter file;
  file.Header(0x0206, 0, 2).U32(0);
  testing::MainMovie(file, "a.avi", 0, 99);
  testing::MainMovie(file, "b.avi", 0, 99);
  file.U32(0).U32(0).U32(0);
  file.U32(1);
  testing::AppendEffectRecord(file, testing::Transition(0, 80, "Basic - Wipe"));
  file.U32(0);
  file.U32(0).U32(0).U32(0).ShortString("");
  EXPECT_EQ("480 4:3 skipped 0 | Main AV: 0+80 a.avi 80+100 b.avi W20", Describe(file, TimecodeMode::NtscNonDrop));
}

}  // namespace
}  // namespace morvane
