#include "listing/media_finder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "listing/unicode_compose.h"
#include "platform/utf8_path.h"
#include "testing/scratch_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

TEST(ComposeNfc, ComposesTheMarksOfLatinAndKanaInAnyOrderAndLeavesWidthsAlone) {
  const struct {
    const char *given, *composed;
  } rows[] = {
      {"か\u3099.avi", "が.avi"},
      {"ハ\u309A", "パ"},
      {"e\u0301t\u00E9", "\u00E9t\u00E9"},
      {"A\u030A", "\u00C5"},
      {"\u0438\u0306", "\u0439"},  // Cyrillic short i
      {"a\u0323\u0302", "\u1EAD"},
      {"a\u0302\u0323", "\u1EAD"},  // marks in either order
      {"\u00E2\u0323", "\u1EAD"},
      {"e\u0301\u0301", "\u00E9\u0301"},
      {"\u0301e", "\u0301e"},
      {"q\u0301", "q\u0301"},  // no letter to join
      {"\uFF76\uFF9E", "\uFF76\uFF9E"},
      {"\uFF21", "\uFF21"},                           // half- and full-width stay
      {"a\u0306\u0338\u0301", "\u0103\u0338\u0301"},  // a mark outside the table blocks
      {"\xff\x61\xcc\x81", "\xff\x61\xcc\x81"},
      {"plain.AVI", "plain.AVI"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.composed, ComposeNfc(row.given)) << row.given;
}

// A generated archive: the media folder holds one clip, the rest moved into subfolders of the
// relinking folder, renamed, decomposed, duplicated, behind a link loop.
class MediaFinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(scratch / "media");
    for (const char* folder : {"a/b", "d0", "d1", "e", "x", "かな"}) {
      fs::create_directories(scratch.path / "archive" / Utf8Path(folder));
    }
    for (const char* file :
         {"media/here.avi", "media/は\u309A.wav", "archive/here.avi", "archive/a/b/moved.avi",
          "archive/CASE.AVI", "archive/x/stem.mov", "archive/x/stem.wav", "archive/かな/か\u3099.avi",
          "archive/d1/dup.avi", "archive/d0/dup.avi", "archive/e/DUP.avi"}) {
      testing::WriteFile(scratch / file, file);
    }
    fs::create_directory(scratch / "archive" / "x" / "folder.avi");  // a folder is no media
#ifndef _WIN32
    fs::create_directory_symlink("..", scratch / "archive" / "a" / "loop");
    fs::create_symlink("nowhere.avi", scratch / "archive" / "dangling.avi");
#endif
  }
  std::string At(const char* path) const { return Utf8Text((scratch / path).generic_u8string()); }

  const testing::ScratchFolder scratch;
};

TEST_F(MediaFinderTest, FindsEachMovedFileByTheStrongestMatchFirstInPathOrder) {
  MediaTrees trees;
  const auto archive = trees.Tree(At("archive"));
  EXPECT_EQ(archive, trees.Tree(At("archive")));  // read once
  EXPECT_EQ(9u, archive->size());  // each file under archive/ once: the link loop is not followed again
  const MediaFinder finder(At("media"), {archive});
  const struct {
    const char* name;
    const char* path;  // nullptr: missing
    MediaMatch match;
    std::vector<const char*> others;
  } rows[] = {
      {"C:\\DV\\here.avi", "media/here.avi", MediaMatch::Exact, {}},  // the media folder first
      {"ぱ.wav", "media/は\u309A.wav", MediaMatch::Exact, {}},        // composed there too
      {"moved.avi", "archive/a/b/moved.avi", MediaMatch::Exact, {}},
      {"case.avi", "archive/CASE.AVI", MediaMatch::Case, {}},
      {"stem.avi", "archive/x/stem.mov", MediaMatch::Extension, {"archive/x/stem.wav"}},
      {"が.avi", "archive/かな/か\u3099.avi", MediaMatch::Exact, {}},
      {"dup.avi", "archive/d0/dup.avi", MediaMatch::Exact, {"archive/d1/dup.avi"}},  // not the case match
      {"folder.avi", nullptr, MediaMatch::Exact, {}},
      {"dangling.avi", nullptr, MediaMatch::Exact, {}},
      {"gone.avi", nullptr, MediaMatch::Exact, {}},
  };
  for (const auto& row : rows) {
    const FoundMedia found = finder.Find(row.name);
    EXPECT_EQ(row.path != nullptr, found.location.exists) << row.name;
    EXPECT_EQ(row.path != nullptr ? At(row.path) : At("media") + "/" + MediaBaseName(row.name),
              found.location.path);
    EXPECT_EQ(row.match, found.location.match) << row.name;
    std::vector<std::string> others;
    for (const char* other : row.others) others.push_back(At(other));
    EXPECT_EQ(others, found.others) << row.name;
  }
  EXPECT_FALSE(finder.Find("..").location.named);
}

// Many stems, so that many keys share their top bits: each file is found by its own name, and by
// another extension only where no name matches exactly.
TEST(MediaTree, FindsEachOfManyFiles) {
  const testing::ScratchFolder scratch;
  for (int i = 0; i < 700; ++i) {
    const fs::path folder = scratch / ("d" + std::to_string(i % 7));
    fs::create_directories(folder);
    testing::WriteFile(folder / ("n" + std::to_string(i) + (i % 2 ? ".avi" : ".MOV")), "x");
  }
  const MediaTree tree(Utf8Text(scratch.path));
  ASSERT_EQ(700u, tree.size());
  for (int i = 0; i < 700; ++i) {
    const std::string name = "n" + std::to_string(i) + (i % 2 ? ".avi" : ".MOV");
    const std::string path = Utf8Text(scratch.path) + "/d" + std::to_string(i % 7) + "/" + name;
    std::vector<std::string> found;
    tree.Find(name, MediaMatch::Exact, found);
    EXPECT_EQ(std::vector<std::string>{path}, found) << name;
    found.clear();
    tree.Find("N" + std::to_string(i) + ".wav", MediaMatch::Extension, found);
    EXPECT_EQ(std::vector<std::string>{path}, found) << name;
  }
}

}  // namespace
}  // namespace morvane
