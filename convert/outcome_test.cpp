// What a conversion reports: the facts the job returns, and the words each front end makes of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <fstream>
#include <string>
#include <vector>

#include "convert/conversion_job.h"
#include "convert/messages.h"
#include "platform/utf8_path.h"
#include "testing/example_projects.h"
#include "testing/recording_progress.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using Kind = ConversionOutcome::Kind;

ConversionOutcome Facts(Kind kind) {
  ConversionOutcome outcome;
  outcome.kind = kind;
  outcome.source = "in.dvc";
  outcome.destination = "out.txt";
  return outcome;
}

TEST(OutcomeWords, EachFrontEndWordsTheSameFacts) {
  ConversionOutcome over = Facts(Kind::OverCapacity);
  over.heading = "[InsertAV]";
  over.count = 1001;
  over.capacity = 1000;
  ConversionOutcome kept = Facts(Kind::DestinationExists);
  kept.file = "out-insert.edl";
  ConversionOutcome onlyEz = Facts(Kind::Completed);
  onlyEz.otherFits = true;
  ConversionOutcome refusedOnlyRex = Facts(Kind::EndsTooEarly);
  refusedOnlyRex.software = SoftwareKind::EzEdit;
  refusedOnlyRex.otherFits = true;
  ConversionOutcome fitting = Facts(Kind::Completed);
  fitting.fits = true;
  fitting.otherFits = true;  // never checked when the first fits; no hint either way
  ConversionOutcome unopened = Facts(Kind::SourceOpenFailed);
  unopened.reason = "No such file or directory";

  const std::string done = "conversion completed\nfrom : in.dvc\n   to : out.txt";
  const struct {
    ConversionOutcome outcome;
    std::string dialog;
    MessageIcon icon;
    std::string commandLine;
    std::string_view warning, warningByFit;
  } rows[] = {
      {Facts(Kind::Completed), done, MessageIcon::None, done, "", kReadsAsNeitherWarning},
      {fitting, done, MessageIcon::None, done, "", ""},
      {onlyEz, done + "\n\n" + std::string(kReadsAsEzEditHint), MessageIcon::Warning, done,
       kReadsAsEzEditWarning, kReadsAsEzEditWarning},
      {refusedOnlyRex, std::string(kEndsTooEarly) + "\n\n" + std::string(kReadsAsRexEditHint), MessageIcon::Warning,
       std::string(kEndsTooEarly), kReadsAsRexEditWarning, kReadsAsRexEditWarning},
      {over, "Can not convert source file: [InsertAV] holds 1001 clips, more than 1000", MessageIcon::Warning,
       "Can not convert source file: [InsertAV] holds 1001 clips, more than 1000", "", kReadsAsNeitherWarning},
      {unopened, std::string(kSourceOpenFailed), MessageIcon::Warning, std::string(kSourceOpenFailed), "", ""},
      {Facts(Kind::DestinationOpenFailed), std::string(kDestinationOpenFailed), MessageIcon::Warning,
       std::string(kDestinationOpenFailed), "", ""},
      {Facts(Kind::ReadFailed), std::string(kReadFailed), MessageIcon::Warning, std::string(kReadFailed), "", ""},
      {Facts(Kind::WriteFailed), std::string(kWriteFailed), MessageIcon::Warning, std::string(kWriteFailed), "", ""},
      {Facts(Kind::NoFrameRate), std::string(kExportNeedsRate), MessageIcon::Warning, std::string(kExportNeedsRate),
       "", ""},
      {kept, "out-insert.edl exists; kept it", MessageIcon::Warning,
       "out-insert.edl exists; kept it (--force replaces it)", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.dialog);
    EXPECT_EQ(row.dialog, DialogMessage(row.outcome));
    EXPECT_EQ(row.icon, DialogIcon(row.outcome));
    EXPECT_EQ(row.commandLine, CommandLineMessage(row.outcome));
    EXPECT_EQ(row.warning, CommandLineWarning(row.outcome, false));
    EXPECT_EQ(row.warningByFit, CommandLineWarning(row.outcome, true));
  }
}

class ExportOutcomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("morvane-outcome-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    for (const testing::ExampleProject& example : testing::ExampleProjects()) {
      if (example.name == "rexedit-0207.dvc") example.file.SaveTo((folder_ / "cut.dvc").string());
    }
  }
  void TearDown() override { fs::remove_all(folder_); }

  ConversionOutcome Export(ExportFormat format, const std::string& name, bool keepExisting) {
    ConversionJob job(Path("cut.dvc"), Path(name), {});
    job.SetExport({format, {}, keepExisting});
    testing::RecordingProgress progress;
    return job.Run(progress);
  }
  std::string Path(const std::string& name) const { return Utf8Text(folder_ / name); }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(folder_ / name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) const {
    std::ifstream file(folder_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }

  fs::path folder_;
};

TEST_F(ExportOutcomeTest, NamesEveryFileWrittenTheNamedOneFirst) {
  const ConversionOutcome outcome = Export(ExportFormat::Cmx3600, "cut.edl", true);
  ASSERT_TRUE(outcome.completed()) << OutcomeMessage(outcome);
  EXPECT_EQ((std::vector<std::string>{Path("cut.edl"), Path("cut-insert.edl"), Path("cut-exa1.edl"),
                                      Path("cut-exa2.edl")}),
            outcome.written);
  EXPECT_TRUE(outcome.fits);
  EXPECT_EQ(Path("cut.dvc"), outcome.source);
  EXPECT_EQ(Path("cut.edl"), outcome.destination);
}

// An existing file is kept, whichever of the export's files it is, and then none is written.
TEST_F(ExportOutcomeTest, KeepsAnExistingFileAndWritesNone) {
  const struct {
    ExportFormat format;
    std::string named, existing;
  } rows[] = {
      {ExportFormat::Listing, "cut.txt", "cut.txt"},
      {ExportFormat::Otio, "cut.otio", "cut.otio"},
      {ExportFormat::Cmx3600, "cut.edl", "cut.edl"},
      {ExportFormat::Cmx3600, "cut.edl", "cut-exa2.edl"},  // the last of the files beside it
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.existing);
    Write(row.existing, "mine");
    const ConversionOutcome kept = Export(row.format, row.named, true);
    EXPECT_EQ(Kind::DestinationExists, kept.kind);
    EXPECT_EQ(Path(row.existing), kept.file);
    EXPECT_TRUE(kept.written.empty());
    EXPECT_EQ("mine", Read(row.existing));
    EXPECT_EQ(2, std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));

    const ConversionOutcome replaced = Export(row.format, row.named, false);
    EXPECT_TRUE(replaced.completed());
    EXPECT_NE("mine", Read(row.existing));
    for (const std::string& file : replaced.written) fs::remove(file);
  }
}

}  // namespace
}  // namespace morvane
