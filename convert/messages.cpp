#include "convert/messages.h"

#include "convert/layout_fit.h"
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
    case Kind::Withdrawn: return std::string(kWithdrawn);
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
  return text;
}

MessageIcon DialogIcon(const ConversionOutcome& outcome) {
  return outcome.completed() && FitHint(outcome).empty() ? MessageIcon::None : MessageIcon::Warning;
}

std::string WrongSoftwareQuestion(const ConversionOutcome& outcome) {
  const std::string chosen = SoftwareName(outcome.software), fitting = SoftwareName(OtherSoftware(outcome.software));
  return "This project reads as " + std::string(outcome.software == SoftwareKind::RexEdit ? "an " : "a ") +
         fitting + " project; " + chosen + ", chosen in step 1, does not fit it.\n\nYes: convert it as " +
         fitting + "\nNo: convert it as " + chosen + "\nCancel: convert nothing";
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

std::string_view NoFitWarning(const ConversionOutcome& outcome) {
  if (!outcome.FitsNeither()) {
    return {};
  }
  return outcome.endedEarly ? kEndsEarlyWarning : kBytesAfterEndWarning;
}

}  // namespace morvane
