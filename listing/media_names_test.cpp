#include "listing/media_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/process.h"
#include "platform/utf8_path.h"

namespace morvane {
namespace {

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

// The folder's own spelling of a name: the exact one first, else one that differs in ASCII case;
// a folder of that name is no media file.
TEST(MediaNames, LocatesTheNameAsTheFolderSpellsItAndSkipsFolders) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("morvane-media-" + std::to_string(ProcessId()));
  std::filesystem::create_directories(folder / "clip.mov");
  for (const char* name : {"CLIP.avi", "Take.avi", "take.AVI"}) std::ofstream(folder / name) << name;
#ifdef _WIN32
  const char* take = "Take.avi";  // one file: the second name opened the first
#else
  const char* take = "take.AVI";
#endif
  const std::u8string generic = folder.generic_u8string();
  const std::string at = std::string(generic.begin(), generic.end()) + "/";
  const struct {
    const char* name;
    std::string path;
    bool exists;
  } rows[] = {
      {"C:\\DV\\clip.AVI", at + "CLIP.avi", true},
      {"take.AVI", at + take, true},
      {"clip.mov", at + "clip.mov", false},
      {"none.avi", at + "none.avi", false},
  };
  for (const auto& row : rows) {
    const MediaLocation location = LocateMedia(Utf8Text(folder), row.name);
    EXPECT_EQ(row.exists, location.exists) << row.name;
    EXPECT_EQ(row.path, location.path) << row.name;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace morvane
