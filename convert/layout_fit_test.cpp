#include "convert/layout_fit.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "convert/conversion_job.h"
#include "testing/doubles/listing_run.h"
#include "testing/doubles/recording_progress.h"
#include "testing/effect_title_records.h"
#include "testing/example_projects.h"
#include "testing/filter_bin_records.h"
#include "testing/scratch_folder.h"
#include "testing/track_records.h"

namespace morvane {
namespace {

using namespace morvane::testing;

// A project as the editor of kind writes it: shape 0 has no clips, 1 main and audio clips,
// 2 every section.
ProjectWriter WrittenBy(SoftwareKind kind, int version, int shape) {
  const bool filters = version >= 0x0207 && kind == SoftwareKind::RexEdit;
  const bool extended = version >= 0x0207 || kind == SoftwareKind::EzEdit;
  const std::uint32_t full = shape == 2;
  ProjectWriter file;
  file.Header(version, shape, shape == 0 ? 0 : 2);
  if (version >= 0x0205) file.U32(1);
  if (filters) file.U32(1);
  if (shape != 0) {
    MainStill(MainMovie(file, "a.avi", 0, 99, {10, 10, {{5, 7}}}), "b.JPG", 0, 49, "card").U32(full);
    if (full) InsertStill(file, "c.png", -5, 94, 30, "sign");
    AudioClip(file.U32(1), "m.wav", 0, 199, 0, {100, 100}).U32(0);
    if (version >= 0x0200) AppendEffectRecord(file.U32(1), Transition(0, 80, "Dissolve")).U32(full);
    TitleRecord title;
    title.items.resize(1);
    if (version >= 0x0200 && full) AppendTitleRecord(file, title, extended ? TitleLayout::Extended : TitleLayout::Plain);
  }
  for (int i = 0; filters && shape != 0 && i < 2 + shape - 1; ++i) AppendVisualFilterRecord(file, {.slow = 1});
  if (filters && shape != 0) AppendAudioFilterRecord(file, {{"Echo", "12"}});  // the one extra audio clip
  for (int i = 0; i < shape; ++i) AppendBinItem(file, {.itemName = "i", .fileName = "a.avi"});
  file.U32(0).U32(2).U32(0);
  if (filters) file.U32(0);
  return file.ShortString("out.avi");
}

TEST(LayoutFit, TheLayoutThatAloneFitsIsTheOneTheProjectWasWrittenWith) {
  for (const SoftwareKind kind : {SoftwareKind::RexEdit, SoftwareKind::EzEdit}) {
    for (const int version : {0x0100, 0x01FF, 0x0200, 0x0204, 0x0205, 0x0206, 0x0207, 0x0208}) {
      for (int shape = 0; shape <= 2; ++shape) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(kind) << " " << version << " " << shape);
        const ProjectWriter file = WrittenBy(kind, version, shape);
        const ProjectProbe probe = ProbeProject(file.bytes());
        EXPECT_TRUE(probe.fit.Fits(kind));
        // Read as the one that fits, RexEdit when both do.
        EXPECT_EQ(probe.fit.Fits(OtherSoftware(kind)) ? SoftwareKind::RexEdit : kind, probe.software);
      }
    }
  }
}

// The job reads with the layout that fits when asked to, and tells which layouts fit: the one it
// read with, and the other only when the first does not (also after a refusal).
TEST(LayoutFit, TheJobTellsWhichLayoutsFitTheProject) {
  const testing::ScratchFolder scratch;
  const std::filesystem::path& folder = scratch.path;
  for (const ExampleProject& example : ExampleProjects()) {
    example.file.SaveTo((folder / example.name).string());
    if (example.name == "rexedit-0207.dvc") ProjectWriter(example.file).U8(0).SaveTo((folder / "tail.dvc").string());
  }
  ProjectWriter().Header(0x0207, 0, 0).SaveTo((folder / "short.dvc").string());  // fits neither
  const auto rex = SoftwareKind::RexEdit, ez = SoftwareKind::EzEdit;
  const struct {
    const char* project;
    SoftwareKind chosen;
    bool byFit;
    bool completed, fits, otherFits;
    SoftwareKind readWith;
    bool endedEarly = false;  // completed without fitting: the file ended first, else bytes were left
  } rows[] = {
      {"rexedit-0207.dvc", rex, false, true, true, false, rex},
      {"rexedit-0207.dvc", ez, false, false, false, true, ez},  // refused
      {"ezedit-0206.dvc", rex, false, true, false, true, rex, true},
      {"ezedit-0206.dvc", ez, false, true, true, false, ez},
      {"ezedit-0206.dvc", rex, true, true, true, false, ez},
      {"short.dvc", rex, false, true, false, false, rex, true},
      {"short.dvc", ez, true, true, false, false, rex, true},
      {"tail.dvc", rex, false, true, false, false, rex, false},  // one byte after its last section
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.project << " " << static_cast<int>(row.chosen) << row.byFit);
    const std::string source = (folder / row.project).string(), destination = (folder / "out.txt").string();
    ConversionJob job(source, destination, {row.chosen, TimecodeMode::NtscDropFrame});
    if (row.byFit) job.ChooseSoftwareByFit();
    RecordingProgress progress;
    const ConversionOutcome outcome = job.Run(progress);
    EXPECT_EQ(row.completed, outcome.completed());
    EXPECT_EQ(row.fits, outcome.fits);
    EXPECT_EQ(row.otherFits, outcome.otherFits);
    EXPECT_EQ(row.readWith, outcome.software);
    EXPECT_EQ(row.endedEarly, outcome.endedEarly);
  }
}

}  // namespace
}  // namespace morvane
