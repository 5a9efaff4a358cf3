#include "dialog/dialog_core.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "convert/messages.h"
#include "platform/utf8_path.h"
#include "testing/doubles/convert_in_memory.h"
#include "testing/doubles/recording_prompts.h"
#include "testing/example_projects.h"
#include "testing/project_writer.h"
#include "testing/scratch_folder.h"

namespace morvane {
namespace {

using Repaint = std::pair<int, std::string>;
#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

struct DialogCoreTest : ::testing::Test, DialogView {
  void ShowProgress(int position, std::string_view status) override {
    repaints.emplace_back(position, std::string(status));
  }
  std::vector<Repaint> repaints;
  testing::RecordingMessageBoxes boxes;
  testing::RecordingFilePickers pickers;
  std::chrono::steady_clock::time_point now{};
  DialogCore core{*this, boxes, pickers, [this] { return now; }};
};

TEST_F(DialogCoreTest, EachRadioSetsItsSettingAndExactlyTheSettingsInForceAreChecked) {
  using R = DialogRadio;
  using S = SoftwareKind;
  using T = TimecodeMode;
  // clang-format off
  const struct { R radio; S software; T timecode; } rows[] = {
      {R::NtscDropFrame, S::RexEdit, T::NtscDropFrame},  // the start values, before any click
      {R::EzEdit, S::EzEdit, T::NtscDropFrame}, {R::Frame, S::EzEdit, T::Frames},
      {R::RexEdit, S::RexEdit, T::Frames}, {R::NtscNonDrop, S::RexEdit, T::NtscNonDrop},
      {R::Pal, S::RexEdit, T::Pal}, {R::NtscDropFrame, S::RexEdit, T::NtscDropFrame}};
  // clang-format on
  for (const auto& row : rows) {
    if (&row != &rows[0]) core.ClickRadio(row.radio);
    EXPECT_EQ(std::make_tuple(row.software, row.timecode),
              std::make_tuple(core.settings().softwareKind, core.settings().timecodeMode));
    int checked = 0;
    for (int i = 0; i < 6; ++i) checked += core.IsChecked(static_cast<R>(i)) ? 1 : 0;
    EXPECT_TRUE(core.IsChecked(row.radio) && checked == 2) << DialogCore::RadioText(row.radio);
  }
}

// The job's outcomes and their words are tested with them; here, that the box shows them over the
// final bar (200 when completed, 0 when refused) with the status emptied, then the bar goes back.
TEST_F(DialogCoreTest, ConvertShowsTheOutcomeOverTheFinalBarEmptiesTheStatusThenPutsTheBarBack) {
  const testing::ScratchFolder folder;
  const std::string ok = Utf8Text(folder / "ok.dvc"), huge = Utf8Text(folder / "huge.dvc"),
                    out = Utf8Text(folder / "out.txt");
  testing::ProjectWriter().Header(0x0207, 0, 1234).SaveTo(huge);
  testing::ExampleProjects()[0].file.SaveTo(ok);  // rexedit-0207.dvc
  const struct { std::string source; DialogOutcome box; int bar; } rows[] = {
      {ok, {CompletionMessage(ok, out), MessageIcon::None}, 200},
      {huge, {OverCapacityMessage("[MainAV]", 1234, 1000), MessageIcon::Warning}, 0}};
  for (const auto& row : rows) {
    core.SetSourcePath(row.source);
    core.SetDestinationPath(out);
    core.Step();  // left over, as far as the core can tell
    core.SetStatus("[MainAV] 1 / 3");
    boxes.shown.clear();
    Repaint duringBox;
    boxes.whileOpen = [&] { duringBox = repaints.back(); };
    EXPECT_EQ(row.box, core.Convert());
    EXPECT_EQ(std::vector<DialogOutcome>{row.box}, boxes.shown);
    EXPECT_EQ(Repaint(row.bar, ""), duringBox) << row.box.text;
    EXPECT_EQ(Repaint(0, ""), repaints.back());
  }
  // The destination's format reaches the job: in FRAME mode an export is refused before any file
  // is opened.
  boxes.whileOpen = nullptr;
  core.ClickRadio(DialogRadio::Frame);
  core.SetSourcePath(ok);
  core.SetDestinationPath(Utf8Text(folder / "frame.mlt"));
  EXPECT_EQ((DialogOutcome{std::string(kExportNeedsRate), MessageIcon::Warning}), core.Convert());
  EXPECT_FALSE(std::filesystem::exists(folder / "frame.mlt"));
}

// The wrong software chosen in step 1: asked before anything is put in place (or after the
// refusal it caused), Yes converts with the one that fits, No keeps the choice, Cancel nothing.
TEST_F(DialogCoreTest, TheWrongSoftwareAsksBeforeAnythingIsPutInPlace) {
  using A = MessageBoxes::Answer;
  const testing::ScratchFolder folder;
  const std::vector<testing::ExampleProject> examples = testing::ExampleProjects();  // rexedit, ezedit first
  const std::string rex = testing::ConvertInMemory(examples[0].file.bytes(), examples[0].settings),
                    ez = testing::ConvertInMemory(examples[1].file.bytes(), examples[1].settings),
                    out = Utf8Text(folder / "out.txt"), refused = OverCapacityMessage("[InsertAV]", 1953068047, 300);
  for (std::size_t i = 0; i < 2; ++i) examples[i].file.SaveTo(Utf8Text(folder / examples[i].name));
  // The project, the answer, the box ("done": the completion message; none: no box) and the file.
  const struct { std::size_t project; A answer; std::string box; MessageIcon icon; std::string written; } rows[] = {
      {1, A::Yes, "done", MessageIcon::None, ez}, {1, A::No, "done", MessageIcon::None, "as chosen"},
      {1, A::Cancel, "", MessageIcon::None, "old"}, {0, A::Yes, "done", MessageIcon::None, rex},
      {0, A::No, refused, MessageIcon::Warning, "old"}, {0, A::Cancel, "", MessageIcon::None, "old"}};
  for (const auto& row : rows) {
    const std::string source = Utf8Text(folder / examples[row.project].name);
    SCOPED_TRACE(source + " " + std::to_string(static_cast<int>(row.answer)));
    testing::WriteFile(folder / "out.txt", "old");
    core.ClickRadio(row.project == 0 ? DialogRadio::EzEdit : DialogRadio::RexEdit);  // the other one
    core.SetSourcePath(source);
    core.SetDestinationPath(out);
    boxes = {};
    boxes.answer = row.answer;
    std::optional<std::string> whileAsked;  // what out.txt holds while the question is open
    boxes.whileOpen = [&] { whileAsked = whileAsked.value_or(testing::ReadFile(folder / "out.txt")); };
    const DialogOutcome shown = core.Convert();
    ConversionOutcome facts;
    facts.software = core.settings().softwareKind;  // the choice in step 1 stays
    EXPECT_EQ(std::vector<std::string>{WrongSoftwareQuestion(facts)}, boxes.asked);
    // As it was; Windows cannot read it while the conversion holds it (before a refusal's question).
    EXPECT_TRUE(whileAsked == "old" || (kWindows && whileAsked == "" && row.project == 1)) << *whileAsked;
    EXPECT_EQ((DialogOutcome{row.box == "done" ? CompletionMessage(source, out) : row.box, row.icon}), shown);
    EXPECT_EQ(row.box.empty() ? 0u : 1u, boxes.shown.size());
    const std::string written = testing::ReadFile(folder / "out.txt");
    EXPECT_TRUE(row.written == "as chosen" ? written != "old" && written != ez : written == row.written);
    EXPECT_EQ(3u, folder.Names().size());  // the projects and out.txt
  }
}

// Further files of an export that exist, which the user did not name: one question lists them
// (not the named one, whose replacing the picker confirmed) before anything is touched; Yes
// replaces them all, No and Cancel leave every file as it was.
TEST_F(DialogCoreTest, FurtherFilesThatExistAreReplacedOnlyWhenTheQuestionListingThemIsAnswered) {
  using A = MessageBoxes::Answer;
  const testing::ScratchFolder folder;
  const testing::ExampleProject rex = testing::ExampleProjects()[0];
  rex.file.SaveTo(Utf8Text(folder / rex.name));
  const std::string named = Utf8Text(folder / "cut.edl");
  const std::vector<std::string> existing{Utf8Text(folder / "cut-insert.edl"), Utf8Text(folder / "cut-exa2.edl")};
  for (const A answer : {A::Yes, A::No, A::Cancel}) {
    SCOPED_TRACE(static_cast<int>(answer));
    for (const char* file : {"cut.edl", "cut-insert.edl", "cut-exa1.edl", "cut-exa2.edl"}) {
      std::filesystem::remove(folder / file);
    }
    for (const std::string& file : existing) testing::WriteFile(Utf8Path(file), "mine");
    testing::WriteFile(Utf8Path(named), "mine");
    core.ClickRadio(DialogRadio::RexEdit);
    core.SetSourcePath(Utf8Text(folder / rex.name));
    core.SetDestinationPath(named);
    boxes = {};
    boxes.answer = answer;
    const DialogOutcome shown = core.Convert();
    ConversionOutcome facts;
    facts.kept = existing;
    EXPECT_EQ(std::vector<std::string>{ReplaceFurtherQuestion(facts)}, boxes.asked);
    for (const std::string& file : existing) EXPECT_EQ(answer != A::Yes, testing::ReadFile(Utf8Path(file)) == "mine");
    EXPECT_EQ(answer != A::Yes, testing::ReadFile(Utf8Path(named)) == "mine");
    EXPECT_EQ(answer == A::Yes ? 1u : 0u, boxes.shown.size());
    EXPECT_EQ(answer == A::Yes, shown.text.starts_with("conversion completed")) << shown.text;
  }
}

// The project's folder tree is looked in by default; "Media folders..." adds folders to it.
TEST_F(DialogCoreTest, ExportsFindMediaInTheProjectsTreeAndInEachMediaFolderAdded) {
  const testing::ScratchFolder folder;
  const testing::ExampleProject rex = testing::ExampleProjects()[0];
  std::filesystem::create_directories(folder / "p/clips");
  rex.file.SaveTo(Utf8Text(folder / "p/cut.dvc"));
  std::filesystem::create_directories(folder / "elsewhere/x");
  testing::WriteFile(folder / "p/clips/opening.avi", "");
  testing::WriteFile(folder / "elsewhere/x/music.wav", "");
  core.SetSourcePath(Utf8Text(folder / "p/cut.dvc"));
  core.SetDestinationPath(Utf8Text(folder / "cut.mlt"));
  const auto linked = [&](const char* path) {
    return testing::ReadFile(folder / "cut.mlt").find(Utf8Text((folder / path).generic_u8string())) !=
           std::string::npos;
  };
  EXPECT_FALSE(core.AddMediaFolder());  // cancelled
  core.Convert();
  EXPECT_TRUE(linked("p/clips/opening.avi"));
  EXPECT_FALSE(linked("elsewhere/x/music.wav"));
  pickers.folderAnswer = Utf8Text(folder / "elsewhere");
  EXPECT_TRUE(core.AddMediaFolder());
  EXPECT_FALSE(core.AddMediaFolder());  // already there
  EXPECT_EQ(std::vector<std::string>{*pickers.folderAnswer}, core.MediaFolders());
  core.Convert();
  EXPECT_TRUE(linked("elsewhere/x/music.wav"));
}

TEST_F(DialogCoreTest, TheTypedExtensionElseTheChosenTypePicksTheFormat) {
  using F = ExportFormat;
  const std::size_t all = ExportFormats().size();  // the type after the formats
  const struct { const char* path; std::size_t filter; F format; } rows[] = {
      {"/p/a.txt", 1, F::Listing}, {"/p/a.OTIO", 0, F::Otio}, {"/p/a.edl", all, F::Cmx3600},
      {"/p/a.mlt", 0, F::Mlt}, {"/p/a.SVG", 1, F::Svg}, {"/p/a", 1, F::Otio}, {"/p/a", 2, F::Cmx3600},
      {"/p/a", 7, F::Svg}, {"/p/a", all, F::Listing}, {"/p/a.FCPXML", 0, F::Fcpxml}, {"/p/a", 4, F::Fcpxml},
      {"/p/a.XML", 0, F::Fcp7Xml}, {"/p/a", 5, F::Fcp7Xml}, {"/p/a", 6, F::Kdenlive}, {"/p/a.kdenlive", 0, F::Kdenlive}};
  for (const auto& row : rows) {
    pickers.destinationAnswer = PickedFile{row.path, row.filter};
    core.BrowseForDestination();
    EXPECT_EQ(row.format, core.DestinationFormat()) << row.path << " " << row.filter;
  }
}

// A file dropped or named at start: a .dvc in any letter case is taken at once, another only
// when the question is answered Yes; the destination and the settings never change.
TEST_F(DialogCoreTest, AnOfferedDvcBecomesTheSourceAndAnotherFileOnlyWhenTheAnswerIsYes) {
  using A = MessageBoxes::Answer;
  const struct { std::vector<std::string> paths; A answer; const char* asked; const char* source; } rows[] = {
      {{"/p/a.dvc"}, A::No, nullptr, "/p/a.dvc"}, {{"/p/B.DVC"}, A::No, nullptr, "/p/B.DVC"},
      {{"/p/clip.avi", "/p/c.Dvc"}, A::No, nullptr, "/p/c.Dvc"},  // the first .dvc of a drop
      {{"/p/clip.avi", "/p/x.txt"}, A::Yes, "/p/clip.avi", "/p/clip.avi"},
      {{"/p/a.dvc.txt"}, A::No, "/p/a.dvc.txt", "typed.dvc"}, {{"/p/dvc"}, A::No, "/p/dvc", "typed.dvc"},
      {{}, A::Yes, nullptr, "typed.dvc"}};
  core.ClickRadio(DialogRadio::Pal);
  for (const auto& row : rows) {
    core.SetSourcePath("typed.dvc");
    core.SetDestinationPath("/q/out.edl");
    boxes = {};
    boxes.answer = row.answer;
    EXPECT_EQ(row.source != std::string("typed.dvc"), core.OfferSource(row.paths)) << row.source;
    EXPECT_EQ(row.source, core.sourcePath());
    EXPECT_EQ(row.asked ? std::vector{DialogCore::OtherFileQuestion(row.asked)} : std::vector<std::string>{},
              boxes.asked);
    EXPECT_EQ(std::make_tuple("/q/out.edl", TimecodeMode::Pal, SoftwareKind::RexEdit),
              std::make_tuple(core.destinationPath(), core.settings().timecodeMode, core.settings().softwareKind));
  }
  EXPECT_EQ("The name of this file does not end in .dvc:\n/p/clip.avi\n\nTake it as the source file in step 3?",
            DialogCore::OtherFileQuestion("/p/clip.avi"));
}

TEST_F(DialogCoreTest, RepaintsAtOnceUnlessTheLastWasLessThan15msAgoButTheEmptyTextAlways) {
  // clang-format off
  const struct { int ms; const char* status; std::vector<Repaint> repaints; } rows[] = {
      {0, nullptr, {{1, ""}}}, {5, nullptr, {}}, {14, "[Title] 1 / 9", {}},  // nullptr: Step
      {15, nullptr, {{3, "[Title] 1 / 9"}}}, {16, "", {{3, ""}}}, {17, "[Title] 2 / 9", {}}};
  // clang-format on
  for (const auto& row : rows) {
    repaints.clear();
    now = std::chrono::steady_clock::time_point(std::chrono::milliseconds(1000 + row.ms));
    row.status == nullptr ? core.Step() : core.SetStatus(row.status);
    EXPECT_EQ(row.repaints, repaints) << row.ms << " ms";
  }
}

TEST_F(DialogCoreTest, PickersAreDescribedAndOnlyAConfirmedChoiceChangesAPath) {
  using M = PickerDescription::Mode;
  const auto facts = [](const PickerDescription& p) {
    return std::make_tuple(p.mode, p.title, p.defaultSuffix, p.initialName, p.askBeforeOverwrite,
                           p.showReadOnlyBox && p.readOnlyBoxTicked, p.pathMustExist);
  };
  EXPECT_EQ(std::make_tuple(M::Open, "Open", "dvc", "*.dvc", false, true, true),
            facts(DialogCore::SourcePicker()));
  EXPECT_EQ(std::make_tuple(M::Save, "Save As", "txt", "*.txt", true, false, false),
            facts(DialogCore::DestinationPicker()));
  std::vector<std::string> filters;  // "all" lists names without a dot too
  for (const auto& picker : {DialogCore::SourcePicker(), DialogCore::DestinationPicker()}) {
    for (const FileFilter& f : picker.filters) {
      for (const std::string& pattern : f.patterns) filters.push_back(f.label + " " + pattern);
    }
  }
  EXPECT_EQ((std::vector<std::string>{"Rex Edit file (*.dvc) *.dvc", "all(*.*) *", "Text file (*.txt) *.txt",
                                      "OpenTimelineIO (*.otio) *.otio", "CMX 3600 EDL (*.edl) *.edl",
                                      "MLT XML for Shotcut (*.mlt) *.mlt",
                                      "FCPXML for Final Cut Pro (*.fcpxml) *.fcpxml",
                                      "Final Cut Pro 7 XML for Premiere and Resolve (*.xml) *.xml",
                                      "Kdenlive project (*.kdenlive) *.kdenlive",
                                      "SVG picture of the edit (*.svg) *.svg",
                                      "Web page of the project (*.html) *.html", "all(*.*) *"}),
            filters);
  core.SetSourcePath("typed.dvc");
  core.SetDestinationPath("typed.txt");
  EXPECT_FALSE(core.BrowseForSource() || core.BrowseForDestination());  // cancelled
  EXPECT_EQ(std::make_tuple("typed.dvc", "typed.txt"),
            std::make_tuple(core.sourcePath(), core.destinationPath()));
  pickers.sourceAnswer = PickedFile{"/p/a.dvc", 0};
  pickers.destinationAnswer = PickedFile{"/p/a", 1};
  EXPECT_TRUE(core.BrowseForSource() && core.BrowseForDestination());
  EXPECT_EQ(std::make_tuple("/p/a.dvc", "/p/a"), std::make_tuple(core.sourcePath(), core.destinationPath()));
  // The destination picker opens in the source's folder; a bare name has none.
  EXPECT_EQ(Utf8Text(Utf8Path("/p")), DialogCore::DestinationPicker("/p/a.dvc").initialFolder);
  EXPECT_EQ("", DialogCore::DestinationPicker("a.dvc").initialFolder);
  core.SetDestinationPath("/p/a");  // the view showing the chosen path keeps the chosen type
  EXPECT_EQ(std::optional<std::size_t>(1), core.destinationFilter());
  core.SetDestinationPath("/p/b");  // a typed path has none
  EXPECT_EQ(std::nullopt, core.destinationFilter());
}

}  // namespace
}  // namespace morvane
