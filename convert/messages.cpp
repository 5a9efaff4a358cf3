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

std::string CompletionMessage(std::string_view sourcePath, std::string_view destinationPath) {
  std::string text = "conversion completed\nfrom : ";
  text += sourcePath;
  text += "\n   to : ";
  text += destinationPath;
  return text;
}

std::string OutcomeMessage(const ConversionOutcome& outcome) {
  using Kind = ConversionOutcome::Kind;
  switch (outcome.kind) {
    case Kind::Completed: return CompletionMessage(outcome.source, outcome.destination);
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
  return text;
}

MessageIcon DialogIcon(const ConversionOutcome& outcome) {
  return outcome.completed() && !outcome.OnlyOtherFits() ? MessageIcon::None : MessageIcon::Warning;
}

std::string CommandLineMessage(const ConversionOutcome& outcome) {
  std::string text = OutcomeMessage(outcome);
  if (outcome.kind == ConversionOutcome::Kind::DestinationExists) {
    text += " (--force replaces it)";
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

std::string StaleTemporaryWarning(const StaleTemporary& stale) {
  return stale.path + " was left by a stopped conversion; " +
         (stale.removed ? "removed it" : "kept it (in use, or written within a day)");
}

}  // namespace morvane
