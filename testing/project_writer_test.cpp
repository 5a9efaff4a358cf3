#include "testing/project_writer.h"

#include <gtest/gtest.h>

namespace morvane::testing {
namespace {

// The writer must put each field where the reader takes it from; everything else relies on it.
TEST(ProjectWriter, LaysFieldsOutLittleEndianInFileOrder) {
  ProjectWriter file;
  file.U8(0xAB).U16(0x0102).U24(0x030405).U32(0x06070809).I32(-2).ShortString("hi");
  file.SignedFrame24(-5).SignedFrame24(5).LevelBlock(1, 2, {{3, 4}});
  const std::vector<std::uint8_t> expected = {
      0xAB, 0x02, 0x01, 0x05, 0x04, 0x03, 0x09, 0x08, 0x07, 0x06, 0xFE, 0xFF, 0xFF, 0xFF,
      2,    'h',  'i',                                  // ShortString
      0xFB, 0xFF, 0xFF, 0x1F, 0x05, 0x00, 0x00, 0x00,    // SignedFrame24 -5 and 5
      1,    0,    0,    0,    1,    0,    2,    0,       // one point, level in 1, level out 2
      3,    0,    0,    0,    4,    0};                  // the point (3, 4)
  EXPECT_EQ(expected, file.bytes());
}

TEST(ProjectWriter, WritesTheHeaderFieldsWithTheVersionLowByteFirst) {
  ProjectWriter file;
  file.Header(0x0207, 3, 4, 48000);
  const std::vector<std::uint8_t> expected = {0x07, 0x02, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0x80, 0xBB, 0, 0};
  EXPECT_EQ(expected, file.bytes());
}

}  // namespace
}  // namespace morvane::testing
