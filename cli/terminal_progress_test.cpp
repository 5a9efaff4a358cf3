#include "cli/terminal_progress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace morvane {
namespace {

std::string Captured(std::FILE* stream) {
  std::fflush(stream);
  std::rewind(stream);
  std::string text;
  char buffer[256];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0) {
    text.append(buffer, n);
  }
  return text;
}

TEST(BarProgress, EndsWithTheFullBarOnItsOwnLine) {
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(nullptr, stream);
  BarProgress progress(stream, "a.dvc");
  progress.SetStatus("[MainAV] 1 / 1");
  for (int i = 0; i < 200; ++i) progress.Step();
  progress.SetStatus("");
  progress.Finish();
  const std::string text = Captured(stream);
  EXPECT_NE(std::string::npos, text.rfind("\ra.dvc [##############################] 200/200 \033[K\n"));
  std::fclose(stream);
}

}  // namespace
}  // namespace morvane
