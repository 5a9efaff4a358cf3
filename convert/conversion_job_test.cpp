#include "convert/conversion_job.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <sys/stat.h>
#endif

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "convert/file_access.h"
#include "convert/messages.h"
#include "listing/utf8_path.h"
#include "testing/doubles/convert_in_memory.h"
#include "testing/doubles/recording_progress.h"
#include "testing/project_writer.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using Kind = ConversionOutcome::Kind;
using testing::ProjectWriter;
using testing::RecordingProgress;

// The job's paths are UTF-8 on every platform.
std::string U8(const fs::path& path) { return Utf8Text(path); }

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
}

ProjectWriter SmallProject(std::int32_t mainCount = 0) {
  ProjectWriter file;
  file.Header(0x0207, 0, mainCount).U32(1).U32(2);
  if (mainCount != 0) file.Zeros(20);
  return file.U32(10).U32(20).U32(30).U32(0).ShortString("movie.avi");
}

#ifdef _WIN32
// Holds path as another program would: others may read it but not write it (-1 when it cannot).
intptr_t Hold(const fs::path& path) {
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<intptr_t>(handle);
}
void Release(intptr_t holder) { CloseHandle(reinterpret_cast<HANDLE>(holder)); }
#else
// Holds path as another conversion would: an exclusive lock (-1 when it cannot).
intptr_t Hold(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}
void Release(intptr_t holder) { ::close(static_cast<int>(holder)); }
#endif

// Whether another program could hold the file now, which tells that the job let go of it.
bool Lockable(const fs::path& path) {
  const intptr_t holder = Hold(path);
  if (holder < 0) return false;
  Release(holder);
  return true;
}

// Calls back on the first step, while the conversion runs.
struct WatchingProgress : RecordingProgress {
  std::function<void()> onFirstStep;
  void Step() override {
    if (steps++ == 0 && onFirstStep) onFirstStep();
  }
};

class ConversionJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("morvane-job-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    source_ = folder_ / "project.dvc";
    destination_ = folder_ / "project.txt";
    SmallProject().SaveTo(source_.string());
  }
  void TearDown() override { fs::remove_all(folder_); }

  ConversionOutcome Run(const fs::path& source, const fs::path& destination, ConversionSettings settings = {}) {
    return ConversionJob(U8(source), U8(destination), settings).Run(progress_);
  }

  // The names in the folder, so a test can see that nothing was left beside the destination.
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) names.insert(U8(entry.path().filename()));
    return names;
  }

  fs::path folder_;
  fs::path source_;
  fs::path destination_;
  WatchingProgress progress_;
};

TEST_F(ConversionJobTest, WritesTheConversionCreatingNothingBeforeTheEnd) {
  progress_.onFirstStep = [&] {
    std::set<std::string> names = Names();
#ifdef _WIN32  // no unnamed files: until the end the text goes to a temporary beside the destination
    std::erase_if(names, [](const std::string& name) { return name.starts_with(".project.txt.morvane-"); });
#endif
    EXPECT_EQ(std::set<std::string>{"project.dvc"}, names);
  };
  const ConversionOutcome outcome = Run(source_, destination_);
  ASSERT_TRUE(outcome.completed()) << outcome.message;
  EXPECT_EQ(MessageIcon::None, outcome.icon);
  EXPECT_EQ("conversion completed\nfrom : " + U8(source_) + "\n   to : " + U8(destination_),
            outcome.message);
  EXPECT_EQ(testing::ConvertInMemory(SmallProject().bytes()), ReadFile(destination_));
  EXPECT_EQ(200, progress_.steps);
  EXPECT_EQ("", progress_.statuses.back().text);
  EXPECT_TRUE(Lockable(source_));
  EXPECT_TRUE(Lockable(destination_));
  EXPECT_EQ((std::set<std::string>{"project.dvc", "project.txt"}), Names());
}

TEST_F(ConversionJobTest, ReplacesAnExistingDestinationKeepingItsPermissionsAndLinks) {
  const ConversionSettings ez{SoftwareKind::EzEdit, TimecodeMode::Pal};
#ifdef _WIN32
  const fs::path target = destination_;  // links and POSIX permissions are not for Windows
  WriteFile(target, std::string(100000, 'x'));
#else
  const fs::path target = folder_ / "target.txt";
  WriteFile(target, std::string(100000, 'x'));
  ::chmod(target.c_str(), 0640);
  fs::create_symlink(target, destination_);
#endif
  ASSERT_TRUE(Run(source_, destination_).completed());
  ASSERT_TRUE(Run(source_, destination_, ez).completed());
  EXPECT_EQ(testing::ConvertInMemory(SmallProject().bytes(), ez), ReadFile(target));
#ifndef _WIN32
  EXPECT_TRUE(fs::is_symlink(destination_));
  struct stat st {};
  ASSERT_EQ(0, ::stat(target.c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 07777);
  EXPECT_EQ(3u, Names().size());
#endif
}

TEST_F(ConversionJobTest, RefusesFilesThatCannotBeOpenedWithTheSystemsReason) {
  fs::create_directories(folder_ / "folder");
  fs::create_hard_link(source_, folder_ / "hard.txt");
#ifdef _WIN32
  WriteFile(folder_ / "soft.txt", "");  // Windows' symbolic links need privileges: one more file
#else
  fs::create_symlink(source_, folder_ / "soft.txt");
#endif
  WriteFile(destination_, "held");
  const std::string project = ReadFile(source_);
  const fs::path missing = folder_ / "no" / "such.txt", folder = folder_ / "folder", held = destination_;
  const struct {
    fs::path source, destination;
    Kind kind;
    std::string reason;
  } cases[] = {
      {"", held, Kind::SourceOpenFailed, std::strerror(ENOENT)},
      {missing, held, Kind::SourceOpenFailed, std::strerror(ENOENT)},
      {folder, held, Kind::SourceOpenFailed, std::strerror(EISDIR)},
      {held, source_, Kind::SourceOpenFailed, std::string(kReasonInUse)},
      {source_, "", Kind::DestinationOpenFailed, std::strerror(ENOENT)},
      {source_, missing, Kind::DestinationOpenFailed, std::strerror(ENOENT)},
      {source_, folder, Kind::DestinationOpenFailed, std::strerror(EISDIR)},
      {source_, source_, Kind::DestinationOpenFailed, std::string(kReasonSameFile)},
      {source_, folder_ / "hard.txt", Kind::DestinationOpenFailed, std::string(kReasonSameFile)},
#ifndef _WIN32
      {source_, folder_ / "soft.txt", Kind::DestinationOpenFailed, std::string(kReasonSameFile)},
#endif
      {source_, held, Kind::DestinationOpenFailed, std::string(kReasonInUse)},
  };
  const intptr_t holder = Hold(destination_);
  ASSERT_NE(-1, holder);
  for (const auto& c : cases) {
    const ConversionOutcome outcome = Run(c.source, c.destination);
    EXPECT_EQ(c.kind, outcome.kind) << c.source << " -> " << c.destination;
    EXPECT_EQ(c.kind == Kind::SourceOpenFailed ? kSourceOpenFailed : kDestinationOpenFailed, outcome.message);
#ifdef _WIN32
    if (c.reason == std::strerror(ENOENT)) {  // Windows words its own reasons
      EXPECT_NE("", outcome.reason);
      continue;
    }
#endif
    EXPECT_EQ(c.reason, outcome.reason) << c.source << " -> " << c.destination;
    EXPECT_EQ(MessageIcon::Warning, outcome.icon);
    EXPECT_EQ(project, ReadFile(source_));
    EXPECT_EQ("held", ReadFile(destination_));
    EXPECT_TRUE(Lockable(source_));
  }
  Release(holder);
  EXPECT_EQ(0, progress_.steps);
  EXPECT_EQ(5u, Names().size());
}

TEST_F(ConversionJobTest, LeavesTheDestinationAsItWasWhenTheProjectIsRefused) {
  ProjectWriter endless;
  endless.Header(0x0207, 0x7FFFFFFF, 0);  // two billion bin items, none in the file
  const struct {
    ProjectWriter project;
    Kind kind;
    std::string message;
  } cases[] = {
      {SmallProject(1234), Kind::OverCapacity, "Can not convert source file: [MainAV] holds 1234 clips, more than 1000"},
      {endless, Kind::EndsTooEarly, "Can not convert source file: it ends too early"},
  };
  for (const auto& c : cases) {
    c.project.SaveTo(source_.string());
    for (const bool existed : {true, false}) {
      if (existed) WriteFile(destination_, "previous text");
      const ConversionOutcome outcome = Run(source_, destination_);
      EXPECT_EQ(c.kind, outcome.kind);
      EXPECT_EQ(c.message, outcome.message);
      EXPECT_EQ(MessageIcon::Warning, outcome.icon);
      EXPECT_EQ(existed, fs::exists(destination_));
      EXPECT_EQ(existed ? "previous text" : "", ReadFile(destination_));
      EXPECT_EQ(existed ? 2u : 1u, Names().size());
      EXPECT_TRUE(Lockable(source_));
      fs::remove(destination_);
    }
  }
}

TEST_F(ConversionJobTest, WritesDevicesAndDescriptorsDirectly) {
  if (fs::exists("/dev/full")) {
    const ConversionOutcome outcome = Run(source_, "/dev/full");
    EXPECT_EQ(Kind::WriteFailed, outcome.kind);
    EXPECT_EQ("Can not write destination file", outcome.message);
  }
#ifdef _WIN32
  EXPECT_TRUE(Run(source_, "NUL").completed());
  int fds[2];
  ASSERT_EQ(0, ::_pipe(fds, 1 << 16, _O_BINARY));
#else
  EXPECT_TRUE(Run(source_, "/dev/null").completed());
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  int fds[2];
  ASSERT_EQ(0, ::pipe(fds));
#endif
  const ConversionOutcome outcome = ConversionJob::ToDescriptor(U8(source_), fds[1], "-", {}).Run(progress_);
  ::close(fds[1]);
  ASSERT_TRUE(outcome.completed());
  EXPECT_EQ("conversion completed\nfrom : " + U8(source_) + "\n   to : -", outcome.message);
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  EXPECT_EQ(testing::ConvertInMemory(SmallProject().bytes()), text);
}

// Several destinations of one conversion are put in place together or not at all.
TEST_F(ConversionJobTest, PutsSeveralDestinationsInPlaceAllOrNone) {
  const fs::path second = folder_ / "second.txt";
  enum Ending { Abandoned, SecondBecomesAFolder, Committed };
  for (const Ending ending : {Abandoned, SecondBecomesAFolder, Committed}) {
    WriteFile(destination_, "old");
    std::string reason;
    SourceFile source;
    ASSERT_TRUE(source.Open(U8(source_), reason));
    {
      DestinationFiles files(source);
      ASSERT_TRUE(files.Add(U8(destination_), reason) && files.Add(U8(second), reason)) << reason;
      for (std::size_t i = 0; i < files.size(); ++i) ASSERT_EQ(3, ::write(files.Descriptor(i), "new", 3));
      if (ending == SecondBecomesAFolder) fs::create_directories(second / "inside");
      if (ending != Abandoned) {
        EXPECT_EQ(ending == Committed, files.Commit(reason)) << ending;
      }
    }
    EXPECT_EQ(ending == Committed ? "new" : "old", ReadFile(destination_)) << ending;
    EXPECT_EQ(ending != Abandoned, fs::exists(second)) << ending;
    EXPECT_EQ(ending == Committed ? "new" : "", ReadFile(second));
    EXPECT_EQ(ending == Abandoned ? 2u : 3u, Names().size()) << ending;
    fs::remove_all(second);
  }
}

}  // namespace
}  // namespace morvane
