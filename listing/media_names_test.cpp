#include "listing/media_names.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/shift_jis.h"
#include "platform/utf8_path.h"
#include "testing/scratch_folder.h"

namespace morvane {
namespace {

// A name as a project holds it: decoded from Shift-JIS by the system's converter (both systems
// alike, each bad byte becoming U+FFFD alone), then its last part taken. Split only after
// decoding: 0x5C, the byte of '\', is the trail byte of "ソ".
TEST(MediaNames, DecodesANameAndTakesItsLastPart) {
  const struct {
    std::string_view bytes, decoded, baseName;
  } rows[] = {
      {"CLIP.AVI", "CLIP.AVI", "CLIP.AVI"},          {"C:\\DV\\", "C:\\DV\\", ""},
      {"C:\\DV\\\x83\x5c\x81\x5b\x83\x58.avi", "C:\\DV\\ソース.avi", "ソース.avi"},
      {"\xB1\xB2.avi", "ｱｲ.avi", "ｱｲ.avi"},          // half-width katakana: one byte each
      {"a\x80" "b\xFD", "a\uFFFDb\uFFFD", "a\uFFFDb\uFFFD"},
      {"x\x83", "x\uFFFD", "x\uFFFD"},                // a lead byte cut off at the end
      {"\x83\x41\xA0\xFF", "ア\uFFFD\uFFFD", "ア\uFFFD\uFFFD"},
      // A lead byte as a trail byte, a lead byte before a byte that is no trail byte, one last.
      {"\x83\x83\x41\x88 \x83\x83\x83", "ャA\uFFFD ャ\uFFFD", "ャA\uFFFD ャ\uFFFD"},
      {"D:clip.avi", "D:clip.avi", "clip.avi"},      {"dv/take\\1.avi", "dv/take\\1.avi", "1.avi"},
      {"C:/DV/take.avi", "C:/DV/take.avi", "take.avi"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.decoded, DecodeShiftJis(row.bytes)) << row.bytes;
    EXPECT_EQ(row.baseName, MediaBaseName(row.decoded)) << row.decoded;
  }
}

// A text longer than the decoder's kept buffer, each of its characters as in a short one.
TEST(MediaNames, DecodesLongTextsAsShortOnes) {
  std::string bytes, decoded;
  for (int i = 0; i < 100'000; ++i) {
    bytes += "\x83\x5c" "a\x80";
    decoded += "ソa\uFFFD";
  }
  EXPECT_EQ(decoded, DecodeShiftJis(bytes));
  EXPECT_EQ(decoded + "\uFFFD", DecodeShiftJis(bytes + "\x81"));  // the last lead byte alone
  // ASCII is copied 64 or eight bytes at a time up to the first byte that is not, and the
  // characters among 64 bytes are found from one look at them: a character at every place of
  // the 64 and past them, others after it at each distance (a lead byte without its trail byte
  // among them), a run of them across the end of the 64, and the runs after it.
  const auto letters = [](std::size_t n) {  // all different in any 26, so a copy from a wrong place shows
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
      text += static_cast<char>('a' + i % 26);
    }
    return text;
  };
  for (std::size_t before = 0; before < 140; ++before) {
    const std::string run = letters(before);
    EXPECT_EQ(run + "ソ" + run + "\uFFFD", DecodeShiftJis(run + "\x83\x5c" + run + "\x83")) << before;
    for (const std::size_t gap : {0, 1, 2, 13, 31, 32, 33, 61, 62, 63, 64, 65}) {
      const std::string between = letters(gap);
      EXPECT_EQ(run + "ソ" + between + "亜\uFFFD0" + between + "ソソソ" + run,
                DecodeShiftJis(run + "\x83\x5c" + between + "\x88\x9f\x83" "0" + between + "\x83\x5c\x83\x5c\x83\x5c" + run))
          << before << " " << gap;
    }
  }
}

// The folder's own spelling of a name, also one that differs in ASCII case (the exact one wins,
// else the first in byte order, however the system lists them); a folder of that name is no
// media, and a name that names no file in the folder gives no path at all.
TEST(MediaNames, LocatesTheNameAsTheFolderSpellsItAndNothingElse) {
  const testing::ScratchFolder scratch;
  std::filesystem::create_directories(scratch / "clip.mov");
  for (const char* name : {"CLIP.avi", "take.AVI"}) testing::WriteFile(scratch / name, name);
  const std::string at = Utf8Text(scratch.path.generic_u8string()) + "/";
  const struct {
    const char *name, *listed;  // listed: the folder's spelling, or none
  } rows[] = {{"C:\\DV\\clip.AVI", "CLIP.avi"}, {"take.AVI", "take.AVI"}, {"TAKE.avi", "take.AVI"},
              {"clip.mov", nullptr}, {"none.avi", nullptr}};
  for (const auto& row : rows) {
    const MediaLocation location = LocateMedia(Utf8Text(scratch.path), row.name);
    EXPECT_EQ(row.listed != nullptr, location.exists) << row.name;
    EXPECT_EQ(at + (row.listed != nullptr ? row.listed : row.name), location.path) << row.name;
  }
  const MediaIndex index(Utf8Text(scratch.path));
  for (const char* name : {"", ".", "..", "C:\\DV\\", "dv/.."}) {
    const MediaLocation location = index.Locate(name);
    EXPECT_FALSE(location.named || location.exists) << name;
    EXPECT_EQ("", location.path) << name;
  }
  // A second drive after the name's own ("C:D:x"): joined as the system joins paths.
  EXPECT_EQ(Utf8Text((scratch.path / Utf8Path("D:none.avi")).generic_u8string()), index.Locate("C:D:none.avi").path);
#ifndef _WIN32  // names that differ in case only are one name there
  for (const char* name : {"b.AVI", "B.avi", "b.avi"}) testing::WriteFile(scratch / name, name);
  const MediaIndex cased(Utf8Text(scratch.path));
  EXPECT_EQ(at + "b.AVI", cased.Locate("b.AVI").path);
  EXPECT_EQ(at + "B.avi", cased.Locate("b.Avi").path);
#endif
}

}  // namespace
}  // namespace morvane
