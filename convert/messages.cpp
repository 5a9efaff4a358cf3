#include "convert/messages.h"

#include "convert/layout_fit.h"
#include "interchange/timeline.h"
#include "platform/file_access.h"

namespace morvane {

std::string OverCapacityMessage(std::string_view heading, std::int32_t count, std::int32_t capacity) {
  std::string text = "Can not convert source file: ";
  text += heading;
  text += " holds ";
  text += std::to_string(count);
  text += " clips, more than ";
  text += std::to_string(capacity);
  return text;
}

std::string KeptMessage(std::string_view path) {
  std::string text(path);
  text += " exists; kept it";
  return text;
}

std::string CompletionMessage(std::string_view sourcePath, std::string_view destinationPath,
                              std::span<const std::string> furtherFiles) {
  std::string text = "conversion completed\nfrom : ";
  text += sourcePath;
  text += "\n   to : ";
  text += destinationPath;
  for (const std::string& file : furtherFiles) {
    text += "\n        ";
    text += file;
  }
  return text;
}

namespace {

// "1 clip", "2 clips".
std::string Count(std::int64_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

std::string ChangeText(const ExportNote& note) {
  const std::int64_t n = note.count;
  const std::string frames = std::to_string(note.frames);
  const std::string upTo = n == 1 ? frames : "up to " + frames;
  switch (note.change) {
    case ExportChange::TextReplaced:
      return Count(n, "text", "texts") + " with characters the format does not allow, written with U+FFFD";
    case ExportChange::ClipCutAtStart:
      return Count(n, "clip", "clips") + " starting before frame 0 cut there (" + upTo + " frames cut)";
    case ExportChange::ClipBeforeStart:
      return Count(n, "clip", "clips") + " ending before frame 0 left out";
    case ExportChange::ClipWithoutLength:
      return Count(n, "clip", "clips") + " ending before " + (n == 1 ? "it starts" : "they start") + " left out";
    case ExportChange::ClipSourceInvalid:
      return Count(n, "clip", "clips") + " with a source range outside " + (n == 1 ? "its" : "their") +
             " media left out";
    case ExportChange::ClipPastDay:
      return Count(n, "clip", "clips") + " ending more than 24 hours after the start left out";
    case ExportChange::TitleLeftOut:
      return Count(n, "title", "titles") + " outside the 24 hours from the start left out";
    case ExportChange::TransitionShortened:
      return Count(n, "transition", "transitions") + " of " + upTo + " frames shortened to " +
             (n == 1 ? "its incoming clip" : "their incoming clips");
    case ExportChange::TransitionCapped:
      return Count(n, "transition", "transitions") + " of " + upTo + " frames written as 999";
    case ExportChange::MediaNameInvalid:
      return Count(n, "media name", "media names") + " naming no file (empty, \".\" or \"..\") left offline";
    case ExportChange::LanesLeftOut:
      return Count(n, "clip", "clips") + " overlapping more clips than a set of files holds left out";
    case ExportChange::LevelPointsCut:
      return Count(n, "clip", "clips") + " with more than " + std::to_string(kLevelPointLimit) +
             " audio level points: the rest left out";
    case ExportChange::TitleTextCut:
      return Count(n, "title", "titles") + " with more than " + std::to_string(kTitleTextLimit) +
             " bytes of text cut there";
    case ExportChange::TitlesPastLimit:
      return Count(n, "title", "titles") + " past the " + std::to_string(kTitleLimit) +
             " an export keeps (or past the room for their text) left out";
    case ExportChange::ConnectedTransitionCut:
      return Count(n, "transition", "transitions") + " between connected clips written as " + (n == 1 ? "a cut" : "cuts");
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
    case Kind::SourceOpenFailed: return std::string(kSourceOpenFailed);
    case Kind::DestinationOpenFailed: return std::string(kDestinationOpenFailed);
    case Kind::EndsTooEarly: return std::string(kEndsTooEarly);
    case Kind::OverCapacity: return OverCapacityMessage(outcome.heading, outcome.count, outcome.capacity);
    case Kind::ReadFailed: return std::string(kReadFailed);
    case Kind::WriteFailed: return std::string(kWriteFailed);
    case Kind::NoFrameRate: return std::string(kExportNeedsRate);
    case Kind::DestinationExists: return KeptMessage(outcome.file);
    case Kind::Withdrawn: return std::string(kWithdrawn);
    case Kind::OutOfMemory: return std::string(kOutOfMemoryMessage);
  }
  return std::string(kWriteFailed);
}

namespace {

// The layout that fits when only the other one does, or how the file misses when neither does,
// in the dialog's words; else empty.
std::string_view FitHint(const ConversionOutcome& outcome) {
  if (outcome.FitsNeither()) {
    return outcome.endedEarly ? kEndsEarlyHint : kBytesAfterEndHint;
  }
  if (!outcome.OnlyOtherFits()) {
    return {};
  }
  return outcome.software == SoftwareKind::RexEdit ? kReadsAsEzEditHint : kReadsAsRexEditHint;
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
  std::string text;
  if (!outcome.reason.empty()) {
    const bool ofSource = outcome.kind == ConversionOutcome::Kind::SourceOpenFailed ||
                          outcome.kind == ConversionOutcome::Kind::ReadFailed;
    const std::string& file =
        !outcome.file.empty() ? outcome.file : ofSource ? outcome.source : outcome.destination;
    text = file.empty() ? outcome.reason : file + ": " + outcome.reason;
    text += ".\n";
  }
  text += advice;
  return text;
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
  std::string text = "The export also writes these files, which exist:";
  for (const std::string& file : outcome.kept) {
    text += "\n" + file;
  }
  return text + "\n\nYes: replace them\nNo: convert nothing";
}

std::string WrongSoftwareQuestion(const ConversionOutcome& outcome) {
  const std::string chosen = SoftwareName(outcome.software), fitting = SoftwareName(OtherSoftware(outcome.software));
  return "This project reads as " + std::string(outcome.software == SoftwareKind::RexEdit ? "an " : "a ") +
         fitting + " project; " + chosen + ", chosen in step 1, does not fit it.\n\nYes: convert it as " +
         fitting + "\nNo: convert it as " + chosen + "\nCancel: convert nothing";
}

std::string CommandLineMessage(const ConversionOutcome& outcome) {
  if (outcome.kind == ConversionOutcome::Kind::OutOfMemory) {
    return std::string(kOutOfMemory);
  }
  if (outcome.kind != ConversionOutcome::Kind::DestinationExists) {
    return OutcomeMessage(outcome);
  }
  std::string text;
  for (const std::string& file : outcome.kept.empty() ? std::vector<std::string>{outcome.file} : outcome.kept) {
    text += (text.empty() ? "" : "\n") + KeptMessage(file) + " (--force replaces it)";
  }
  return text;
}

std::string_view CommandLineWarning(const ConversionOutcome& outcome, bool byFit) {
  using Kind = ConversionOutcome::Kind;
  if (outcome.OnlyOtherFits()) {
    return outcome.software == SoftwareKind::RexEdit ? kReadsAsEzEditWarning : kReadsAsRexEditWarning;
  }
  const bool read = outcome.kind == Kind::Completed || outcome.kind == Kind::EndsTooEarly ||
                    outcome.kind == Kind::OverCapacity;
  return byFit && read && !outcome.fits && !outcome.otherFits ? kReadsAsNeitherWarning : std::string_view();
}

std::string_view NoFitWarning(const ConversionOutcome& outcome) {
  if (!outcome.FitsNeither()) {
    return {};
  }
  return outcome.endedEarly ? kEndsEarlyWarning : kBytesAfterEndWarning;
}

std::string StaleTemporaryWarning(const StaleTemporary& stale) {
  return stale.path + " was left by a stopped conversion; " +
         (stale.removed ? "removed it" : "kept it (in use, or written within a day)");
}

}  // namespace morvane
