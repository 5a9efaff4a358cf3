// Reads, writes and seeks on a file and on a pipe; the destinations of a conversion put in place
// all or none, on every system; the requests to stop on POSIX systems; what a name is, through
// links or not, and what a folder lists.
#include "platform/file_access.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <signal.h>
#include <sys/xattr.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_io.h"
#include "platform/file_primitives.h"
#include "platform/file_system.h"
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

// The system's fast calls, and each fallback for a file system that lacks them (unnamed
// temporaries, exchange, a rename that keeps an existing file, hard links).
struct Fallback {
  const char* name;
  MissingCalls missing;
};
const Fallback kFallbacks[] = {
    {"FastCalls", {}},
    {"NoUnnamedFiles", {true, false, false, false}},
    {"NoExchange", {false, true, false, false}},
    {"NoNoReplace", {false, false, true, false}},
    {"NoneOfThem", {true, true, true, true}},
};

class FallbackTest : public FileAccessTest, public ::testing::WithParamInterface<Fallback> {
 protected:
  void SetUp() override {
    FileAccessTest::SetUp();
    SetMissingCallsForTesting(GetParam().missing);
  }
  void TearDown() override { SetMissingCallsForTesting({}); }
};

INSTANTIATE_TEST_SUITE_P(Ways, FallbackTest, ::testing::ValuesIn(kFallbacks),
                         [](const auto& info) { return std::string(info.param.name); });

// The second of three destinations exists (on POSIX through a symbolic link, which stays, to a
// file whose permissions and extended attributes the new text keeps). Abandoned, failed at the
// last (the third became a folder) or committed, all are as they were or all new, nothing else is
// left, a second Commit fails.
TEST_P(FallbackTest, PutsSeveralDestinationsInPlaceAllOrNoneAndOnlyOnce) {
  const fs::path first = folder_ / "first.txt", second = folder_ / "second.txt", third = folder_ / "third.txt";
#ifdef _WIN32
  const fs::path target = second;  // Windows' symbolic links need privileges
  const std::size_t before = 2;
#else
  const fs::path target = folder_ / "target.txt";
  fs::create_symlink(target, second);
  const std::size_t before = 3;
#endif
  enum Ending { Abandoned, ThirdBecomesAFolder, Committed };
  for (const Ending ending : {Abandoned, ThirdBecomesAFolder, Committed}) {
    SCOPED_TRACE(ending);
    WriteFile(target, "old, longer than the new text");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#ifndef _WIN32  // the extended attributes (the access lists among them) where the file system has them
    const bool attributes = ::setxattr(target.c_str(), "user.morvane", "kept", 4, 0) == 0;
#endif
    std::string reason;
    {
      DestinationFiles files(source_);
      for (const fs::path& path : {first, second, third}) ASSERT_TRUE(files.Add(Utf8Text(path), reason)) << reason;
      for (std::size_t i = 0; i < files.size(); ++i) ASSERT_TRUE(WriteAll(files.Descriptor(i), "new", 3));
      if (ending == ThirdBecomesAFolder) fs::create_directories(third / "inside");
      if (ending != Abandoned) {
        EXPECT_EQ(ending == Committed, files.Commit(reason)) << reason;
        EXPECT_FALSE(files.Commit(reason));
        EXPECT_EQ(std::strerror(EINVAL), reason);
      }
    }
    EXPECT_EQ(ending == Committed, fs::exists(first));
    EXPECT_EQ(ending == Committed ? "new" : "old, longer than the new text", ReadFile(second));
    EXPECT_EQ(ending != Abandoned, fs::exists(third));
    EXPECT_EQ(ending == Committed ? "new" : "", ReadFile(third));
    EXPECT_EQ(ending == Abandoned ? before : before + 2 - (ending != Committed), folder_.Names().size());
#ifndef _WIN32
    EXPECT_TRUE(fs::is_symlink(second));
    EXPECT_EQ(fs::perms(0640), fs::status(target).permissions());
    char value[8] = {};
    EXPECT_EQ(attributes ? 4 : -1, ::getxattr(target.c_str(), "user.morvane", value, sizeof value));
    EXPECT_STREQ(attributes ? "kept" : "", value);
#endif
    fs::remove_all(first), fs::remove_all(third);
  }
}

// Without --force a destination that appears while the text is written is kept, and says which
// it was; one that existed from the start is replaced. A name of 253 bytes gets a temporary too.
TEST_P(FallbackTest, KeepsADestinationThatAppearedMeanwhileAndWritesTheLongestNames) {
  std::string longest;
  for (int i = 0; i < 83; ++i) longest += "\xE3\x81\x82";  // HIRAGANA LETTER A
  const fs::path kept = folder_ / "kept.txt", old = folder_ / "old.txt";
  for (const bool appears : {true, false}) {
    SCOPED_TRACE(appears);
    WriteFile(old, "old");
    std::string reason;
    DestinationFiles files(source_);
    for (const fs::path& path : {old, folder_ / (longest + ".txt"), kept}) {
      ASSERT_TRUE(files.Add(Utf8Text(path), reason, true) && WriteAll(files.Descriptor(files.size() - 1), "new", 3));
    }
    if (appears) WriteFile(kept, "theirs");
    EXPECT_EQ(!appears, files.Commit(reason)) << reason;
    EXPECT_EQ(appears ? std::optional<std::size_t>(2) : std::nullopt, files.TakenMeanwhile());
    EXPECT_EQ(appears ? "theirs" : "new", ReadFile(kept));
    EXPECT_EQ(appears ? "old" : "new", ReadFile(old));
    EXPECT_EQ(appears ? "" : "new", ReadFile(folder_ / (longest + ".txt")));
    EXPECT_EQ(appears ? 3u : 4u, folder_.Names().size());
    fs::remove(kept);
  }
}

// Temporaries of this program's naming in a destination's folder are reported, the folder looked
// into once; those written over a day ago that no conversion holds are removed, other names left.
TEST_F(FileAccessTest, ReportsStaleTemporariesAndRemovesOnlyAbandonedOnes) {
  const auto dayAndHourAgo = fs::file_time_type::clock::now() - std::chrono::hours(25);
  const std::string heldName = ".held.txt.morvane-abc123";  // held as a conversion holds its temporary
  OwnedFile held;
  std::string reason;
  ASSERT_EQ(Creation::Created, CreateNewFile((folder_ / heldName).native(), held, reason)) << reason;
#ifdef _WIN32
  FILETIME now;  // through its own handle: the share mode keeps others out
  GetSystemTimeAsFileTime(&now);
  const auto ago = (std::uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime) - 25ULL * 3600 * 10'000'000;
  const FILETIME then{static_cast<DWORD>(ago), static_cast<DWORD>(ago >> 32)};
  ASSERT_TRUE(SetFileTime(reinterpret_cast<HANDLE>(_get_osfhandle(held.get())), nullptr, nullptr, &then));
#else
  fs::last_write_time(folder_ / heldName, dayAndHourAgo);
#endif
  for (const char* name : {".a.txt.morvane-abc123", ".b.txt.morvane-xyz789", ".c.txt.morvane-ab", "d.txt.morvane-abc123"}) {
    WriteFile(folder_ / name, "part");
    if (name[1] != 'b') fs::last_write_time(folder_ / name, dayAndHourAgo);
  }

  std::map<std::string, bool> found;
  {
    DestinationFiles files(source_);
    ASSERT_TRUE(files.Add(Utf8Text(folder_ / "out.txt"), reason) && files.Add(Utf8Text(folder_ / "out2.txt"), reason));
    for (const StaleTemporary& stale : files.StaleTemporaries()) found[Utf8Text(Utf8Path(stale.path).filename())] = stale.removed;
  }
  EXPECT_EQ((std::map<std::string, bool>{{".a.txt.morvane-abc123", true}, {".b.txt.morvane-xyz789", false}, {heldName, false}}),
            found);
  EXPECT_EQ((std::set<std::string>{".b.txt.morvane-xyz789", ".c.txt.morvane-ab", "d.txt.morvane-abc123", heldName, "project.dvc"}),
            folder_.Names());
}

// The temporary's name fits wherever the destination's does, cut between characters: a name of
// 253 bytes of UTF-8 (one letter and 84 characters of three bytes, one UTF-16 unit each).
TEST(TemporaryName, FitsTheLongestNameAndCutsBetweenCharacters) {
  std::string name = "x";
  for (int i = 0; i < 84; ++i) name += "\xE3\x81\x82";
  const fs::path temporary(TemporaryName((fs::path("folder") / Utf8Path(name)).native()));
  EXPECT_EQ(fs::path("folder"), temporary.parent_path());
  const std::string text = Utf8Text(temporary.filename());
  EXPECT_LE(text.size(), kLongestName);
  EXPECT_GT(text.size(), kLongestName - 3);
  EXPECT_EQ(0u, (text.size() - std::string(".x.morvane-123456").size()) % 3) << text;
  EXPECT_EQ(".x\xE3\x81\x82", text.substr(0, 5));
  EXPECT_EQ(".morvane-", text.substr(text.size() - 15, 9));
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

TEST(FileSystem, TellsWhatEachNameIsAndListsTheFolder) {
  const testing::ScratchFolder scratch;  // AbsolutePath is tested with MediaFolder
  fs::create_directories(scratch / "sub");
  testing::WriteFile(scratch / "ソース.avi", "x");
#ifndef _WIN32
  fs::create_symlink(scratch / "ソース.avi", scratch / "link");
  fs::create_symlink(scratch / "gone", scratch / "dangling");
#endif
  const struct {
    const char* name;
    bool exists;
    PathKind kind;
  } rows[] = {
      {"ソース.avi", true, PathKind::File},  {"sub", true, PathKind::Folder},
      {"missing", false, PathKind::Missing},
#ifndef _WIN32
      {"link", true, PathKind::File},        {"dangling", true, PathKind::Missing},
#endif
  };
  std::set<std::string> names;
  for (const auto& row : rows) {
    const std::string path = Utf8Text(scratch / row.name);
    EXPECT_EQ(row.exists, PathExists(path)) << row.name;
    EXPECT_EQ(row.kind, KindOf(path)) << row.name;
    if (row.exists) names.insert(row.name);
  }
  const std::vector<std::string> listed = FolderNames(Utf8Text(scratch.path));
  EXPECT_EQ(names, std::set<std::string>(listed.begin(), listed.end()));
  EXPECT_TRUE(FolderNames(Utf8Text(scratch / "missing")).empty());
}

#ifdef _WIN32
// The names of devices in any folder and a file's streams are refused before any work, with the
// system's reason; the other refusals are the conversion job's.
TEST_F(FileAccessTest, RefusesDevicesAndStreams) {
  for (const char* name : {"nul", "NUL.txt", "con", "COM1", "lpt9.log", "out.txt:stream"}) {
    DestinationFiles files(source_);
    std::string reason;
    EXPECT_FALSE(files.Add(Utf8Text(folder_ / name), reason)) << name;
    EXPECT_FALSE(reason.empty()) << name;
  }
}

// Paths longer than the old limit of 260 characters are written (the \\?\ form), and the
// temporary can be removed by the thread that handles a request to stop while it is open.
TEST_F(FileAccessTest, WritesLongPathsAndLetsTheStopHandlerRemoveTheTemporary) {
  fs::path deep = folder_.path;
  while (deep.native().size() < 300) deep /= std::wstring(50, L'd');
  fs::create_directories(deep);
  const fs::path out = deep / "out.txt";
  std::string reason;
  {
    DestinationFiles files(source_);
    ASSERT_TRUE(files.Add(Utf8Text(out), reason)) << reason;
    ASSERT_TRUE(WriteAll(files.Descriptor(0), "new", 3));
    ASSERT_TRUE(files.Commit(reason)) << reason;
  }
  EXPECT_EQ("new", ReadFile(out));

  DestinationFiles files(source_);
  ASSERT_TRUE(files.Add(Utf8Text(folder_ / "out.txt"), reason)) << reason;
  std::wstring temporary;
  for (const auto& entry : fs::directory_iterator(folder_.path)) {
    if (entry.path().filename().native().rfind(L".out.txt.morvane-", 0) == 0) temporary = entry.path().native();
  }
  ASSERT_FALSE(temporary.empty());
  bool removed = false;
  std::thread([&] { removed = DeleteFileW(temporary.c_str()) != 0; }).join();
  EXPECT_TRUE(removed) << GetLastError();
}
#else
// A request to stop removes the registered temporaries (more than a block of the table), writes
// the note (at most 512 bytes, still ending the line) and exits as a shell expects; one not taken
// (SIGINT in a windowed program) or ignored from the start (nohup) does not. One that comes while
// files are put in place waits: then the command line reports and ends without the note, a
// windowed program ends with it.
TEST_F(FileAccessTest, ARequestToStopRemovesTheTemporariesWritesTheNoteAndExits) {
  const struct {
    int signal;
    InterruptRequests requests;
    bool duringCommit;
    std::string note, written;
    int status;  // the exit status (7: ignored from the start, it went on), or minus the signal
  } rows[] = {
      {SIGTERM, InterruptRequests::Terminal, false, "stopped\n", "stopped\n", 143},
      {SIGINT, InterruptRequests::Terminal, false, "", "", 130},
      {SIGHUP, InterruptRequests::Session, false, std::string(600, 'x') + "\n", std::string(511, 'x') + "\n", 129},
      {SIGINT, InterruptRequests::Session, false, "stopped\n", "", -SIGINT},
      {SIGHUP, InterruptRequests::Terminal, false, "stopped\n", "", 7},
      {SIGINT, InterruptRequests::Terminal, true, "stopped\n", "reported\n", 130},
      {SIGTERM, InterruptRequests::Session, true, "stopped\n", "stopped\n", 143},
  };
  std::vector<fs::path> temporaries;
  for (int i = 0; i < 40; ++i) temporaries.push_back(folder_ / (".out" + std::to_string(i) + ".txt.morvane-abcdef"));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.signal);
    for (const fs::path& temporary : temporaries) WriteFile(temporary, "part");
    const auto stop = [&] {
      if (row.status == 7) ::signal(row.signal, SIG_IGN);
      for (const fs::path& temporary : temporaries) RegisterTemporary(temporary.native());
      SetInterruptNote(row.note);
      EndOnInterrupt(row.requests);
      if (row.duringCommit) {
        {
          InterruptsHeld held(true);
          ::raise(row.signal);
        }
        WriteToStandardError("reported\n", 9);
        EndIfInterrupted();
      } else {
        ::raise(row.signal);
      }
      std::_Exit(7);
    };
    if (row.status > 0) {
      EXPECT_EXIT(stop(), ::testing::ExitedWithCode(row.status),
                  ::testing::Matcher<const std::string&>(row.written));
    } else {
      EXPECT_EXIT(stop(), ::testing::KilledBySignal(-row.status), "");
    }
    for (const fs::path& temporary : temporaries) EXPECT_EQ(row.status == 7 || row.status < 0, fs::exists(temporary));
  }
}
#endif

}  // namespace
}  // namespace morvane
