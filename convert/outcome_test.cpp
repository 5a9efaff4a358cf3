// What a conversion reports: the facts the job returns, and the words each front end makes of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "convert/conversion_job.h"
#include "convert/messages.h"
#include "platform/file_access.h"
#include "platform/utf8_path.h"
#include "testing/doubles/recording_progress.h"
#include "testing/example_projects.h"
#include "testing/scratch_folder.h"

namespace morvane {
namespace {

using namespace morvane::testing;
using Kind = ConversionOutcome::Kind;

// otherFits is checked only when the first does not fit.
ConversionOutcome Facts(Kind kind, SoftwareKind software = SoftwareKind::RexEdit, bool fits = true, bool otherFits = false,
                        bool endedEarly = false, std::string file = "out-exa2.edl", std::string reason = "") {
  return {kind, "in.dvc", "out.txt", std::move(file), std::move(reason), "[InsertAV]", 1001, 1000, software,
          fits, otherFits, endedEarly};
}

ConversionOutcome WithChanges(ConversionOutcome outcome, std::vector<ExportNote> changes) {
  outcome.format = ExportFormat::Cmx3600;
  outcome.changes = std::move(changes);
  return outcome;
}

TEST(OutcomeWords, EachFrontEndWordsTheSameFacts) {
  const std::string done = "conversion completed\nfrom : in.dvc\n   to : out.txt", late(kEndsTooEarly),
                    over = "Can not convert source file: [InsertAV] holds 1001 clips, more than 1000",
                    kept = "out-exa2.edl exists; kept it", ez = "\n\n" + std::string(kReadsAsEzEditHint),
                    rex = "\n\n" + std::string(kReadsAsRexEditHint), p = "\n\n";
  const MessageIcon warning = MessageIcon::Warning;
  const SoftwareKind rexEdit = SoftwareKind::RexEdit, ezEdit = SoftwareKind::EzEdit;
  const std::string_view none{};
  const struct {
    ConversionOutcome outcome;
    std::string dialog;
    MessageIcon icon;
    std::string commandLine;
    std::string_view warning, autoWarning, noFitWarning;
  } rows[] = {
      {Facts(Kind::Completed), done, MessageIcon::None, done, none, none, none},
      {Facts(Kind::Completed, rexEdit, false, true), done + ez, warning, done, kReadsAsEzEditWarning,
       kReadsAsEzEditWarning, none},
      {Facts(Kind::EndsTooEarly, ezEdit, false, true), late + rex, warning, late, kReadsAsRexEditWarning,
       kReadsAsRexEditWarning, none},
      // Neither layout fits: every software warns how the file misses.
      {Facts(Kind::Completed, rexEdit, false, false, true), done + p + std::string(kEndsEarlyHint), warning, done,
       none, kReadsAsNeitherWarning, kEndsEarlyWarning},
      {Facts(Kind::Completed, ezEdit, false), done + p + std::string(kBytesAfterEndHint), warning, done, none,
       kReadsAsNeitherWarning, kBytesAfterEndWarning},
      {Facts(Kind::OverCapacity, rexEdit, false), over, warning, over, none, kReadsAsNeitherWarning, none},
      {Facts(Kind::NoFrameRate), std::string(kExportNeedsRate), warning, std::string(kExportNeedsRate), none, none,
       none},
      {Facts(Kind::DestinationExists), kept, warning, kept + " (--force replaces it)", none, none, none},
      {Facts(Kind::Withdrawn), std::string(kWithdrawn), warning, std::string(kWithdrawn), none, none, none},
      // What an export changed: a paragraph of its own in the dialog, warnings on the command line.
      {WithChanges(Facts(Kind::Completed), {{ExportChange::TransitionCapped, 1, 2000}}),
       done + "\n\ncmx3600: 1 transition of 2000 frames written as 999", warning, done, none, none, none},
      {WithChanges(Facts(Kind::Completed, rexEdit, false, true),
                   {{ExportChange::ClipCutAtStart, 2, 1099}, {ExportChange::MediaNameInvalid, 1, 0}}),
       done + ez + "\n\ncmx3600: 2 clips starting before frame 0 cut there (up to 1099 frames cut)"
                   "\ncmx3600: 1 media name naming no file (empty, \".\" or \"..\") left offline",
       warning, done, kReadsAsEzEditWarning, kReadsAsEzEditWarning, none},
  };
  // A failure with files: the file, the system's reason and what to do next.
  const struct { Kind kind; const char *file, *reason; std::string paragraph; std::string_view advice; } failures[] = {
      {Kind::SourceOpenFailed, "in.dvc", "No such file", "in.dvc: No such file.\n", kSourceOpenAdvice},
      {Kind::SourceOpenFailed, "", "", "", kSourceOpenAdvice},
      {Kind::DestinationOpenFailed, "/ro/out.txt", "Read-only file system", "/ro/out.txt: Read-only file system.\n",
       kDestinationOpenAdvice},
      {Kind::DestinationOpenFailed, "in.dvc", kReasonSameFile.data(), "in.dvc: it is the source file.\n", kSameFileAdvice},
      {Kind::DestinationOpenFailed, "out.txt", kReasonInUse.data(), "out.txt: in use by another program.\n", kInUseAdvice},
      {Kind::ReadFailed, "", "Input/output error", "in.dvc: Input/output error.\n", kReadAdvice},
      {Kind::WriteFailed, "", "No space left on device", "out.txt: No space left on device.\n", kWriteAdvice}};
  for (const auto& failure : failures) {
    const ConversionOutcome outcome = Facts(failure.kind, rexEdit, true, false, false, failure.file, failure.reason);
    EXPECT_EQ(OutcomeMessage(outcome) + "\n\n" + failure.paragraph + failure.advice.data(), DialogMessage(outcome));
  }
  for (const auto& row : rows) {
    SCOPED_TRACE(row.dialog);
    EXPECT_EQ(row.dialog, DialogMessage(row.outcome));
    EXPECT_EQ(row.icon, DialogIcon(row.outcome));
    EXPECT_EQ(row.commandLine, CommandLineMessage(row.outcome));
    EXPECT_EQ(row.warning, CommandLineWarning(row.outcome, false));
    EXPECT_EQ(row.autoWarning, CommandLineWarning(row.outcome, true));
    EXPECT_EQ(row.noFitWarning, NoFitWarning(row.outcome));
  }
  // Every file written is named, the further ones under the first; every kept one on a line.
  ConversionOutcome several = Facts(Kind::Completed);
  several.written = {"out.edl", "out-insert.edl", "out-exa1.edl"};
  EXPECT_EQ("conversion completed\nfrom : in.dvc\n   to : out.txt\n        out-insert.edl\n        out-exa1.edl",
            OutcomeMessage(several));
  EXPECT_EQ(
      "This project reads as an EzEdit( EZDV II ) project; RexEdit, chosen in step 1, does not fit it.\n\n"
      "Yes: convert it as EzEdit( EZDV II )\nNo: convert it as RexEdit\nCancel: convert nothing",
      WrongSoftwareQuestion(Facts(Kind::Completed, rexEdit, false, true)));
  EXPECT_EQ(
      "This project reads as a RexEdit project; EzEdit( EZDV II ), chosen in step 1, does not fit it.\n\n"
      "Yes: convert it as RexEdit\nNo: convert it as EzEdit( EZDV II )\nCancel: convert nothing",
      WrongSoftwareQuestion(Facts(Kind::OverCapacity, ezEdit, false, true)));
}

// Every export names the file the relinking trees found, read once for the jobs that share them.
TEST(ExportOutcome, EveryFormatLinksTheMediaFoundUnderTheRelinkingFolders) {
  const testing::ScratchFolder folder;
  for (const testing::ExampleProject& example : testing::ExampleProjects()) {
    if (example.name == "rexedit-0207.dvc") example.file.SaveTo((folder / "cut.dvc").string());
  }
  std::filesystem::create_directories(folder / "archive/x");
  testing::WriteFile(folder / "archive/x/OPENING.avi", "");
  testing::WriteFile(folder / "archive/x/INTERVIEW.AVI", "");  // the media folder's comes first
  testing::WriteFile(folder / "INTERVIEW.AVI", "");
  const auto trees = std::make_shared<MediaTrees>();
  const std::string archive = Utf8Text((folder / "archive").generic_u8string());
  const struct {
    ExportFormat format;
    const char* file;
  } rows[] = {{ExportFormat::Otio, "cut.otio"}, {ExportFormat::Cmx3600, "cut.edl"}, {ExportFormat::Mlt, "cut.mlt"},
              {ExportFormat::Fcpxml, "cut.fcpxml"}};
  for (const auto& row : rows) {
    ConversionJob job(Utf8Text(folder / "cut.dvc"), Utf8Text(folder / row.file), {});
    job.SetExport({row.format, {}, false, true, 0, {archive}, trees});
    testing::RecordingProgress progress;
    ASSERT_TRUE(job.Run(progress).completed()) << row.file;
    const std::string written = testing::ReadFile(folder / row.file);
    EXPECT_NE(std::string::npos, written.find(archive + "/x/OPENING.avi")) << row.file;
    EXPECT_EQ(std::string::npos, written.find(archive + "/x/INTERVIEW.AVI")) << row.file;
    testing::WriteFile(folder / "archive/opening.avi", "");  // not seen: the tree was read by the first job
  }
}

}  // namespace
}  // namespace morvane
