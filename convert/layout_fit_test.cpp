#include "convert/layout_fit.h"

#include <gtest/gtest.h>

#include "testing/doubles/listing_run.h"
#include "testing/effect_title_records.h"
#include "testing/filter_bin_records.h"
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

}  // namespace
}  // namespace morvane
