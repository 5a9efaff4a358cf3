#include "convert/conversion_job.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "convert/messages.h"
#include "testing/listing_run.h"
#include "testing/project_writer.h"
#include "testing/recording_progress.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using Kind = ConversionOutcome::Kind;
using testing::ProjectWriter;
using testing::RecordingProgress;

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

// Whether another open of the file could lock it now, which tells that the job let go of it.
bool Lockable(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return locked;
}

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
    SmallProject().SaveTo(source_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  ConversionOutcome Run(const std::string& source, const std::string& destination,
                        ConversionSettings settings = {}) {
    return ConversionJob(source, destination, settings).Run(progress_);
  }

  // Files in the folder, so a test can see that nothing was left beside the destination.
  std::size_t FileCount() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
  }

  fs::path folder_;
  fs::path source_;
  fs::path destination_;
  RecordingProgress progress_;
};

TEST_F(ConversionJobTest, WritesTheConversionAndReportsBothPathsAsGiven) {
  const ConversionOutcome outcome = Run(source_, destination_);
  ASSERT_TRUE(outcome.completed()) << outcome.message;
  EXPECT_EQ(MessageIcon::None, outcome.icon);
  EXPECT_EQ("conversion completed\nfrom : " + source_.string() + "\n   to : " + destination_.string(),
            outcome.message);
  EXPECT_EQ(testing::ConvertInMemory(SmallProject().bytes()), ReadFile(destination_));
  EXPECT_EQ(200, progress_.steps);
  EXPECT_EQ("", progress_.statuses.back().text);
  EXPECT_TRUE(Lockable(source_));
  EXPECT_TRUE(Lockable(destination_));
  EXPECT_EQ(2u, FileCount());
}

TEST_F(ConversionJobTest, ReplacesAnExistingDestinationKeepingItsPermissions) {
  WriteFile(destination_, std::string(100000, 'x'));
  ::chmod(destination_.c_str(), 0640);
  ASSERT_TRUE(Run(source_, destination_).completed());
  ASSERT_TRUE(Run(source_, destination_, {SoftwareKind::EzEdit, TimecodeMode::Pal}).completed());
  EXPECT_EQ(testing::ConvertInMemory(SmallProject().bytes(), {SoftwareKind::EzEdit, TimecodeMode::Pal}),
            ReadFile(destination_));
  struct stat st {};
  ASSERT_EQ(0, ::stat(destination_.c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 07777);
}

TEST_F(ConversionJobTest, RefusesASourceThatCannotBeOpened) {
  WriteFile(destination_, "keep me");
  fs::create_directories(folder_ / "folder.dvc");
  for (const std::string& source : {std::string(), (folder_ / "missing.dvc").string(), (folder_ / "folder.dvc").string()}) {
    const ConversionOutcome outcome = Run(source, destination_);
    EXPECT_EQ(Kind::SourceOpenFailed, outcome.kind) << source;
    EXPECT_EQ("Can not open source file", outcome.message);
    EXPECT_EQ(MessageIcon::Warning, outcome.icon);
  }
  EXPECT_EQ("keep me", ReadFile(destination_));
  EXPECT_EQ(0, progress_.steps);
}

TEST_F(ConversionJobTest, RefusesASourceThatAnotherConversionHolds) {
  const int holder = ::open(source_.c_str(), O_RDONLY);
  ASSERT_EQ(0, ::flock(holder, LOCK_EX | LOCK_NB));
  EXPECT_EQ(Kind::SourceOpenFailed, Run(source_, destination_).kind);
  EXPECT_FALSE(fs::exists(destination_));
  ::close(holder);
}

TEST_F(ConversionJobTest, RefusesADestinationThatCannotBeOpenedAndClosesTheSource) {
  fs::create_directories(folder_ / "folder.txt");
  for (const std::string& destination : {std::string(), (folder_ / "no" / "such.txt").string(),
                                        (folder_ / "folder.txt").string()}) {
    const ConversionOutcome outcome = Run(source_, destination);
    EXPECT_EQ(Kind::DestinationOpenFailed, outcome.kind) << destination;
    EXPECT_EQ("Can not open destination file", outcome.message);
    EXPECT_EQ(MessageIcon::Warning, outcome.icon);
    EXPECT_TRUE(Lockable(source_));
  }
}

TEST_F(ConversionJobTest, RefusesADestinationThatIsTheSourceAndLeavesTheProjectUntouched) {
  const std::string project = ReadFile(source_);
  fs::create_hard_link(source_, folder_ / "hard.txt");
  fs::create_symlink(source_, folder_ / "soft.txt");
  for (const fs::path& destination : {source_, folder_ / "hard.txt", folder_ / "soft.txt"}) {
    EXPECT_EQ(Kind::DestinationOpenFailed, Run(source_, destination).kind) << destination;
    EXPECT_EQ(project, ReadFile(source_));
  }
  EXPECT_EQ(3u, FileCount());
}

TEST_F(ConversionJobTest, RefusesADestinationThatAnotherConversionHolds) {
  WriteFile(destination_, "held");
  const int holder = ::open(destination_.c_str(), O_RDONLY);
  ASSERT_EQ(0, ::flock(holder, LOCK_EX | LOCK_NB));
  EXPECT_EQ(Kind::DestinationOpenFailed, Run(source_, destination_).kind);
  ::close(holder);
  EXPECT_EQ("held", ReadFile(destination_));
  EXPECT_TRUE(Lockable(source_));
}

TEST_F(ConversionJobTest, LeavesTheDestinationAsItWasWhenTheProjectIsRefused) {
  SmallProject(1234).SaveTo(source_);
  WriteFile(destination_, "previous text");
  const ConversionOutcome outcome = Run(source_, destination_);
  EXPECT_EQ(Kind::OverCapacity, outcome.kind);
  EXPECT_EQ("Can not convert source file: [MainAV] holds 1234 clips, more than 1000", outcome.message);
  EXPECT_EQ(MessageIcon::Warning, outcome.icon);
  EXPECT_EQ("previous text", ReadFile(destination_));
  EXPECT_EQ(2u, FileCount());

  fs::remove(destination_);
  EXPECT_EQ(Kind::OverCapacity, Run(source_, destination_).kind);
  EXPECT_FALSE(fs::exists(destination_));
  EXPECT_EQ(1u, FileCount());
  EXPECT_TRUE(Lockable(source_));
}

TEST_F(ConversionJobTest, RefusesAProjectThatEndsLongBeforeItsCountsAndKeepsTheDestination) {
  ProjectWriter endless;
  endless.Header(0x0207, 0x7FFFFFFF, 0);  // two billion bin items, none in the file
  endless.SaveTo(source_);
  WriteFile(destination_, "previous text");
  const ConversionOutcome outcome = Run(source_, destination_);
  EXPECT_EQ(Kind::EndsTooEarly, outcome.kind);
  EXPECT_EQ("Can not convert source file: it ends too early", outcome.message);
  EXPECT_EQ(MessageIcon::Warning, outcome.icon);
  EXPECT_EQ("previous text", ReadFile(destination_));
  EXPECT_EQ(2u, FileCount());
  EXPECT_TRUE(Lockable(source_));
  EXPECT_TRUE(Lockable(destination_));
}

TEST_F(ConversionJobTest, ReportsAFullDiskAsAWriteError) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const ConversionOutcome outcome = Run(source_, "/dev/full");
  EXPECT_EQ(Kind::WriteFailed, outcome.kind);
  EXPECT_EQ("Can not write destination file", outcome.message);
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(ConversionJobTest, WritesDevicesDirectlyWithoutFilesBesideThem) {
  const ConversionOutcome outcome = Run(source_, "/dev/null");
  EXPECT_TRUE(outcome.completed()) << outcome.message;
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(ConversionJobTest, ReplacesTheFileASymbolicLinkPointsTo) {
  const fs::path target = folder_ / "target.txt";
  WriteFile(target, "old");
  fs::create_symlink(target, destination_);
  ASSERT_TRUE(Run(source_, destination_).completed());
  EXPECT_TRUE(fs::is_symlink(destination_));
  EXPECT_EQ(testing::ConvertInMemory(SmallProject().bytes()), ReadFile(target));
}

TEST_F(ConversionJobTest, WritesToAnOpenDescriptor) {
  int fds[2];
  ASSERT_EQ(0, ::pipe(fds));
  const ConversionOutcome outcome = ConversionJob::ToDescriptor(source_, fds[1], "-", {}).Run(progress_);
  ::close(fds[1]);
  ASSERT_TRUE(outcome.completed());
  EXPECT_EQ("conversion completed\nfrom : " + source_.string() + "\n   to : -", outcome.message);
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  EXPECT_EQ(testing::ConvertInMemory(SmallProject().bytes()), text);
}

}  // namespace
}  // namespace morvane
