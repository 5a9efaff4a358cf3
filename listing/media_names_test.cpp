#include "listing/media_names.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace morvane
