// The reader past the end of its input, across its buffer refills and on a pipe; the writer with
// texts longer than its buffer. The golden files hold none of these.
#include "listing/source_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "listing/conversion_error.h"
#include "listing/listing_writer.h"
#include "platform/file_io.h"
#include "platform/testing/file_size_limit.h"
#include "testing/project_writer.h"

namespace morvane {
namespace {

// The program allows 1 MiB past the end; the fuzz target gives its reader a smaller allowance.
TEST(SourceReader, ReadsZerosPastTheEndAndRefusesPastItsAllowance) {
  for (const std::uint64_t limit : {kPastEndLimit, std::uint64_t{4096}}) {
    const std::uint8_t bytes[] = {0x34, 0x12};
    SourceReader source{std::span<const std::uint8_t>(bytes), limit};
    EXPECT_EQ(4660, source.ReadU32());  // the missing upper bytes are 0
    EXPECT_EQ(2u, source.BytesPastEnd());
    source.Skip(0xFFFFFFFFull);  // skipped bytes are not counted
    while (source.BytesPastEnd() < limit) ASSERT_EQ(0, source.ReadU16());
    EXPECT_THROW(source.ReadU8(), ConversionError);
  }
  EXPECT_EQ(1048576u, kPastEndLimit);
}

// The file reader goes through its buffer in pieces: fields that straddle a refill, skips across
// several refills and the end of the file must read as they do from memory.
TEST(SourceReader, ReadsAFileAcrossBufferRefillsLikeMemory) {
  testing::ProjectWriter file;
  for (std::uint32_t i = 0; i < 70000; ++i) {
    file.U8(static_cast<std::uint8_t>(i)).U32(i * 2654435761u).U16(static_cast<std::uint16_t>(i));
  }
  std::FILE* stream = std::tmpfile();
  ASSERT_EQ(file.size(), std::fwrite(file.bytes().data(), 1, file.size(), stream));
  std::rewind(stream);
  SourceReader fromFile(fileno(stream));
  SourceReader fromMemory{std::span<const std::uint8_t>(file.bytes())};
  for (int round = 0; round < 3000; ++round) {
    ASSERT_EQ(fromMemory.ReadU8(), fromFile.ReadU8());
    ASSERT_EQ(fromMemory.ReadU16(), fromFile.ReadU16());
    ASSERT_EQ(fromMemory.ReadU32(), fromFile.ReadU32());
    ASSERT_EQ(fromMemory.ReadU24(), fromFile.ReadU24());
    const std::uint64_t skip = static_cast<std::uint64_t>(round) * 37 % 300;
    fromMemory.Skip(skip);
    fromFile.Skip(skip);
  }
  // Past 4 GiB: a 32-bit seek would wrap back into the file.
  fromMemory.Skip((std::uint64_t{1} << 32) + 1);
  fromFile.Skip((std::uint64_t{1} << 32) + 1);
  EXPECT_EQ(fromMemory.ReadU32(), fromFile.ReadU32());
  EXPECT_EQ(fromMemory.BytesPastEnd(), fromFile.BytesPastEnd());
  EXPECT_EQ(fromMemory.Position(), fromFile.Position());
  std::fclose(stream);
}

// A 16-bit field split by the end of the 64 KiB buffer, or by the end of the file, keeps its byte
// order: the low byte first.
TEST(SourceReader, A16BitFieldSplitByTheBufferOrTheFileEndKeepsItsByteOrder) {
  testing::ProjectWriter file;
  file.Bytes(std::string(64 * 1024 - 1, '\0')).U16(0x1234).U8(0x56);
  std::FILE* stream = std::tmpfile();
  ASSERT_EQ(file.size(), std::fwrite(file.bytes().data(), 1, file.size(), stream));
  std::rewind(stream);
  SourceReader source(fileno(stream));
  source.Skip(64 * 1024 - 1);
  EXPECT_EQ(0x1234, source.ReadU16());
  EXPECT_EQ(0x0056, source.ReadU16());
  std::fclose(stream);
}

TEST(SourceReader, ReadsAPipeThatCannotSeek) {
  int fds[2];
  ASSERT_TRUE(OpenPipe(fds));
  const std::uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  ASSERT_TRUE(WriteAll(fds[1], bytes, sizeof bytes));
  CloseDescriptor(fds[1]);
  SourceReader source(fds[0]);
  EXPECT_EQ(1, source.ReadU8());
  source.Skip(6);
  EXPECT_EQ(8, source.ReadU8());
  source.Skip(10);
  EXPECT_EQ(0, source.ReadU8());
  CloseDescriptor(fds[0]);
}

// Every digit count, at both ends: the writer's digit count and its pairs against printf.
TEST(ListingWriter, WritesEveryDigitCountAsPrintfDoes) {
  std::string text, expected;
  ListingWriter out(text);
  char buffer[32];
  for (std::uint64_t power = 1; power <= 10'000'000'000u; power *= 10) {
    for (const std::uint64_t value : {power - 1, power, power + 1, power * 7 / 3}) {
      if (value > UINT32_MAX) continue;
      out.Write(',', static_cast<std::uint32_t>(value), ',', static_cast<std::int32_t>(value));
      std::snprintf(buffer, sizeof buffer, ",%u,%d", static_cast<unsigned>(value), static_cast<int>(value));
      expected += buffer;
    }
  }
  out.Flush();
  EXPECT_EQ(expected, text);
}

// Into a string and into a file, whose buffers another thread writes while the next fills: long
// texts at every kind of place in the buffer, whole and in order.
TEST(ListingWriter, CarriesTextsLongerThanItsBufferWhole) {
  constexpr std::size_t kFile = ListingWriter::kFileBufferSize;
  constexpr std::size_t kString = ListingWriter::kBufferSize;
  const std::size_t sizes[] = {3 * kFile + 7, 1,        kString - 1, kString,       kString + 1,
                               kFile - 1,     kFile,    kFile + 1,   2 * kFile + 1, 3};
  std::string expected = "<";
  for (const std::size_t size : sizes) {
    expected += std::string(size, static_cast<char>('a' + size % 26)) + "7";
  }
  for (const bool toFile : {false, true}) {
    std::string text;
    const int fd = toFile ? OpenScratchFile() : -1;
    ASSERT_TRUE(!toFile || fd >= 0);
    {
      ListingWriter out = toFile ? ListingWriter(fd) : ListingWriter(text);
      out.WriteText("<");
      for (const std::size_t size : sizes) {
        out.WriteText(std::string(size, static_cast<char>('a' + size % 26)));
        out.WriteUnsigned(7);
      }
      out.Flush();
    }
    if (toFile) {
      ASSERT_TRUE(Rewind(fd));
      text.resize(expected.size() + 1);
      std::size_t got = 0;
      for (std::ptrdiff_t n; (n = ReadSome(fd, text.data() + got, text.size() - got)) > 0;) {
        got += static_cast<std::size_t>(n);
      }
      text.resize(got);
      CloseDescriptor(fd);
    }
    EXPECT_TRUE(text == expected) << toFile;
  }
}

// A conversion that fails drops its writer unflushed, a buffer in its thread's hands: the
// sanitizers see the buffer written after it is freed if the thread outlives it.
TEST(ListingWriter, EndsItsThreadBeforeItsBuffersGo) {
  const int fd = OpenScratchFile();
  ASSERT_GE(fd, 0);
  for (int round = 0; round < 20; ++round) {
    ListingWriter out(fd);
    out.WriteText(std::string(3 * ListingWriter::kFileBufferSize + 1, 'x'));
  }
  CloseDescriptor(fd);
}

// A file that takes no more (a full disk): the writer says so with the system's reason, whether
// a buffer its thread had in hand failed or only the last one, written when flushed.
TEST(ListingWriter, ReportsAFileThatTakesNoMore) {
  // 100,000 bytes fit: a million fill the buffers the thread writes, 100,010 only the last one.
  static_assert(ListingWriter::kFileBufferSize > 100010 && ListingWriter::kFileBufferSize < 1000000);
  for (const int tens : {100000, 10001}) {
    const int fd = OpenScratchFile();
    ASSERT_GE(fd, 0);
    {
      const testing::FileSizeLimit full(100000);
      if (!full.active()) {
        GTEST_SKIP() << "no file size limit on this system";
      }
      ListingWriter out(fd);
      try {
        for (int i = 0; i < tens; ++i) {
          out.WriteText("0123456789");
        }
        out.Flush();
        ADD_FAILURE() << "no error for " << tens;
      } catch (const ConversionError& error) {
        EXPECT_EQ(ConversionFailure::WriteError, error.failure());
        EXPECT_FALSE(error.reason().empty());
      }
    }
    CloseDescriptor(fd);
  }
}

// Runs of spaces of every length up to past two blocks, at every place before the buffer's end.
TEST(ListingWriter, WritesEachRunOfSpacesAnywhereInItsBuffer) {
  std::string text, expected;
  ListingWriter out(text);
  for (std::size_t n = 0; expected.size() < 3 * ListingWriter::kBufferSize; n = (n + 7) % 139) {
    out.WriteSpaces(n);
    out.WriteChar('|');
    expected += std::string(n, ' ') + '|';
  }
  out.Flush();
  EXPECT_TRUE(text == expected);
}

}  // namespace
}  // namespace morvane
