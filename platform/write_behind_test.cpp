// A failure that the writer's thread meets is reported to the caller's next call, even one that
// writes nothing, and so is an exception its work throws. (The order of the pieces: the
// ListingWriter tests, over a file; the titles' decoding thread, the TitleStore tests.)
#include "platform/write_behind.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
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

// Work held at a gate until the test opens it, recording the pieces in the order worked on and
// failing on 'x'.
struct GatedWork {
  std::mutex mutex;
  std::condition_variable opened;
  bool open = false;
  std::string seen;

  PieceThread::Work Work() {
    return [this](const char* data, std::size_t size, std::string&) {
      std::unique_lock<std::mutex> lock(mutex);
      opened.wait(lock, [this] { return open; });
      seen.append(data, size);
      return *data != 'x';
    };
  }
  void Open() {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      open = true;
    }
    opened.notify_all();
  }
};

TEST(PieceThread, TakesUpToItsDepthWithoutWaitingAndWorksInOrder) {
  const std::string pieces = "abcde";
  for (std::size_t depth = 1; depth <= PieceThread::kMaxDepth; ++depth) {
    GatedWork work;
    PieceThread thread(work.Work(), depth);
    for (std::size_t i = 0; i < depth; ++i) {  // each returns at once while the work is held
      if (thread.Busy()) {
        ADD_FAILURE() << "busy after " << i << " of depth " << depth;
        break;
      }
      ASSERT_TRUE(thread.Hand(pieces.data() + i, 1));
    }
    EXPECT_TRUE(thread.Busy()) << depth;
    work.Open();
    ASSERT_TRUE(thread.Do(pieces.data() + depth, 1));  // after every piece handed
    EXPECT_EQ(pieces.substr(0, depth + 1), work.seen);
    EXPECT_FALSE(thread.Busy());
  }
}

TEST(PieceThread, DropsThePiecesHandedAfterOneThatFails) {
  GatedWork work;
  PieceThread thread(work.Work(), 3);
  ASSERT_TRUE(thread.Hand("a", 1));
  ASSERT_TRUE(thread.Hand("x", 1));
  ASSERT_TRUE(thread.Hand("b", 1));
  work.Open();
  EXPECT_FALSE(thread.Do("c", 1));
  EXPECT_EQ("ax", work.seen);
  EXPECT_FALSE(thread.Hand("d", 1));
}

}  // namespace
}  // namespace morvane
