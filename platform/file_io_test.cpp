// Reads, writes and seeks on a regular file and on a pipe, which cannot seek.
#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace morvane {
namespace {

TEST(FileIo, SeeksOnlyInARegularFileAndFailsOnTheWrongEndOfAPipe) {
  std::FILE* stream = std::tmpfile();
  int pipe[2];
  ASSERT_TRUE(stream != nullptr && OpenPipe(pipe));
  const std::string bytes(100000, 'b');
  for (const int fd : {fileno(stream), pipe[1]}) {
    const bool file = fd != pipe[1];
    SCOPED_TRACE(file);
    ASSERT_TRUE(WriteAll(fd, bytes.data(), file ? bytes.size() : 9));
    EXPECT_FALSE(AtStart(fd));
    EXPECT_EQ(file, Rewind(fd) && AtStart(fd));
    EXPECT_EQ(file ? std::optional<std::uint64_t>(100000) : std::nullopt, RegularFileSize(fd));
    // Past 4 GiB, where a 32-bit offset would wrap back into the file; past the largest offset.
    EXPECT_EQ(file, SeekForward(fd, (std::uint64_t{1} << 32) + 1));
    EXPECT_FALSE(SeekForward(fd, std::uint64_t{INT64_MAX} + 1));
  }
  std::string read(16, '\0');
  EXPECT_EQ(0, ReadSome(fileno(stream), read.data(), read.size()));
  EXPECT_EQ(-1, ReadSome(pipe[1], read.data(), read.size()));
  EXPECT_FALSE(WriteAll(pipe[0], "x", 1));
  EXPECT_TRUE(CloseDescriptor(pipe[1]));
  EXPECT_EQ(9, ReadSome(pipe[0], read.data(), read.size()));
  EXPECT_EQ(0, ReadSome(pipe[0], read.data(), read.size()));
  EXPECT_TRUE(CloseDescriptor(pipe[0]));
  std::fclose(stream);
}

}  // namespace
}  // namespace morvane
