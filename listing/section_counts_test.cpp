// Rules every section shares: a zero or negative count reads nothing, and the items spend the
// section's share of the progress bar in proportion.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "listing/bin_window_section.h"
#include "listing/effect_section.h"
#include "listing/filter_sections.h"
#include "listing/title_section.h"
#include "listing/track_sections.h"
#include "testing/listing_run.h"

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

TEST(Sections, ItemsSpendTheSectionShareInProportionAndReportEachItem) {
  // Past the end of the file every item reads as an empty one.
  const struct {
    std::size_t section;
    std::int32_t count;
    std::vector<int> steps;
  } cases[] = {{0, 3, {13, 26, 40}}, {0, 1, {40}},         {1, 3, {6, 13, 20}}, {2, 4, {2, 5, 7, 10}},
               {3, 3, {6, 13, 20}},  {4, 7, {8, 17, 25, 34, 42, 51, 60}}, {4, 1, {60}},
               {5, 2, {0, 0}},       {6, 2, {0, 0}},       {7, 2, {0, 0}}};
  for (const auto& c : cases) {
    const Section& section = kSections[c.section];
    ListingRun run{ProjectWriter()};
    auto tables = std::make_unique<ClipTables>();
    section.read(run.context, c.count, *tables);
    EXPECT_EQ(c.steps, run.progress.StepsAfter(section.name)) << section.name;
    const std::vector<std::string> texts = run.progress.Texts();
    ASSERT_EQ(static_cast<std::size_t>(c.count), texts.size());
    const std::string n = std::to_string(c.count);
    EXPECT_EQ(std::string(section.name) + " 1 / " + n, texts.front());
    EXPECT_EQ(std::string(section.name) + " " + n + " / " + n, texts.back());
  }
  ListingRun run{ProjectWriter()};
  auto tables = std::make_unique<ClipTables>();
  kSections[0].read(run.context, 100, *tables);
  const std::vector<int> steps = run.progress.StepsAfter("[MainAV]");
  ASSERT_EQ(100u, steps.size());
  EXPECT_EQ((std::vector<int>{0, 0, 1, 40}), (std::vector<int>{steps[0], steps[1], steps[2], steps[99]}));
}

}  // namespace
}  // namespace morvane
