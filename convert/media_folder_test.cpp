#include "convert/media_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace morvane {
namespace {

// One rule for the exports and the probe: the folder given, else the project's, else ".".
TEST(MediaFolder, IsTheFolderGivenElseTheProjectsAbsoluteForTheExports) {
  const struct {
    const char *given, *source, *folder, *absolute;  // absolute: below the current folder
  } rows[] = {
      {"media", "p/a.dvc", "media", "media"},
      {"m/../n", "p/a.dvc", "m/../n", "n"},
      {"", "p/a.dvc", "p", "p"},
      {"", "a.dvc", ".", ""},
  };
  const std::u8string current = std::filesystem::current_path().generic_u8string();
  for (const auto& row : rows) {
    EXPECT_EQ(row.folder, MediaFolder(row.given, row.source)) << row.given << " " << row.source;
    std::string absolute = AbsoluteMediaFolder(row.given, row.source);
    if (absolute.ends_with('/')) absolute.pop_back();  // "." is "/now/" on POSIX, "C:/now" on Windows
    const std::string now(current.begin(), current.end());
    EXPECT_EQ(*row.absolute ? now + "/" + row.absolute : now, absolute) << row.given << " " << row.source;
  }
  EXPECT_EQ("/p/q", MediaFolder("", "/p/q/a.dvc"));
}

}  // namespace
}  // namespace morvane
