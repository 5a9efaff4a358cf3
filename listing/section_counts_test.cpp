// A zero or negative count reads nothing, in every section: the golden files hold none.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "listing/bin_window_section.h"
#include "listing/effect_section.h"
#include "listing/filter_sections.h"
#include "listing/title_section.h"
#include "listing/track_sections.h"
#include "testing/doubles/listing_run.h"

namespace morvane {
namespace {

using testing::ListingRun;
using testing::ProjectWriter;

struct Section {
  const char* name;
  std::function<void(ListingContext&, std::int32_t, ClipTables&)> read;
};

const Section kSections[] = {
    {"[MainAV]", [](auto& c, auto n, auto& t) { ReadMainAvSection(c, n, t.mainClips); }},
    {"[InsertAV]", [](auto& c, auto n, auto& t) { ReadInsertAvSection(c, n, t.insertClips); }},
    {"[ExAudio]", [](auto& c, auto n, auto& t) { ReadExAudioSection(c, n, t.exAudio2Clips); }},
    {"[Effect]", [](auto& c, auto n, auto& t) { ReadEffectSection(c, n, t.mainClips); }},
    {"[Title]", [](auto& c, auto n, auto&) { ReadTitleSection(c, n, 0x0207); }},
    {"[FilterVisual]", [](auto& c, auto n, auto& t) { ReadVisualFilterSection(c, n, t.insertClips); }},
    {"[FilterAudio]", [](auto& c, auto n, auto&) { ReadAudioFilterSection(c, n); }},
    {"[BinWindow]", [](auto& c, auto n, auto&) { ReadBinWindowSection(c, n); }},
};

TEST(Sections, ZeroOrNegativeCountReadsNothing) {
  const ProjectWriter file = ProjectWriter().ShortString("a.avi").Bytes(std::string(64, '\x01'));
  const auto fresh = std::make_unique<ClipTables>();
  for (const Section& section : kSections) {
    for (const std::int32_t count : {0, -1, INT32_MIN}) {
      SCOPED_TRACE(::testing::Message() << section.name << " " << count);
      ListingRun run(file);
      auto tables = std::make_unique<ClipTables>();
      section.read(run.context, count, *tables);
      EXPECT_EQ("", run.Output());
      EXPECT_EQ(static_cast<std::int64_t>(file.size()), run.Remaining());
      EXPECT_EQ(0, run.progress.steps);
      EXPECT_TRUE(run.progress.statuses.empty());
      EXPECT_EQ(0, std::memcmp(fresh.get(), tables.get(), sizeof(ClipTables)));
    }
  }
}

}  // namespace
}  // namespace morvane
