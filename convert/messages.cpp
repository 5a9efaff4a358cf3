#include "convert/messages.h"

#include "convert/layout_fit.h"
#include "interchange/timeline.h"
#include "platform/error_text.h"
#include "platform/file_access.h"

namespace morvane {

std::string OverCapacityMessage(std::string_view heading, std::int32_t count, std::int32_t capacity) {
  return Fill(Tr("Can not convert source file: {1} holds {2} clips, more than {3}"),
              {heading, std::to_string(count), std::to_string(capacity)});
}

std::string KeptMessage(std::string_view path) {
  return Fill(Tr("{1} exists; kept it"), {path});
}

std::string CompletionMessage(std::string_view sourcePath, std::string_view destinationPath,
                              std::span<const std::string> furtherFiles) {
  // TRANSLATORS: the further files written follow on lines of their own, indented by 8 spaces.
  std::string text = Fill(Tr("conversion completed\nfrom : {1}\n   to : {2}"), {sourcePath, destinationPath});
  for (const std::string& file : furtherFiles) {
    text += "\n        ";
    text += file;
  }
  return text;
}

namespace {

// The text of a change: its count is {1}, its frames (the largest, for several) {2}.
std::string ChangeText(const ExportNote& note) {
  const std::int64_t n = note.count;
  const auto text = [&](std::string_view pattern, std::string_view value = {}) {
    const std::string second = value.empty() ? std::to_string(note.frames) : std::string(value);
    return Fill(pattern, {std::to_string(n), second});
  };
  switch (note.change) {
    case ExportChange::TextReplaced:
      return text(TrPlural("{1} text with characters the format does not allow, written with U+FFFD",
                           "{1} texts with characters the format does not allow, written with U+FFFD", n));
    case ExportChange::ClipCutAtStart:
      return text(TrPlural("{1} clip starting before frame 0 cut there ({2} frames cut)",
                           "{1} clips starting before frame 0 cut there (up to {2} frames cut)", n));
    case ExportChange::ClipBeforeStart:
      return text(TrPlural("{1} clip ending before frame 0 left out",
                           "{1} clips ending before frame 0 left out", n));
    case ExportChange::ClipWithoutLength:
      return text(TrPlural("{1} clip ending before it starts left out",
                           "{1} clips ending before they start left out", n));
    case ExportChange::ClipSourceInvalid:
      return text(TrPlural("{1} clip with a source range outside its media left out",
                           "{1} clips with a source range outside their media left out", n));
    case ExportChange::ClipPastDay:
      return text(TrPlural("{1} clip ending more than 24 hours after the start left out",
                           "{1} clips ending more than 24 hours after the start left out", n));
    case ExportChange::TitleLeftOut:
      return text(TrPlural("{1} title outside the 24 hours from the start left out",
                           "{1} titles outside the 24 hours from the start left out", n));
    case ExportChange::TransitionShortened:
      return text(TrPlural("{1} transition of {2} frames shortened to its incoming clip",
                           "{1} transitions of up to {2} frames shortened to their incoming clips", n));
    case ExportChange::TransitionCapped:
      return text(TrPlural("{1} transition of {2} frames written as 999",
                           "{1} transitions of up to {2} frames written as 999", n));
    case ExportChange::MediaNameInvalid:
      return text(TrPlural("{1} media name naming no file (empty, \".\" or \"..\") left offline",
                           "{1} media names naming no file (empty, \".\" or \"..\") left offline", n));
    case ExportChange::LanesLeftOut:
      return text(TrPlural("{1} clip overlapping more clips than a set of files holds left out",
                           "{1} clips overlapping more clips than a set of files holds left out", n));
    case ExportChange::LevelPointsCut:
      return text(TrPlural("{1} clip with more than {2} audio level points: the rest left out",
                           "{1} clips with more than {2} audio level points: the rest left out", n),
                  std::to_string(kLevelPointLimit));
    case ExportChange::TitleTextCut:
      return text(TrPlural("{1} title with more than {2} bytes of text cut there",
                           "{1} titles with more than {2} bytes of text cut there", n), std::to_string(kTitleTextLimit));
    case ExportChange::TitlesPastLimit:
      return text(TrPlural("{1} title past the {2} an export keeps (or past the room for their text) left out",
                           "{1} titles past the {2} an export keeps (or past the room for their text) left out", n),
                  std::to_string(kTitleLimit));
    case ExportChange::ConnectedTransitionCut:
      return text(TrPlural("{1} transition between connected clips written as a cut",
                           "{1} transitions between connected clips written as cuts", n));
  }
  return {};
}

}  // namespace

std::vector<std::string> ExportWarnings(const ConversionOutcome& outcome) {
  std::vector<std::string> lines;
  const std::string format(FormatRow(outcome.format).name);
  for (const ExportNote& note : outcome.changes) {
    lines.push_back(format + ": " + ChangeText(note));
  }
  return lines;
}

std::string OutcomeMessage(const ConversionOutcome& outcome) {
  using Kind = ConversionOutcome::Kind;
  switch (outcome.kind) {
    case Kind::Completed:
      return CompletionMessage(outcome.source, outcome.destination,
                               std::span<const std::string>(outcome.written).subspan(outcome.written.empty() ? 0 : 1));
    case Kind::SourceOpenFailed: return std::string(Tr(kSourceOpenFailed));
    case Kind::DestinationOpenFailed: return std::string(Tr(kDestinationOpenFailed));
    case Kind::EndsTooEarly: return std::string(Tr(kEndsTooEarly));
    case Kind::OverCapacity: return OverCapacityMessage(outcome.heading, outcome.count, outcome.capacity);
    case Kind::ReadFailed: return std::string(Tr(kReadFailed));
    case Kind::WriteFailed: return std::string(Tr(kWriteFailed));
    case Kind::NoFrameRate: return std::string(Tr(kExportNeedsRate));
    case Kind::DestinationExists: return KeptMessage(outcome.file);
    case Kind::Withdrawn: return std::string(Tr(kWithdrawn));
    case Kind::OutOfMemory: return std::string(Tr(kOutOfMemoryMessage));
  }
  return std::string(Tr(kWriteFailed));
}

namespace {

// The layout that fits when only the other one does, or how the file misses when neither does,
// in the dialog's words; else empty.
std::string_view FitHint(const ConversionOutcome& outcome) {
  if (outcome.FitsNeither()) {
    return Tr(outcome.endedEarly ? kEndsEarlyHint : kBytesAfterEndHint);
  }
  if (!outcome.OnlyOtherFits()) {
    return {};
  }
  return Tr(outcome.software == SoftwareKind::RexEdit ? kReadsAsEzEditHint : kReadsAsRexEditHint);
}

// What to do after a failure with files, or empty.
std::string_view Advice(const ConversionOutcome& outcome) {
  using Kind = ConversionOutcome::Kind;
  if (outcome.reason == kReasonSameFile) {
    return kSameFileAdvice;
  }
  if (outcome.reason == kReasonInUse) {
    return kInUseAdvice;
  }
  switch (outcome.kind) {
    case Kind::SourceOpenFailed: return kSourceOpenAdvice;
    case Kind::DestinationOpenFailed: return kDestinationOpenAdvice;
    case Kind::ReadFailed: return kReadAdvice;
    case Kind::WriteFailed: return kWriteAdvice;
    default: return {};
  }
}

// "<file>: <reason>.\n<advice>" for a failure with files, the parts that are known; else empty.
std::string ReasonParagraph(const ConversionOutcome& outcome) {
  const std::string_view advice = Advice(outcome);
  if (advice.empty()) {
    return {};
  }
  if (outcome.reason.empty()) {
    return std::string(Tr(advice));
  }
  const bool ofSource = outcome.kind == ConversionOutcome::Kind::SourceOpenFailed ||
                        outcome.kind == ConversionOutcome::Kind::ReadFailed;
  const std::string& file = !outcome.file.empty() ? outcome.file : ofSource ? outcome.source : outcome.destination;
  // TRANSLATORS: {1} is a file, {2} the system's reason (in the system's words), {3} what to do next.
  return file.empty() ? Fill(Tr("{1}.\n{2}"), {ReasonText(outcome.reason), Tr(advice)})
                      : Fill(Tr("{1}: {2}.\n{3}"), {file, ReasonText(outcome.reason), Tr(advice)});
}

std::string SoftwareName(SoftwareKind kind) {
  return std::string(kind == SoftwareKind::RexEdit ? "RexEdit" : "EzEdit( EZDV II )");
}

}  // namespace

std::string DialogMessage(const ConversionOutcome& outcome) {
  std::string text = OutcomeMessage(outcome);
  for (const std::string& paragraph : {ReasonParagraph(outcome), std::string(FitHint(outcome))}) {
    if (!paragraph.empty()) {
      text += "\n\n";
      text += paragraph;
    }
  }
  const std::vector<std::string> changes = outcome.completed() ? ExportWarnings(outcome) : std::vector<std::string>();
  for (std::size_t i = 0; i < changes.size(); ++i) {
    text += i == 0 ? "\n\n" : "\n";
    text += changes[i];
  }
  return text;
}

MessageIcon DialogIcon(const ConversionOutcome& outcome) {
  return outcome.completed() && FitHint(outcome).empty() && outcome.changes.empty() ? MessageIcon::None
                                                                                   : MessageIcon::Warning;
}

std::string ReplaceFurtherQuestion(const ConversionOutcome& outcome) {
  std::string text(Tr("The export also writes these files, which exist:"));
  for (const std::string& file : outcome.kept) {
    text += "\n" + file;
  }
  return text + "\n\n" + std::string(Tr("Yes: replace them\nNo: convert nothing"));
}

std::string WrongSoftwareQuestion(const ConversionOutcome& outcome) {
  const std::string chosen = SoftwareName(outcome.software), fitting = SoftwareName(OtherSoftware(outcome.software));
  // TRANSLATORS: {1} is the software that fits the project, {2} the one chosen.
  const std::string_view fact = outcome.software == SoftwareKind::RexEdit
                                    ? Tr("This project reads as an {1} project; {2}, chosen in step 1, does not fit it.")
                                    : Tr("This project reads as a {1} project; {2}, chosen in step 1, does not fit it.");
  return Fill(fact, {fitting, chosen}) + "\n\n" +
         Fill(Tr("Yes: convert it as {1}\nNo: convert it as {2}\nCancel: convert nothing"), {fitting, chosen});
}

std::string CommandLineMessage(const ConversionOutcome& outcome) {
  if (outcome.kind == ConversionOutcome::Kind::OutOfMemory) {
    return std::string(Tr(kOutOfMemory));
  }
  if (outcome.kind != ConversionOutcome::Kind::DestinationExists) {
    return OutcomeMessage(outcome);
  }
  std::string text;
  for (const std::string& file : outcome.kept.empty() ? std::vector<std::string>{outcome.file} : outcome.kept) {
    text += (text.empty() ? "" : "\n") + Fill(Tr("{1} exists; kept it (--force replaces it)"), {file});
  }
  return text;
}

std::string_view CommandLineWarning(const ConversionOutcome& outcome, bool byFit) {
  using Kind = ConversionOutcome::Kind;
  if (outcome.OnlyOtherFits()) {
    return Tr(outcome.software == SoftwareKind::RexEdit ? kReadsAsEzEditWarning : kReadsAsRexEditWarning);
  }
  const bool read = outcome.kind == Kind::Completed || outcome.kind == Kind::EndsTooEarly ||
                    outcome.kind == Kind::OverCapacity;
  return byFit && read && !outcome.fits && !outcome.otherFits ? Tr(kReadsAsNeitherWarning) : std::string_view();
}

std::string_view NoFitWarning(const ConversionOutcome& outcome) {
  if (!outcome.FitsNeither()) {
    return {};
  }
  return Tr(outcome.endedEarly ? kEndsEarlyWarning : kBytesAfterEndWarning);
}

std::string StaleTemporaryWarning(const StaleTemporary& stale) {
  return Fill(stale.removed ? Tr("{1} was left by a stopped conversion; removed it")
                            : Tr("{1} was left by a stopped conversion; kept it (in use, or written within a day)"),
              {stale.path});
}

}  // namespace morvane
