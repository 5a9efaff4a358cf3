// The destinations of a conversion put in place all or none, on every system; the requests to
// stop on POSIX systems.
#include "platform/file_access.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/file_io.h"
#include "platform/interrupt_table.h"
#include "platform/process.h"
#include "platform/utf8_path.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class FileAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("morvane-files-" + std::to_string(ProcessId()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    WriteFile(folder_ / "project.dvc", "project");
    std::string reason;
    ASSERT_TRUE(source_.Open(Utf8Text(folder_ / "project.dvc"), reason)) << reason;
  }
  void TearDown() override {
    source_.Close();
    fs::remove_all(folder_);
  }

  std::size_t Names() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
  }

  fs::path folder_;
  SourceFile source_;
};

// The first destination existed, the second did not. Whatever ends the group, both are as they
// were or both are new, nothing else is left in the folder, and a second Commit is refused
// without changing anything.
TEST_F(FileAccessTest, PutsSeveralDestinationsInPlaceAllOrNoneAndOnlyOnce) {
  const fs::path first = folder_ / "first.txt", second = folder_ / "second.txt";
  enum Ending { Abandoned, SecondBecomesAFolder, Committed };
  for (const Ending ending : {Abandoned, SecondBecomesAFolder, Committed}) {
    SCOPED_TRACE(ending);
    WriteFile(first, "old");
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
    EXPECT_EQ(ending == Committed ? "new" : "old", ReadFile(first));
    EXPECT_EQ(ending != Abandoned, fs::exists(second));
    EXPECT_EQ(ending == Committed ? "new" : "", ReadFile(second));
    EXPECT_EQ(ending == Abandoned ? 2u : 3u, Names());
    fs::remove_all(second);
  }
}

TEST_F(FileAccessTest, ReplacesTheFileALinkPointsToKeepingItsPermissions) {
  const fs::path target = folder_ / "target.txt", link = folder_ / "link.txt";
  WriteFile(target, std::string(100000, 'x'));
#ifdef _WIN32
  const fs::path destination = target;  // Windows' symbolic links need privileges
#else
  const fs::path destination = link;
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(target, link);
#endif
  std::string reason;
  {
    DestinationFiles files(source_);
    ASSERT_TRUE(files.Add(Utf8Text(destination), reason)) << reason;
    ASSERT_TRUE(WriteAll(files.Descriptor(0), "short", 5));
    ASSERT_TRUE(files.Commit(reason)) << reason;
  }
  EXPECT_EQ("short", ReadFile(target));
#ifndef _WIN32
  EXPECT_TRUE(fs::is_symlink(link));
  struct stat st {};
  ASSERT_EQ(0, ::stat(target.c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 07777);
  EXPECT_EQ(3u, Names());
#endif
}

#ifndef _WIN32
// A request to stop removes the registered temporaries, writes the note (a long one shortened
// to 512 bytes that still end the line) and exits as a shell expects; a request the program
// does not take (SIGINT in a windowed program) or one ignored from the start does not.
TEST_F(FileAccessTest, ARequestToStopRemovesTheTemporariesWritesTheNoteAndExits) {
  const std::string longNote = std::string(600, 'x') + "\n";
  const struct {
    int signal;
    InterruptRequests requests;
    std::string note, written;
    int status;  // the exit status, or minus the signal that ended the process
    bool removed;
  } rows[] = {
      {SIGTERM, InterruptRequests::Terminal, "stopped\n", "stopped\n", 143, true},
      {SIGINT, InterruptRequests::Terminal, "", "", 130, true},
      {SIGHUP, InterruptRequests::Session, longNote, std::string(511, 'x') + "\n", 129, true},
      {SIGINT, InterruptRequests::Session, "stopped\n", "", -SIGINT, false},
  };
  const fs::path temporary = folder_ / ".out.txt.morvane-abcdef";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.signal);
    WriteFile(temporary, "part");
    const auto stop = [&] {
      RegisterTemporary(temporary.native());
      SetInterruptNote(row.note);
      EndOnInterrupt(row.requests);
      ::raise(row.signal);
      std::_Exit(1);  // not reached
    };
    if (row.status > 0) {
      EXPECT_EXIT(stop(), ::testing::ExitedWithCode(row.status), ::testing::Matcher<const std::string&>(row.written));
    } else {
      EXPECT_EXIT(stop(), ::testing::KilledBySignal(-row.status), "");
    }
    EXPECT_EQ(!row.removed, fs::exists(temporary));
  }
  // Ignored when the program started (nohup), it stays ignored.
  EXPECT_EXIT(
      {
        ::signal(SIGHUP, SIG_IGN);
        EndOnInterrupt(InterruptRequests::Terminal);
        ::raise(SIGHUP);
        std::_Exit(7);
      },
      ::testing::ExitedWithCode(7), "");
}
#endif

}  // namespace
}  // namespace morvane
