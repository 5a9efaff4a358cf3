#include "listing/media_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace morvane {
namespace {

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

TEST(MediaNames, DecodesShiftJisBeforeSplittingAtTheLastPathPart) {
  struct Row {
    std::string_view bytes, decoded, baseName;
  };
  const Row rows[] = {
      {"CLIP.AVI", "CLIP.AVI", "CLIP.AVI"},
      // 0x5C is the trail byte of "ソ": the name is not split there.
      {"C:\\DV\\\x83\x5c\x81\x5b\x83\x58.avi", "C:\\DV\\ソース.avi", "ソース.avi"},
      {"D:clip.avi", "D:clip.avi", "clip.avi"},
      {"dv/take\\1.avi", "dv/take\\1.avi", "1.avi"},
      {"\xB1\xB2.avi", "ｱｲ.avi", "ｱｲ.avi"},
      {"a\x80" "b\xFD", "a\uFFFDb\uFFFD", "a\uFFFDb\uFFFD"},
      {"x\x83", "x\uFFFD", "x\uFFFD"},  // a lead byte cut off at the end
      {"C:\\DV\\", "C:\\DV\\", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.bytes);
    const std::string decoded = DecodeShiftJis(row.bytes);
    EXPECT_EQ(row.decoded, decoded);
    EXPECT_EQ(row.baseName, MediaBaseName(decoded));
  }
}

TEST(MediaNames, LocatesTheLastPartExactlyElseIgnoringAsciiCase) {
  const std::filesystem::path folder =
      std::filesystem::path(::testing::TempDir()) / "media_names_test";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "sub.avi");
  std::ofstream(folder / u8"ソース.AVI") << "x";
  std::ofstream(folder / "Clip.avi") << "x";
  const std::string dir = Utf8(folder);
  struct Row {
    std::string_view name, found;
    bool exists;
  };
  const Row rows[] = {
      {"C:\\DV\\Clip.avi", "Clip.avi", true},  {"clip.AVI", "Clip.avi", true},
      {"ソース.avi", "ソース.AVI", true},      {"そーす.avi", "そーす.avi", false},
      {"sub.avi", "sub.avi", false},           {"missing.avi", "missing.avi", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const MediaLocation found = LocateMedia(dir, row.name);
    const std::u8string foundName(row.found.begin(), row.found.end());
    EXPECT_EQ(Utf8(folder / foundName), found.path);
    EXPECT_EQ(row.exists, found.exists);
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace morvane
