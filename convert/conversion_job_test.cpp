#include "convert/conversion_job.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "convert/media_folder.h"
#include "convert/messages.h"
#include "platform/file_access.h"
#include "platform/file_io.h"
#include "platform/utf8_path.h"
#include "testing/doubles/convert_in_memory.h"
#include "testing/doubles/recording_progress.h"
#include "testing/project_writer.h"
#include "testing/scratch_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using Kind = ConversionOutcome::Kind;
using testing::ProjectWriter;
using testing::ReadFile;
using testing::RecordingProgress;
using testing::WriteFile;

// The job's paths are UTF-8 on every platform.
std::string U8(const fs::path& path) { return Utf8Text(path); }

ProjectWriter SmallProject(std::int32_t mainCount = 0) {
  ProjectWriter file;
  file.Header(0x0207, 0, mainCount).U32(1).U32(2);
  if (mainCount != 0) file.Zeros(20);
  return file.U32(10).U32(20).U32(30).U32(0).ShortString("movie.avi");
}

// Holds path as another conversion would, as its source (in holder, else only for a moment);
// false when it cannot, which tells that the job still holds it.
bool Hold(const fs::path& path, SourceFile* holder = nullptr) {
  SourceFile moment;
  std::string reason;
  return (holder != nullptr ? *holder : moment).Open(U8(path), reason);
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
  void SetUp() override { SmallProject().SaveTo(source_.string()); }

  ConversionOutcome Run(const fs::path& source, const fs::path& destination, ConversionSettings settings = {}) {
    return ConversionJob(U8(source), U8(destination), settings).Run(progress_);
  }

  testing::ScratchFolder folder_;
  const fs::path source_ = folder_ / "project.dvc";
  const fs::path destination_ = folder_ / "project.txt";
  WatchingProgress progress_;
};

TEST_F(ConversionJobTest, WritesTheConversionCreatingNothingBeforeTheEnd) {
  progress_.onFirstStep = [&] {
    std::set<std::string> names = folder_.Names();
#ifdef _WIN32  // no unnamed files: until the end the text goes to a temporary beside the destination
    std::erase_if(names, [](const std::string& name) { return name.starts_with(".project.txt.morvane-"); });
#endif
    EXPECT_EQ(std::set<std::string>{"project.dvc"}, names);
  };
  const ConversionOutcome outcome = Run(source_, destination_);
  ASSERT_TRUE(outcome.completed()) << OutcomeMessage(outcome);
  EXPECT_EQ((std::vector<std::string>{U8(destination_)}), outcome.written);
  EXPECT_EQ(testing::ConvertInMemory(SmallProject().bytes()), ReadFile(destination_));
  EXPECT_EQ(200, progress_.steps);
  EXPECT_EQ("", progress_.statuses.back().text);
  EXPECT_TRUE(Hold(source_));
  EXPECT_TRUE(Hold(destination_));
  EXPECT_EQ((std::set<std::string>{"project.dvc", "project.txt"}), folder_.Names());
}

TEST_F(ConversionJobTest, RefusesFilesThatCannotBeOpenedWithTheSystemsReason) {
  fs::create_directories(folder_ / "folder");
  fs::create_hard_link(source_, folder_ / "hard.txt");
#ifdef _WIN32
  WriteFile(folder_ / "soft.txt", "");  // Windows' symbolic links need privileges: one more file
#else
  fs::create_symlink(source_, folder_ / "soft.txt");
  fs::create_symlink(folder_ / "gone.txt", folder_ / "dangling");  // stays dangling, not made a file
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
      {source_, folder_ / "dangling", Kind::DestinationOpenFailed, std::strerror(ENOENT)},
#endif
      {source_, held, Kind::DestinationOpenFailed, std::string(kReasonInUse)},
  };
  SourceFile holder;
  ASSERT_TRUE(Hold(destination_, &holder));
  for (const auto& c : cases) {
    const ConversionOutcome outcome = Run(c.source, c.destination);
    EXPECT_EQ(c.kind, outcome.kind) << c.source << " -> " << c.destination;
    EXPECT_EQ(U8(c.kind == Kind::SourceOpenFailed ? c.source : c.destination), outcome.file);
#ifdef _WIN32
    if (c.reason == std::strerror(ENOENT)) {  // Windows words its own reasons
      EXPECT_NE("", outcome.reason);
      continue;
    }
#endif
    EXPECT_EQ(c.reason, outcome.reason) << c.source << " -> " << c.destination;
    EXPECT_EQ(project, ReadFile(source_));
    EXPECT_TRUE(Hold(source_));
  }
  holder.Close();
  EXPECT_EQ("held", ReadFile(destination_));  // a held file cannot be read on Windows
  EXPECT_EQ(0, progress_.steps);
#ifndef _WIN32
  EXPECT_TRUE(fs::is_symlink(folder_ / "dangling"));
  fs::remove(folder_ / "dangling");
#endif
  EXPECT_EQ(5u, folder_.Names().size());
}

// An allocation that fails anywhere, in a listing or an export, ends the conversion with the
// memory message and leaves every destination as it was.
TEST_F(ConversionJobTest, EndsWithNotEnoughMemoryAndNothingInPlaceWhenAnAllocationFails) {
  progress_.onFirstStep = [] { throw std::bad_alloc(); };
  for (const ExportFormat format : {ExportFormat::Listing, ExportFormat::Otio}) {
    WriteFile(destination_, "previous text");
    ConversionJob job(U8(source_), U8(destination_), {});
    job.SetExport({format, "", false, true, 0});
    const ConversionOutcome outcome = job.Run(progress_);
    EXPECT_EQ(Kind::OutOfMemory, outcome.kind);
    EXPECT_EQ("not enough memory", CommandLineMessage(outcome));
    EXPECT_EQ("previous text", ReadFile(destination_));
    EXPECT_EQ(2u, folder_.Names().size());
    progress_.steps = 0;
  }
}

TEST_F(ConversionJobTest, WritesDevicesAndDescriptorsDirectly) {
#ifndef _WIN32  // Windows' device names are refused (FileAccessTest.RefusesDevicesAndStreams)
  EXPECT_TRUE(Run(source_, "/dev/null").completed());
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
#endif
  int fds[2];
  ASSERT_TRUE(OpenPipe(fds));
  const ConversionOutcome outcome = ConversionJob::ToDescriptor(U8(source_), fds[1], "-", {}).Run(progress_);
  CloseDescriptor(fds[1]);
  ASSERT_TRUE(outcome.completed());
  EXPECT_EQ("conversion completed\nfrom : " + U8(source_) + "\n   to : -", OutcomeMessage(outcome));
  CloseDescriptor(fds[0]);  // the text written: the command line's tests compare it with the file's
}

// One rule for the exports and the probe: the folder given, else the project's, else ".".
TEST(MediaFolder, IsTheFolderGivenElseTheProjectsAbsoluteForTheExports) {
  const struct {
    const char *given, *source, *folder, *absolute;  // absolute: below the current folder
  } rows[] = {
      {"media", "p/a.dvc", "media", "media"},
      {"m/../n", "p/a.dvc", "m/../n", "n"},
      {"", "p/a.dvc", "p", "p"},
      {"", "a.dvc", ".", ""},
  };
  const std::string now = U8(fs::current_path().generic_u8string());
  for (const auto& row : rows) {
    EXPECT_EQ(row.folder, MediaFolder(row.given, row.source)) << row.given << " " << row.source;
    std::string absolute = AbsoluteMediaFolder(row.given, row.source);
    if (absolute.ends_with('/')) absolute.pop_back();  // "." is "/now/" on POSIX, "C:/now" on Windows
    EXPECT_EQ(*row.absolute ? now + "/" + row.absolute : now, absolute) << row.given << " " << row.source;
  }
  EXPECT_EQ("/p/q", MediaFolder("", "/p/q/a.dvc"));
}

}  // namespace
}  // namespace morvane
