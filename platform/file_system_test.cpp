// What a name is, through symbolic links or not, and what a folder lists (AbsolutePath:
// convert/media_folder_test.cpp).
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "platform/process.h"
#include "platform/utf8_path.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

TEST(FileSystem, TellsWhatEachNameIsAndListsTheFolder) {
  const fs::path folder = fs::temp_directory_path() / ("morvane-names-" + std::to_string(ProcessId()));
  fs::remove_all(folder);
  fs::create_directories(folder / "sub");
  std::ofstream(folder / Utf8Path("ソース.avi")) << "x";
#ifndef _WIN32
  fs::create_symlink(folder / Utf8Path("ソース.avi"), folder / "link");
  fs::create_symlink(folder / "gone", folder / "dangling");
  fs::create_directory_symlink(folder / "sub", folder / "sublink");
#endif
  const struct {
    const char* name;
    bool exists;
    PathKind kind;
  } rows[] = {
      {"ソース.avi", true, PathKind::File}, {"sub", true, PathKind::Folder}, {"missing", false, PathKind::Missing},
#ifndef _WIN32
      {"link", true, PathKind::File}, {"dangling", true, PathKind::Missing}, {"sublink", true, PathKind::Folder},
#endif
  };
  std::set<std::string> names;
  for (const auto& row : rows) {
    const std::string path = Utf8Text(folder / Utf8Path(row.name));
    EXPECT_EQ(row.exists, PathExists(path)) << row.name;
    EXPECT_EQ(row.kind, KindOf(path)) << row.name;
    if (row.exists) names.insert(row.name);
  }
  const std::vector<std::string> listed = FolderNames(Utf8Text(folder));
  EXPECT_EQ(names, std::set<std::string>(listed.begin(), listed.end()));
  EXPECT_TRUE(FolderNames(Utf8Text(folder / "missing")).empty());
  EXPECT_TRUE(FolderNames(Utf8Text(folder / "sub")).empty());
  fs::remove_all(folder);
}

}  // namespace
}  // namespace morvane
