// Reads, writes and seeks on a file and on a pipe; the destinations of a conversion put in place
// all or none, on every system; the requests to stop on POSIX systems.
#include "platform/file_access.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/file_io.h"
#include "platform/interrupt_table.h"
#include "platform/utf8_path.h"
#include "testing/scratch_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

class FileAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(folder_ / "project.dvc", "project");
    std::string reason;
    ASSERT_TRUE(source_.Open(Utf8Text(folder_ / "project.dvc"), reason)) << reason;
  }

  testing::ScratchFolder folder_;
  SourceFile source_;
};

// The first destination existed (on POSIX systems through a symbolic link, which stays, to a
// file whose permissions the new text keeps), the second did not. Whatever ends the group, both
// are as they were or both are new, nothing else is left in the folder, and a second Commit is
// refused without changing anything.
TEST_F(FileAccessTest, PutsSeveralDestinationsInPlaceAllOrNoneAndOnlyOnce) {
  const fs::path first = folder_ / "first.txt", second = folder_ / "second.txt";
#ifdef _WIN32
  const fs::path target = first;  // Windows' symbolic links need privileges
  const std::size_t before = 2;
#else
  const fs::path target = folder_ / "target.txt";
  fs::create_symlink(target, first);
  const std::size_t before = 3;
#endif
  enum Ending { Abandoned, SecondBecomesAFolder, Committed };
  for (const Ending ending : {Abandoned, SecondBecomesAFolder, Committed}) {
    SCOPED_TRACE(ending);
    WriteFile(target, "old, longer than the new text");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    std::string reason;
    {
      DestinationFiles files(source_);
      ASSERT_TRUE(files.Add(Utf8Text(first), reason) && files.Add(Utf8Text(second), reason)) << reason;
      for (std::size_t i = 0; i < files.size(); ++i) ASSERT_TRUE(WriteAll(files.Descriptor(i), "new", 3));
      if (ending == SecondBecomesAFolder) fs::create_directories(second / "inside");
      if (ending != Abandoned) {
        EXPECT_EQ(ending == Committed, files.Commit(reason));
        EXPECT_FALSE(files.Commit(reason));
        EXPECT_EQ(std::strerror(EINVAL), reason);
      }
    }
    EXPECT_EQ(ending == Committed ? "new" : "old, longer than the new text", ReadFile(first));
    EXPECT_EQ(ending != Abandoned, fs::exists(second));
    EXPECT_EQ(ending == Committed ? "new" : "", ReadFile(second));
    EXPECT_EQ(ending == Abandoned ? before : before + 1, folder_.Names().size());
#ifndef _WIN32
    EXPECT_TRUE(fs::is_symlink(first));
    EXPECT_EQ(fs::perms(0640), fs::status(target).permissions());
#endif
    fs::remove_all(second);
  }
}

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

#ifndef _WIN32
// A request to stop removes the registered temporaries, writes the note (a long one shortened
// to 512 bytes that still end the line) and exits as a shell expects; a request the program
// does not take (SIGINT in a windowed program) or one ignored from the start (nohup) does not.
TEST_F(FileAccessTest, ARequestToStopRemovesTheTemporariesWritesTheNoteAndExits) {
  const struct {
    int signal;
    InterruptRequests requests;
    std::string note, written;
    int status;  // the exit status (7: ignored from the start, it went on), or minus the signal
  } rows[] = {
      {SIGTERM, InterruptRequests::Terminal, "stopped\n", "stopped\n", 143},
      {SIGINT, InterruptRequests::Terminal, "", "", 130},
      {SIGHUP, InterruptRequests::Session, std::string(600, 'x') + "\n", std::string(511, 'x') + "\n", 129},
      {SIGINT, InterruptRequests::Session, "stopped\n", "", -SIGINT},
      {SIGHUP, InterruptRequests::Terminal, "stopped\n", "", 7},
  };
  const fs::path temporary = folder_ / ".out.txt.morvane-abcdef";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.signal);
    WriteFile(temporary, "part");
    const auto stop = [&] {
      if (row.status == 7) ::signal(row.signal, SIG_IGN);
      RegisterTemporary(temporary.native());
      SetInterruptNote(row.note);
      EndOnInterrupt(row.requests);
      ::raise(row.signal);
      std::_Exit(7);
    };
    if (row.status > 0) {
      EXPECT_EXIT(stop(), ::testing::ExitedWithCode(row.status),
                  ::testing::Matcher<const std::string&>(row.written));
    } else {
      EXPECT_EXIT(stop(), ::testing::KilledBySignal(-row.status), "");
    }
    EXPECT_EQ(row.status == 7 || row.status < 0, fs::exists(temporary));
  }
}
#endif

}  // namespace
}  // namespace morvane
