#include "bench/bench_projects.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "convert/listing_driver.h"
#include "testing/listing_run.h"

namespace morvane::bench {
namespace {

// Lines of each listing section, by heading; the EDL after "[END]" is left out.
std::map<std::string, int> LinesPerSection(const std::string& text) {
  std::map<std::string, int> lines;
  std::string heading;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      end = text.size();
    }
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    if (line == "[END]") {
      break;
    }
    if (!line.empty() && line.front() == '[' && line.back() == ']') {
      heading = line;
      lines[heading];
    } else {
      ++lines[heading];
    }
  }
  return lines;
}

TEST(BenchProjects, MaximalProjectFillsEveryTableAndIsReadToItsLastByte) {
  testing::ListingRun run(MaximalProject());
  ListingDriver(run.context).Run();

  EXPECT_EQ(0, run.Remaining());
  EXPECT_EQ(0u, run.source.BytesPastEnd());
  EXPECT_EQ(200, run.progress.steps);
  const std::map<std::string, int> expected = {
      {"[Header]", 4},          {"[MainAV]", 1000},      {"[InsertAV]", 300},
      {"[ExAudio1]", 300},      {"[ExAudio2]", 300},     {"[Effect]", 999},
      {"[Title]", 1000 * 5},    {"[FilterMainAV]", 3000}, {"[FilterInsertAV]", 900},
      {"[FilterExAudio1]", 300}, {"[FilterExAudio2]", 300}, {"[BinWindow]", 1000},
      {"[Option]", 4}};
  EXPECT_EQ(expected, LinesPerSection(run.Output()));
}

TEST(BenchProjects, TitleProjectsComeWithinOneTitleOfTheirSizeAndAreReadToTheirLastByte) {
  const struct {
    testing::ProjectWriter file;
    int linesPerTitle;  // head line, the items, closing line
    std::size_t titleBytes;
  } projects[] = {{TitleHeavyProject(2'000'000), 26, 25'000}, {TextHeavyProject(2'000'000), 10, 18'000}};
  for (const auto& project : projects) {
    EXPECT_LE(project.file.size(), 2'000'000u + 200u);  // the filter record and options after the titles
    EXPECT_GT(project.file.size(), 2'000'000u - project.titleBytes);

    testing::ListingRun run(project.file);
    ListingDriver(run.context).Run();

    EXPECT_EQ(0, run.Remaining());
    EXPECT_EQ(0u, run.source.BytesPastEnd());
    EXPECT_EQ(200, run.progress.steps);
    const std::map<std::string, int> lines = LinesPerSection(run.Output());
    EXPECT_EQ(1, lines.at("[MainAV]"));
    EXPECT_EQ(3, lines.at("[FilterMainAV]"));
    EXPECT_EQ(0, lines.at("[Title]") % project.linesPerTitle);
    EXPECT_GT(lines.at("[Title]") / project.linesPerTitle, 90);
  }
}

}  // namespace
}  // namespace morvane::bench
