// A failure that the writer's thread meets is reported to the caller's next call, even one that
// writes nothing, and so is an exception its work throws. (The order of the pieces: the
// ListingWriter tests, over a file; the titles' decoding thread, the TitleStore tests.)
#include "platform/write_behind.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

#include "platform/file_io.h"
#include "platform/testing/file_size_limit.h"

namespace morvane {
namespace {

TEST(WriteBehind, ReportsAFailureOfItsThreadAtTheNextCall) {
  const int fd = OpenScratchFile();
  ASSERT_GE(fd, 0);
  {
    const testing::FileSizeLimit full(1000);
    if (!full.active()) {
      GTEST_SKIP() << "no file size limit on this system";
    }
    WriteBehind writer(fd);
    const std::string piece(5000, 'a');
    ASSERT_TRUE(writer.Hand(piece.data(), piece.size()));  // returns before the write fails
    EXPECT_FALSE(writer.Write("", 0));
    EXPECT_FALSE(writer.FailureReason().empty());
    EXPECT_FALSE(writer.Hand("b", 1));
  }
  CloseDescriptor(fd);
}

TEST(PieceThread, ThrowsWhatItsWorkThrewAtTheNextCall) {
  PieceThread thread([](const char* data, std::size_t, std::string&) -> bool {
    if (*data == 'x') {
      throw std::bad_alloc();  // an export out of memory ends as the program says it does
    }
    return true;
  });
  ASSERT_TRUE(thread.Hand("a", 1));
  ASSERT_TRUE(thread.Hand("x", 1));
  EXPECT_THROW(thread.Do("a", 1), std::bad_alloc);
  EXPECT_FALSE(thread.Do("x", 1));  // no more work after a failure
}

}  // namespace
}  // namespace morvane
