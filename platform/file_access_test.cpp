// The destinations of a conversion put in place all or none, on every system; the requests to
// stop on POSIX systems.
#include "platform/file_access.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
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
    WriteFile(target, "old");
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
    EXPECT_EQ(ending == Committed ? "new" : "old", ReadFile(first));
    EXPECT_EQ(ending != Abandoned, fs::exists(second));
    EXPECT_EQ(ending == Committed ? "new" : "", ReadFile(second));
    EXPECT_EQ(ending == Abandoned ? before : before + 1, Names());
#ifndef _WIN32
    EXPECT_TRUE(fs::is_symlink(first));
    EXPECT_EQ(fs::perms(0640), fs::status(target).permissions());
#endif
    fs::remove_all(second);
  }
}

#ifndef _WIN32
// A request to stop removes the registered temporaries, writes the note (a long one shortened
// to 512 bytes that still end the line) and exits as a shell expects; a request the program
// does not take (SIGINT in a windowed program) or one ignored from the start (nohup) does not.
TEST_F(FileAccessTest, ARequestToStopRemovesTheTemporariesWritesTheNoteAndExits) {
  const std::string longNote = std::string(600, 'x') + "\n";
  const struct {
    int signal;
    InterruptRequests requests;
    bool ignoredBefore;
    std::string note, written;
    int status;  // the exit status (7: the program went on), or minus the signal that ended it
  } rows[] = {
      {SIGTERM, InterruptRequests::Terminal, false, "stopped\n", "stopped\n", 143},
      {SIGINT, InterruptRequests::Terminal, false, "", "", 130},
      {SIGHUP, InterruptRequests::Session, false, longNote, std::string(511, 'x') + "\n", 129},
      {SIGINT, InterruptRequests::Session, false, "stopped\n", "", -SIGINT},
      {SIGHUP, InterruptRequests::Terminal, true, "stopped\n", "", 7},
  };
  const fs::path temporary = folder_ / ".out.txt.morvane-abcdef";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.signal);
    WriteFile(temporary, "part");
    const auto stop = [&] {
      if (row.ignoredBefore) ::signal(row.signal, SIG_IGN);
      RegisterTemporary(temporary.native());
      SetInterruptNote(row.note);
      EndOnInterrupt(row.requests);
      ::raise(row.signal);
      std::_Exit(7);
    };
    if (row.status > 0) {
      EXPECT_EXIT(stop(), ::testing::ExitedWithCode(row.status), ::testing::Matcher<const std::string&>(row.written));
    } else {
      EXPECT_EXIT(stop(), ::testing::KilledBySignal(-row.status), "");
    }
    EXPECT_EQ(row.status == 7 || row.status < 0, fs::exists(temporary));
  }
}
#endif

}  // namespace
}  // namespace morvane
