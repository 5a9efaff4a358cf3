#include "dialog/dialog_core.h"

#include <algorithm>
#include <span>
#include <utility>

#include "interchange/exports.h"
#include "convert/layout_fit.h"
#include "convert/media_folder.h"
#include "listing/ascii_case.h"
#include "platform/utf8_path.h"

namespace morvane {

namespace {

// The "all" entry keeps the label the editors' pickers had; its pattern matches every name,
// including names without a dot.
FileFilter AllFiles() { return {std::string(Tr("all(*.*)")), {"*"}}; }

}  // namespace

DialogCore::DialogCore(DialogView& view, MessageBoxes& messages, FilePickers& pickers, Clock clock)
    : view_(view), messages_(messages), pickers_(pickers), clock_(std::move(clock)) {}

std::string_view DialogCore::RadioText(DialogRadio radio) {
  switch (radio) {
    case DialogRadio::RexEdit:
      return "RexEdit";
    case DialogRadio::EzEdit:
      return "EzEdit( EZDV II )";
    case DialogRadio::NtscDropFrame:
      return Tr("NTSC(drop frame)");
    case DialogRadio::NtscNonDrop:
      return Tr("NTSC(non drop frame)");
    case DialogRadio::Pal:
      return "PAL";
    case DialogRadio::Frame:
      return "FRAME";
  }
  return {};
}

bool DialogCore::IsChecked(DialogRadio radio) const {
  switch (radio) {
    case DialogRadio::RexEdit:
      return settings_.softwareKind == SoftwareKind::RexEdit;
    case DialogRadio::EzEdit:
      return settings_.softwareKind == SoftwareKind::EzEdit;
    case DialogRadio::NtscDropFrame:
      return settings_.timecodeMode == TimecodeMode::NtscDropFrame;
    case DialogRadio::NtscNonDrop:
      return settings_.timecodeMode == TimecodeMode::NtscNonDrop;
    case DialogRadio::Pal:
      return settings_.timecodeMode == TimecodeMode::Pal;
    case DialogRadio::Frame:
      return settings_.timecodeMode == TimecodeMode::Frames;
  }
  return false;
}

void DialogCore::ClickRadio(DialogRadio radio) {
  switch (radio) {
    case DialogRadio::RexEdit:
      settings_.softwareKind = SoftwareKind::RexEdit;
      break;
    case DialogRadio::EzEdit:
      settings_.softwareKind = SoftwareKind::EzEdit;
      break;
    case DialogRadio::NtscDropFrame:
      settings_.timecodeMode = TimecodeMode::NtscDropFrame;
      break;
    case DialogRadio::NtscNonDrop:
      settings_.timecodeMode = TimecodeMode::NtscNonDrop;
      break;
    case DialogRadio::Pal:
      settings_.timecodeMode = TimecodeMode::Pal;
      break;
    case DialogRadio::Frame:
      settings_.timecodeMode = TimecodeMode::Frames;
      break;
  }
}

void DialogCore::SetSourcePath(std::string path) { sourcePath_ = std::move(path); }

void DialogCore::SetDestinationPath(std::string path) {
  if (path != destinationPath_) {
    destinationPath_ = std::move(path);
    destinationFilter_.reset();
  }
}

PickerDescription DialogCore::SourcePicker() {
  PickerDescription picker;
  picker.mode = PickerDescription::Mode::Open;
  picker.title = Tr("Open");
  picker.filters = {{std::string(Tr("Rex Edit file (*.dvc)")), {"*.dvc"}}, AllFiles()};
  picker.defaultSuffix = "dvc";
  picker.initialName = "*.dvc";
  picker.showReadOnlyBox = true;
  picker.readOnlyBoxTicked = true;
  picker.pathMustExist = true;
  return picker;
}

PickerDescription DialogCore::DestinationPicker(std::string_view sourcePath) {
  PickerDescription picker;
  picker.mode = PickerDescription::Mode::Save;
  picker.title = Tr("Save As");
  for (const ExportFormatRow& row : ExportFormats()) {
    picker.filters.push_back({std::string(Tr(row.pickerLabel)), {"*" + std::string(row.extension)}});
  }
  picker.filters.push_back(AllFiles());
  picker.defaultSuffix = "txt";
  picker.initialName = "*.txt";
  picker.initialFolder = Utf8Text(Utf8Path(std::string(sourcePath)).parent_path());
  picker.askBeforeOverwrite = true;
  return picker;
}

bool DialogCore::BrowseForSource() {
  std::optional<PickedFile> picked = pickers_.PickSource(SourcePicker());
  if (!picked) {
    return false;
  }
  sourcePath_ = std::move(picked->path);
  return true;
}

bool DialogCore::BrowseForDestination() {
  std::optional<PickedFile> picked = pickers_.PickDestination(DestinationPicker(sourcePath_));
  if (!picked) {
    return false;
  }
  destinationPath_ = std::move(picked->path);
  destinationFilter_ = picked->filter;
  return true;
}

bool DialogCore::OfferSource(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (EndsWithIgnoringAsciiCase(path, ".dvc")) {
      sourcePath_ = path;
      return true;
    }
  }
  if (paths.empty() || !messages_.AskYesNo(OtherFileQuestion(paths.front()))) {
    return false;
  }
  sourcePath_ = paths.front();
  return true;
}

std::string DialogCore::OtherFileQuestion(std::string_view path) {
  return Fill(Tr("The name of this file does not end in .dvc:\n{1}\n\nTake it as the source file in step 3?"), {path});
}

ExportFormat DialogCore::DestinationFormat() const {
  const std::span<const ExportFormatRow> formats = ExportFormats();
  for (const ExportFormatRow& row : formats) {
    if (EndsWithIgnoringAsciiCase(destinationPath_, row.extension)) {
      return row.format;
    }
  }
  // The picker's types are the formats in order, then "all".
  if (destinationFilter_ && *destinationFilter_ < formats.size()) {
    return formats[*destinationFilter_].format;
  }
  return ExportFormat::Listing;
}

ConversionOutcome DialogCore::RunConversion(SoftwareKind software, std::optional<MessageBoxes::Answer>& answer,
                                            bool replaceFurther) {
  position_ = 0;
  lastRepaint_.reset();
  ConversionJob job(sourcePath_, destinationPath_, {software, settings_.timecodeMode});
  std::vector<std::string> relink{MediaFolder({}, sourcePath_)};  // the project's folder tree first
  relink.insert(relink.end(), mediaFolders_.begin(), mediaFolders_.end());
  job.SetExport({DestinationFormat(), {}, false, replaceFurther, 0, std::move(relink)});
  job.ConfirmWhenOnlyOtherFits([this, &answer](const ConversionOutcome& facts) {
    answer = messages_.Ask(WrongSoftwareQuestion(facts));
    return *answer == MessageBoxes::Answer::No;
  });
  ConversionOutcome outcome = job.Run(*this);
  if (!answer && outcome.OnlyOtherFits()) {  // refused as the wrong software
    status_.clear();
    RepaintNow();
    answer = messages_.Ask(WrongSoftwareQuestion(outcome));
  }
  return outcome;
}

bool DialogCore::AddMediaFolder() {
  std::optional<std::string> folder = pickers_.PickFolder(std::string(Tr(kMediaFoldersTitle)));
  if (!folder || folder->empty() ||
      std::find(mediaFolders_.begin(), mediaFolders_.end(), *folder) != mediaFolders_.end()) {
    return false;
  }
  mediaFolders_.push_back(std::move(*folder));
  return true;
}

DialogOutcome DialogCore::Convert() {
  using Answer = MessageBoxes::Answer;
  std::optional<Answer> answer;
  ConversionOutcome outcome = RunConversion(settings_.softwareKind, answer, false);
  bool replaceFurther = false;
  if (outcome.kind == ConversionOutcome::Kind::DestinationExists && !outcome.kept.empty()) {
    // Files of the set the user did not name: asked once, every one listed, before any is touched.
    status_.clear();
    RepaintNow();
    replaceFurther = messages_.Ask(ReplaceFurtherQuestion(outcome)) == Answer::Yes;
    if (!replaceFurther) {
      answer = Answer::Cancel;
    } else {
      outcome = RunConversion(settings_.softwareKind, answer, true);
    }
  }
  if (answer == Answer::Yes) {
    std::optional<Answer> again;
    outcome = RunConversion(OtherSoftware(settings_.softwareKind), again, replaceFurther);
  }
  if (!outcome.completed()) {
    // A refused conversion stops before the driver empties the status line.
    status_.clear();
  }
  RepaintNow();
  DialogOutcome shown;
  if (answer != Answer::Cancel) {
    if (answer == Answer::No) {
      outcome.fits = true;  // the user chose the software knowingly: no hint
    }
    shown = {DialogMessage(outcome), DialogIcon(outcome)};
    messages_.Show(shown.text, shown.icon);
  }
  position_ = 0;
  RepaintNow();
  return shown;
}

KeyCommand DialogCore::CommandForKey(DialogKey key, bool pushButtonFocused) {
  switch (key) {
    case DialogKey::Enter:
      return pushButtonFocused ? KeyCommand::PressFocusedButton : KeyCommand::Nothing;
    case DialogKey::Escape:
      return KeyCommand::Close;
    case DialogKey::F1:
      return KeyCommand::ShowAbout;
    case DialogKey::Other:
      return KeyCommand::Default;
  }
  return KeyCommand::Default;
}

void DialogCore::Step() {
  ++position_;
  RepaintWhenDue();
}

void DialogCore::SetStatus(std::string_view text) {
  status_.assign(text);
  if (text.empty()) {
    RepaintNow();
  } else {
    RepaintWhenDue();
  }
}

void DialogCore::RepaintWhenDue() {
  if (!lastRepaint_ || clock_() - *lastRepaint_ >= kRepaintInterval) {
    RepaintNow();
  }
}

void DialogCore::RepaintNow() {
  lastRepaint_ = clock_();
  view_.ShowProgress(position_, status_);
}

}  // namespace morvane
