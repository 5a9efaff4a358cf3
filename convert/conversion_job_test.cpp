#include "convert/conversion_job.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "convert/messages.h"
#include "platform/file_access.h"
#include "platform/file_io.h"
#include "platform/process.h"
#include "platform/utf8_path.h"
#include "testing/listing_run.h"
#include "testing/project_writer.h"
#include "testing/recording_progress.h"

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

// Holds path as another conversion would, as its source; false when it cannot.
bool Hold(const fs::path& path, SourceFile& holder) {
  std::string reason;
  return holder.Open(U8(path), reason);
}

// Whether another conversion could hold the file now, which tells that the job let go of it.
bool Lockable(const fs::path& path) {
  SourceFile holder;
  return Hold(path, holder);
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
              ("morvane-job-" + std::to_string(ProcessId()) + "-" +
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
  ASSERT_TRUE(outcome.completed()) << OutcomeMessage(outcome);
  EXPECT_EQ(MessageIcon::None, DialogIcon(outcome));
  EXPECT_EQ("conversion completed\nfrom : " + U8(source_) + "\n   to : " + U8(destination_),
            OutcomeMessage(outcome));
  EXPECT_EQ(testing::ConvertInMemory(SmallProject().bytes()), ReadFile(destination_));
  EXPECT_EQ(200, progress_.steps);
  EXPECT_EQ("", progress_.statuses.back().text);
  EXPECT_TRUE(Lockable(source_));
  EXPECT_TRUE(Lockable(destination_));
  EXPECT_EQ((std::set<std::string>{"project.dvc", "project.txt"}), Names());
}

// A longer old text goes whole (platform/file_access_test.cpp: links and permissions).
TEST_F(ConversionJobTest, ReplacesAnExistingDestination) {
  const ConversionSettings ez{SoftwareKind::EzEdit, TimecodeMode::Pal};
  WriteFile(destination_, std::string(100000, 'x'));
  ASSERT_TRUE(Run(source_, destination_).completed());
  ASSERT_TRUE(Run(source_, destination_, ez).completed());
  EXPECT_EQ(testing::ConvertInMemory(SmallProject().bytes(), ez), ReadFile(destination_));
  EXPECT_EQ(2u, Names().size());
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
  SourceFile holder;
  ASSERT_TRUE(Hold(destination_, holder));
  for (const auto& c : cases) {
    const ConversionOutcome outcome = Run(c.source, c.destination);
    EXPECT_EQ(c.kind, outcome.kind) << c.source << " -> " << c.destination;
    EXPECT_EQ(c.kind == Kind::SourceOpenFailed ? kSourceOpenFailed : kDestinationOpenFailed, OutcomeMessage(outcome));
#ifdef _WIN32
    if (c.reason == std::strerror(ENOENT)) {  // Windows words its own reasons
      EXPECT_NE("", outcome.reason);
      continue;
    }
#endif
    EXPECT_EQ(c.reason, outcome.reason) << c.source << " -> " << c.destination;
    EXPECT_EQ(MessageIcon::Warning, DialogIcon(outcome));
    EXPECT_EQ(project, ReadFile(source_));
    EXPECT_TRUE(Lockable(source_));
  }
  holder.Close();
  EXPECT_EQ("held", ReadFile(destination_));  // a held file cannot be read on Windows
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
      EXPECT_EQ(c.message, OutcomeMessage(outcome));
      EXPECT_EQ(MessageIcon::Warning, DialogIcon(outcome));
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
    EXPECT_EQ("Can not write destination file", OutcomeMessage(outcome));
  }
#ifdef _WIN32
  EXPECT_TRUE(Run(source_, "NUL").completed());
#else
  EXPECT_TRUE(Run(source_, "/dev/null").completed());
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
#endif
  int fds[2];
  ASSERT_TRUE(OpenPipe(fds));
  const ConversionOutcome outcome = ConversionJob::ToDescriptor(U8(source_), fds[1], "-", {}).Run(progress_);
  CloseDescriptor(fds[1]);
  ASSERT_TRUE(outcome.completed());
  EXPECT_EQ("conversion completed\nfrom : " + U8(source_) + "\n   to : -", OutcomeMessage(outcome));
  std::string text;
  char buffer[4096];
  std::ptrdiff_t n;
  while ((n = ReadSome(fds[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
  CloseDescriptor(fds[0]);
  EXPECT_EQ(testing::ConvertInMemory(SmallProject().bytes()), text);
}

}  // namespace
}  // namespace morvane
