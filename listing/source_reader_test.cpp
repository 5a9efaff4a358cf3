#include "listing/source_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cstdio>
#include <string>
#include <vector>

#include "listing/conversion_error.h"
#include "testing/project_writer.h"

namespace morvane {
namespace {

using testing::ProjectWriter;

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> bytes;
  for (int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
  return bytes;
}

TEST(SourceReader, ComposesLittleEndianFieldsAndHoldsU32AsItsSignedPattern) {
  const auto bytes = Bytes({1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80});
  SourceReader source{std::span<const std::uint8_t>(bytes)};
  EXPECT_EQ(67305985, source.ReadU32());
  EXPECT_EQ(513, source.ReadU16());
  EXPECT_EQ(1027, source.ReadU16());
  EXPECT_EQ(197121u, source.ReadU24());
  EXPECT_EQ(4, source.ReadU8());
  EXPECT_EQ(-1, source.ReadU32());
  EXPECT_EQ(INT32_MIN, source.ReadU32());
  EXPECT_EQ(20u, source.Position());
  EXPECT_EQ(0u, source.BytesPastEnd());
}

TEST(SourceReader, ReadsZerosPastTheEndAndCountsThem) {
  const auto bytes = Bytes({0x34, 0x12});
  SourceReader source{std::span<const std::uint8_t>(bytes)};
  EXPECT_EQ(4660, source.ReadU32());  // the missing upper bytes are 0
  EXPECT_EQ(2u, source.BytesPastEnd());
  EXPECT_EQ(0, source.ReadU8());
  EXPECT_EQ(0, source.ReadU16());
  EXPECT_TRUE(source.ReadShortString().Empty());
  EXPECT_EQ(6u, source.BytesPastEnd());
  EXPECT_EQ(8u, source.Position());
}

TEST(SourceReader, ShortStringConsumesItsLengthByteAndExactlyLBytes) {
  ProjectWriter file;
  file.ShortString("").ShortString(std::string(255, 'x')).ShortStringRaw(5, std::string("ab\0cd", 5)).U8(7);
  SourceReader source{std::span<const std::uint8_t>(file.bytes())};
  EXPECT_EQ("", source.ReadShortString().Text());
  EXPECT_EQ(1u, source.Position());
  EXPECT_EQ(std::string(255, 'x'), source.ReadShortString().Text());
  EXPECT_EQ(257u, source.Position());
  EXPECT_EQ("ab", source.ReadShortString().Text());  // a zero byte ends the text
  EXPECT_EQ(7, source.ReadU8());                      // but the bytes after it were consumed
}

TEST(SourceReader, ReadCharsTerminatesAndReadsNothingForLengthOneOrLess) {
  const auto bytes = Bytes({'a', 'b', 'c'});
  SourceReader source{std::span<const std::uint8_t>(bytes)};
  char buffer[4] = {'x', 'x', 'x', 'x'};
  source.ReadChars(buffer, 1);
  EXPECT_EQ('\0', buffer[0]);
  source.ReadChars(buffer, 0);
  source.ReadChars(buffer, -5);
  EXPECT_EQ(0u, source.Position());
  source.ReadChars(buffer, 4);
  EXPECT_STREQ("abc", buffer);
}

TEST(SourceReader, SkipsForwardAndPastTheEndWithoutCountingSkippedBytes) {
  const auto bytes = Bytes({1, 2, 3, 4, 5});
  SourceReader source{std::span<const std::uint8_t>(bytes)};
  source.Skip(3);
  EXPECT_EQ(4, source.ReadU8());
  source.Skip(0xFFFFFFFFull);
  EXPECT_EQ(0, source.ReadU8());
  EXPECT_EQ(1u, source.BytesPastEnd());
  EXPECT_EQ(4u + 0xFFFFFFFFull + 1u, source.Position());
}

TEST(SourceReader, RefusesOnceMoreThanOneMebibyteIsReadPastTheEnd) {
  SourceReader source{std::span<const std::uint8_t>()};
  for (std::uint64_t i = 0; i < kPastEndLimit / 4; ++i) {
    ASSERT_EQ(0, source.ReadU32());
  }
  EXPECT_EQ(kPastEndLimit, source.BytesPastEnd());
  EXPECT_THROW(source.ReadU8(), ConversionError);
}

// The file reader goes through its buffer in 64 KiB pieces: fields that straddle a refill, skips
// across several refills and the end of the file must read as they do from memory.
TEST(SourceReader, ReadsAFileAcrossBufferRefillsLikeMemory) {
  ProjectWriter file;
  for (std::uint32_t i = 0; i < 70000; ++i) {
    file.U8(static_cast<std::uint8_t>(i)).U32(i * 2654435761u).U16(static_cast<std::uint16_t>(i));
  }
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(nullptr, stream);
  ASSERT_EQ(file.size(), std::fwrite(file.bytes().data(), 1, file.size(), stream));
  std::rewind(stream);

  SourceReader fromFile(fileno(stream));
  SourceReader fromMemory{std::span<const std::uint8_t>(file.bytes())};
  for (int round = 0; round < 3000; ++round) {
    ASSERT_EQ(fromMemory.ReadU8(), fromFile.ReadU8());
    ASSERT_EQ(fromMemory.ReadU32(), fromFile.ReadU32());
    ASSERT_EQ(fromMemory.ReadU16(), fromFile.ReadU16());
    ASSERT_EQ(fromMemory.ReadU24(), fromFile.ReadU24());
    const std::uint64_t skip = static_cast<std::uint64_t>(round) * 37 % 300;
    fromMemory.Skip(skip);
    fromFile.Skip(skip);
    ASSERT_EQ(fromMemory.Position(), fromFile.Position());
  }
  fromMemory.Skip(1 << 20);
  fromFile.Skip(1 << 20);
  EXPECT_EQ(fromMemory.ReadU32(), fromFile.ReadU32());
  EXPECT_EQ(fromMemory.BytesPastEnd(), fromFile.BytesPastEnd());
  EXPECT_EQ(fromMemory.Position(), fromFile.Position());
  std::fclose(stream);
}

TEST(SourceReader, ReadsAPipeThatCannotSeek) {
  int fds[2];
#ifdef _WIN32
  ASSERT_EQ(0, ::_pipe(fds, 4096, _O_BINARY));
#else
  ASSERT_EQ(0, ::pipe(fds));
#endif
  const auto bytes = Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9});
  ASSERT_EQ(9, ::write(fds[1], bytes.data(), 9));
  ::close(fds[1]);
  SourceReader source(fds[0]);
  EXPECT_EQ(1, source.ReadU8());
  source.Skip(6);
  EXPECT_EQ(8, source.ReadU8());
  source.Skip(10);
  EXPECT_EQ(0, source.ReadU8());
  ::close(fds[0]);
}

}  // namespace
}  // namespace morvane
