#include "convert/messages.h"

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
  }
  return std::string(kWriteFailed);
}

namespace {

// The layout that fits when only the other one does, in the dialog's words; else empty.
std::string_view FitHint(const ConversionOutcome& outcome) {
  if (!outcome.OnlyOtherFits()) {
    return {};
  }
  return outcome.software == SoftwareKind::RexEdit ? kReadsAsEzEditHint : kReadsAsRexEditHint;
}

}  // namespace

std::string DialogMessage(const ConversionOutcome& outcome) {
  std::string text = OutcomeMessage(outcome);
  if (const std::string_view hint = FitHint(outcome); !hint.empty()) {
    text += "\n\n";
    text += hint;
  }
  const std::vector<std::string> changes = outcome.completed() ? ExportWarnings(outcome) : std::vector<std::string>();
  for (std::size_t i = 0; i < changes.size(); ++i) {
    text += i == 0 ? "\n\n" : "\n";
    text += changes[i];
  }
  return text;
}

MessageIcon DialogIcon(const ConversionOutcome& outcome) {
  return outcome.completed() && !outcome.OnlyOtherFits() && outcome.changes.empty() ? MessageIcon::None
                                                                                     : MessageIcon::Warning;
}

std::string CommandLineMessage(const ConversionOutcome& outcome) {
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

}  // namespace morvane
