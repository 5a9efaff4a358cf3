// Reads, writes and seeks on a regular file, and on a pipe, which cannot seek.
#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace morvane {
namespace {

std::vector<char> Pattern(std::size_t size) {
  std::vector<char> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  return bytes;
}

TEST(FileIo, ReadsWritesAndSeeksARegularFile) {
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(nullptr, stream);
  const int fd = fileno(stream);
  const std::vector<char> bytes = Pattern(100000);
  ASSERT_TRUE(WriteAll(fd, bytes.data(), bytes.size()));
  EXPECT_FALSE(AtStart(fd));
  EXPECT_EQ(std::optional<std::uint64_t>(100000), RegularFileSize(fd));
  ASSERT_TRUE(Rewind(fd));
  EXPECT_TRUE(AtStart(fd));
  std::vector<char> read(100000);
  ASSERT_EQ(70000, ReadSome(fd, read.data(), 70000));
  ASSERT_TRUE(SeekForward(fd, 10000));
  ASSERT_EQ(20000, ReadSome(fd, read.data(), read.size()));
  EXPECT_EQ(std::vector<char>(bytes.begin() + 80000, bytes.end()), std::vector<char>(read.begin(), read.begin() + 20000));
  // Beyond 4 GiB past the end, where a 32-bit offset would wrap to the file's second byte.
  ASSERT_TRUE(Rewind(fd));
  ASSERT_TRUE(SeekForward(fd, (std::uint64_t{1} << 32) + 1));
  EXPECT_EQ(0, ReadSome(fd, read.data(), read.size()));
  EXPECT_FALSE(SeekForward(fd, std::uint64_t{INT64_MAX} + 1));
  std::fclose(stream);
}

TEST(FileIo, PassesBytesThroughAPipeThatCannotSeekAndRefusesTheWrongEnd) {
  int fds[2];
  ASSERT_TRUE(OpenPipe(fds));
  const std::vector<char> bytes = Pattern(9);
  char buffer[16];
  EXPECT_EQ(-1, ReadSome(fds[1], buffer, sizeof buffer));
  EXPECT_FALSE(WriteAll(fds[0], bytes.data(), bytes.size()));
  ASSERT_TRUE(WriteAll(fds[1], bytes.data(), bytes.size()));
  EXPECT_TRUE(CloseDescriptor(fds[1]));
  EXPECT_FALSE(Rewind(fds[0]));
  EXPECT_FALSE(AtStart(fds[0]));
  EXPECT_FALSE(SeekForward(fds[0], 1));
  EXPECT_EQ(std::nullopt, RegularFileSize(fds[0]));
  ASSERT_EQ(9, ReadSome(fds[0], buffer, sizeof buffer));
  EXPECT_EQ(bytes, std::vector<char>(buffer, buffer + 9));
  EXPECT_EQ(0, ReadSome(fds[0], buffer, sizeof buffer));
  EXPECT_TRUE(CloseDescriptor(fds[0]));
}

}  // namespace
}  // namespace morvane
