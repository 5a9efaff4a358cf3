#include "convert/dialog_core.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <utility>

#include "convert/messages.h"
#include "testing/project_writer.h"
#include "testing/recording_prompts.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using testing::ProjectWriter;
using Repaint = std::pair<int, std::string>;

struct RecordingView : DialogView {
  void ShowProgress(int position, std::string_view status) override {
    repaints.emplace_back(position, std::string(status));
  }
  std::vector<Repaint> repaints;
};

struct DialogCoreTest : ::testing::Test {
  RecordingView view;
  testing::RecordingMessageBoxes boxes;
  testing::RecordingFilePickers pickers;
  std::chrono::steady_clock::time_point now{};
  DialogCore core{view, boxes, pickers, [this] { return now; }};
};

TEST_F(DialogCoreTest, EachRadioSetsItsSettingAndTheCheckedButtonsShowTheSettingsInForce) {
  EXPECT_TRUE(core.IsChecked(DialogRadio::RexEdit));
  EXPECT_TRUE(core.IsChecked(DialogRadio::NtscDropFrame));
  const struct {
    DialogRadio radio;
    const char* text;
    SoftwareKind software;
    TimecodeMode timecode;
  } rows[] = {
      {DialogRadio::EzEdit, "EzEdit( EZDV II )", SoftwareKind::EzEdit, TimecodeMode::NtscDropFrame},
      {DialogRadio::Frame, "FRAME", SoftwareKind::EzEdit, TimecodeMode::Frames},
      {DialogRadio::RexEdit, "RexEdit", SoftwareKind::RexEdit, TimecodeMode::Frames},
      {DialogRadio::NtscNonDrop, "NTSC(non drop frame)", SoftwareKind::RexEdit, TimecodeMode::NtscNonDrop},
      {DialogRadio::Pal, "PAL", SoftwareKind::RexEdit, TimecodeMode::Pal},
      {DialogRadio::NtscDropFrame, "NTSC(drop frame)", SoftwareKind::RexEdit, TimecodeMode::NtscDropFrame},
  };
  for (const auto& row : rows) {
    core.ClickRadio(row.radio);
    EXPECT_EQ(row.text, DialogCore::RadioText(row.radio));
    EXPECT_EQ(row.software, core.settings().softwareKind) << row.text;
    EXPECT_EQ(row.timecode, core.settings().timecodeMode) << row.text;
    int checked = 0;
    for (DialogRadio radio : {DialogRadio::RexEdit, DialogRadio::EzEdit, DialogRadio::NtscDropFrame,
                              DialogRadio::NtscNonDrop, DialogRadio::Pal, DialogRadio::Frame}) {
      checked += core.IsChecked(radio) ? 1 : 0;
    }
    EXPECT_TRUE(core.IsChecked(row.radio));
    EXPECT_EQ(2, checked) << row.text;
  }
}

TEST_F(DialogCoreTest, ConvertShowsTheOutcomeWithBarAndStatusThenPutsTheBarBack) {
  const fs::path folder = fs::temp_directory_path() / ("morvane-dialog-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  ProjectWriter().Header(0x0207, 0, 0).SaveTo(folder / "ok.dvc");
  ProjectWriter().Header(0x0207, 0, 1234).SaveTo(folder / "huge.dvc");
  const std::string ok = (folder / "ok.dvc").string(), out = (folder / "out.txt").string();
  const struct {
    std::string source, destination, text;
    MessageIcon icon;
    int barDuringBox;
  } rows[] = {
      {ok, out, CompletionMessage(ok, out), MessageIcon::None, 200},
      {"", out, std::string(kSourceOpenFailed), MessageIcon::Warning, 0},
      {ok, "", std::string(kDestinationOpenFailed), MessageIcon::Warning, 0},
      {(folder / "huge.dvc").string(), out,
       "Can not convert source file: [MainAV] holds 1234 clips, more than 1000", MessageIcon::Warning, 0},
  };
  for (const auto& row : rows) {
    core.SetSourcePath(row.source);
    core.SetDestinationPath(row.destination);
    core.Step();  // left over, as far as the core can tell
    core.SetStatus("[MainAV] 1 / 3");
    boxes.shown.clear();
    Repaint duringBox;
    boxes.whileOpen = [&] { duringBox = view.repaints.back(); };
    EXPECT_EQ((DialogOutcome{row.text, row.icon}), core.Convert());
    ASSERT_EQ(1u, boxes.shown.size());
    EXPECT_EQ((DialogOutcome{row.text, row.icon}), boxes.shown[0]);
    EXPECT_EQ(Repaint(row.barDuringBox, ""), duringBox) << row.text;
    EXPECT_EQ(Repaint(0, ""), view.repaints.back());
  }
  fs::remove_all(folder);
}

TEST(DialogCoreOutcome, AHintFollowsTheMessageInTheSameBoxWithTheWarningIcon) {
  const struct {
    ConversionOutcome outcome;
    DialogOutcome shown;
  } rows[] = {
      {{ConversionOutcome::Kind::Completed, "conversion completed", MessageIcon::None, "", {}},
       {"conversion completed", MessageIcon::None}},
      {{ConversionOutcome::Kind::Completed, "conversion completed", MessageIcon::None, "Hint.", {}},
       {"conversion completed\n\nHint.", MessageIcon::Warning}},
      {{ConversionOutcome::Kind::OverCapacity, "Can not", MessageIcon::Warning, "Hint.", {}},
       {"Can not\n\nHint.", MessageIcon::Warning}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.shown, DialogCore::OutcomeToShow(row.outcome));
  }
}

TEST_F(DialogCoreTest, RepaintsAtOnceUnlessTheLastWasLessThan15msAgoAndTheEmptyTextAlways) {
  using std::chrono::milliseconds;
  const struct {
    int ms;
    const char* status;  // nullptr: Step
    std::vector<Repaint> repaints;
  } rows[] = {
      {0, nullptr, {{1, ""}}},   {5, nullptr, {}},
      {14, "[Title] 1 / 9", {}}, {15, nullptr, {{3, "[Title] 1 / 9"}}},
      {16, "", {{3, ""}}},       {17, "[Title] 2 / 9", {}},
  };
  const auto start = now;
  for (const auto& row : rows) {
    view.repaints.clear();
    now = start + milliseconds(row.ms);
    row.status == nullptr ? core.Step() : core.SetStatus(row.status);
    EXPECT_EQ(row.repaints, view.repaints) << row.ms << " ms";
  }
}

TEST_F(DialogCoreTest, PickersAreDescribedAndOnlyAConfirmedChoiceChangesAPath) {
  const PickerDescription source = DialogCore::SourcePicker();
  const PickerDescription destination = DialogCore::DestinationPicker();
  const struct {
    const PickerDescription& picker;
    PickerDescription::Mode mode;
    const char *title, *label, *pattern, *suffix, *name;
    bool overwrite, readOnlyBox, pathMustExist;
  } rows[] = {
      {source, PickerDescription::Mode::Open, "Open", "Rex Edit file (*.dvc)", "*.dvc", "dvc", "*.dvc", false,
       true, true},
      {destination, PickerDescription::Mode::Save, "Save As", "Text file (*.txt)", "*.txt", "txt", "*.txt",
       true, false, false},
  };
  for (const auto& row : rows) {
    const PickerDescription& p = row.picker;
    EXPECT_EQ(row.mode, p.mode);
    EXPECT_EQ(row.title, p.title);
    ASSERT_EQ(2u, p.filters.size());
    EXPECT_EQ(row.label, p.filters[0].label);
    EXPECT_EQ(std::vector<std::string>{row.pattern}, p.filters[0].patterns);
    EXPECT_EQ("all(*.*)", p.filters[1].label);
    EXPECT_EQ(std::vector<std::string>{"*"}, p.filters[1].patterns);  // names without a dot too
    EXPECT_EQ(row.suffix, p.defaultSuffix);
    EXPECT_EQ(row.name, p.initialName);
    EXPECT_EQ(row.overwrite, p.askBeforeOverwrite);
    EXPECT_EQ(row.readOnlyBox, p.showReadOnlyBox && p.readOnlyBoxTicked);
    EXPECT_EQ(row.pathMustExist, p.pathMustExist);
  }

  core.SetSourcePath("typed.dvc");
  core.SetDestinationPath("typed.txt");
  EXPECT_FALSE(core.BrowseForSource());
  EXPECT_FALSE(core.BrowseForDestination());
  EXPECT_EQ("typed.dvc", core.sourcePath());
  EXPECT_EQ("typed.txt", core.destinationPath());
  ASSERT_EQ(2u, pickers.asked.size());
  EXPECT_EQ("Open", pickers.asked[0].title);
  EXPECT_EQ("Save As", pickers.asked[1].title);

  pickers.sourceAnswer = PickedFile{"/p/a.dvc", 0};
  pickers.destinationAnswer = PickedFile{"/p/a", 1};
  EXPECT_TRUE(core.BrowseForSource());
  EXPECT_TRUE(core.BrowseForDestination());
  EXPECT_EQ("/p/a.dvc", core.sourcePath());
  EXPECT_EQ("/p/a", core.destinationPath());
  EXPECT_EQ(std::optional<std::size_t>(1), core.destinationFilter());
  core.SetDestinationPath("/p/a");  // the view echoing the chosen path
  EXPECT_EQ(std::optional<std::size_t>(1), core.destinationFilter());
  core.SetDestinationPath("/p/b");  // typed: no type chosen
  EXPECT_EQ(std::nullopt, core.destinationFilter());
}

TEST(DialogCoreKeys, EnterNeverEndsTheDialog) {
  const struct {
    DialogKey key;
    bool onButton;
    KeyCommand command;
  } rows[] = {
      {DialogKey::Enter, true, KeyCommand::PressFocusedButton},
      {DialogKey::Enter, false, KeyCommand::Nothing},
      {DialogKey::Escape, false, KeyCommand::Close},
      {DialogKey::F1, false, KeyCommand::ShowAbout},
      {DialogKey::Other, true, KeyCommand::Default},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.command, DialogCore::CommandForKey(row.key, row.onButton));
  }
}

}  // namespace
}  // namespace morvane
