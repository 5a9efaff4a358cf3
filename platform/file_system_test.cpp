// The files under a folder, read on one thread or several: the same paths in the same order,
// each file once through loops of links and folders reached twice, what cannot be read named.
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/utf8_path.h"
#include "testing/scratch_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Paths(const PackedTexts& texts) {
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < texts.size(); ++i) paths.emplace_back(texts[i]);
  return paths;
}

// A generated tree: 30 folders of files and subfolders, one empty, one named in UTF-8; on POSIX
// links back to the top, to themselves, across to a folder found anyway, to a file, to nothing,
// and one folder that cannot be read.
class FilesUnderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int f = 0; f < 30; ++f) {
      const fs::path folder = scratch / ("f" + std::to_string(f));
      fs::create_directories(folder / "sub" / "deep");
      for (int i = 0; i < 4; ++i) testing::WriteFile(folder / ("clip" + std::to_string(i) + ".avi"), "x");
      testing::WriteFile(folder / "sub" / "deep" / "last.avi", "x");
      files += 5;
    }
    fs::create_directories(scratch / "empty");
    fs::create_directories(scratch / "かな");
    testing::WriteFile(scratch / "かな/が.avi", "x");
    testing::WriteFile(scratch / "top.avi", "x");
    files += 2;
#ifndef _WIN32
    fs::create_directory_symlink("..", scratch / "f0" / "up");
    fs::create_directory_symlink(".", scratch / "f1" / "sub" / "self");
    fs::create_directory_symlink("../f3", scratch / "f2" / "across");
    fs::create_directory_symlink("../../f4/sub", scratch / "f5" / "sub" / "other");
    fs::create_symlink("clip0.avi", scratch / "f6" / "again.avi");
    fs::create_symlink("nowhere.avi", scratch / "f7" / "dangling.avi");
    files += 1;  // again.avi
    fs::create_directories(scratch / "f8" / "locked");
    testing::WriteFile(scratch / "f8" / "locked" / "hidden.avi", "x");
    fs::permissions(scratch / "f8" / "locked", fs::perms::none);
    std::error_code error;
    fs::directory_iterator probe(scratch / "f8" / "locked", error);
    locked = static_cast<bool>(error);
    files += locked ? 0 : 1;
#endif
  }
  void TearDown() override { fs::permissions(scratch / "f8" / "locked", fs::perms::owner_all, ignored); }

  const testing::ScratchFolder scratch;
  std::size_t files = 0;
  bool locked = false;  // the user cannot read f8/locked (a user other than root)
  std::error_code ignored;
};

TEST_F(FilesUnderTest, SeveralThreadsGiveWhatOneGives) {
  const std::string root = Utf8Text(scratch.path);
  const FolderTree one = FilesUnder(root, 1);
  const std::vector<std::string> paths = Paths(one.files);
  EXPECT_EQ(files, paths.size());
  EXPECT_EQ(files, std::set<std::string>(paths.begin(), paths.end()).size());
  for (const char* path : {"top.avi", "f0/clip0.avi", "f29/sub/deep/last.avi", "かな/が.avi"}) {
    EXPECT_EQ(1, std::count(paths.begin(), paths.end(), path)) << path;
  }
  EXPECT_EQ("top.avi", paths.front());  // the folder given first
#ifndef _WIN32
  EXPECT_EQ(1, std::count(paths.begin(), paths.end(), "f6/again.avi"));
  EXPECT_EQ(0, std::count(paths.begin(), paths.end(), "f7/dangling.avi"));
  // f3 and f4/sub by one way each, whichever is met first
  EXPECT_EQ(1, std::count(paths.begin(), paths.end(), "f3/clip0.avi") +
                   std::count(paths.begin(), paths.end(), "f2/across/clip0.avi"));
  EXPECT_EQ(1, std::count(paths.begin(), paths.end(), "f4/sub/deep/last.avi") +
                   std::count(paths.begin(), paths.end(), "f5/sub/other/deep/last.avi"));
#endif
  EXPECT_EQ(locked ? std::vector<std::string>{root + "/f8/locked"} : std::vector<std::string>{}, one.unreadable);
  // Each file's tag, made on the thread that read its folder, comes back beside its path.
  const FileTag tag = [](std::string_view name) { return std::hash<std::string_view>{}(name); };
  std::vector<std::uint64_t> tags;
  for (const std::string& path : paths) {
    tags.push_back(tag(std::string_view(path).substr(path.rfind('/') + 1)));
  }
  EXPECT_TRUE(one.tags.empty());
  for (const unsigned workers : {2u, 3u, 4u, 0u}) {
    for (int run = 0; run < 5; ++run) {  // the threads meet the folders in another order each time
      const FolderTree several = FilesUnder(root, workers, tag);
      EXPECT_EQ(paths, Paths(several.files)) << workers;
      EXPECT_EQ(tags, several.tags) << workers;
      EXPECT_EQ(one.unreadable, several.unreadable) << workers;
    }
  }
}

TEST_F(FilesUnderTest, NamesTheFolderGivenWhenItIsNoFolder) {
  const struct {
    const char* name;
    std::size_t files;
  } rows[] = {{"missing", 0}, {"top.avi", 0}, {"empty", 0}, {"f9/sub", 1}};
  for (const auto& row : rows) {
    for (const unsigned workers : {1u, 2u}) {
      const std::string folder = Utf8Text(scratch / row.name);
      const FolderTree tree = FilesUnder(folder, workers);
      EXPECT_EQ(row.files, tree.files.size()) << row.name;
      EXPECT_EQ(row.files == 0 && std::string(row.name) != "empty" ? std::vector<std::string>{folder}
                                                                   : std::vector<std::string>{},
                tree.unreadable)
          << row.name;
    }
  }
}

}  // namespace
}  // namespace morvane
