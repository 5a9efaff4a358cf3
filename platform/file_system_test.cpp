// What a name is, through links or not, and what a folder lists (AbsolutePath: MediaFolder's test).
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/utf8_path.h"
#include "testing/scratch_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

TEST(FileSystem, TellsWhatEachNameIsAndListsTheFolder) {
  const testing::ScratchFolder scratch;
  fs::create_directories(scratch / "sub");
  testing::WriteFile(scratch / "ソース.avi", "x");
#ifndef _WIN32
  fs::create_symlink(scratch / "ソース.avi", scratch / "link");
  fs::create_symlink(scratch / "gone", scratch / "dangling");
#endif
  const struct {
    const char* name;
    bool exists;
    PathKind kind;
  } rows[] = {
      {"ソース.avi", true, PathKind::File},  {"sub", true, PathKind::Folder},
      {"missing", false, PathKind::Missing},
#ifndef _WIN32
      {"link", true, PathKind::File},        {"dangling", true, PathKind::Missing},
#endif
  };
  std::set<std::string> names;
  for (const auto& row : rows) {
    const std::string path = Utf8Text(scratch / row.name);
    EXPECT_EQ(row.exists, PathExists(path)) << row.name;
    EXPECT_EQ(row.kind, KindOf(path)) << row.name;
    if (row.exists) names.insert(row.name);
  }
  const std::vector<std::string> listed = FolderNames(Utf8Text(scratch.path));
  EXPECT_EQ(names, std::set<std::string>(listed.begin(), listed.end()));
  EXPECT_TRUE(FolderNames(Utf8Text(scratch / "missing")).empty());
}

}  // namespace
}  // namespace morvane
