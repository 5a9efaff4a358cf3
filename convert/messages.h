#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "convert/conversion_job.h"

namespace morvane {

enum class MessageIcon {
  None,     // the completion message
  Warning,  // every failure, and a completion whose project fits only the other layout
};

// Every text that a front end shows about a conversion. The dialog shows them in a message box
// with the caption kCaption; the command line prints them.
inline constexpr std::string_view kCaption = "morvane";
inline constexpr std::string_view kSourceOpenFailed = "Can not open source file";
inline constexpr std::string_view kDestinationOpenFailed = "Can not open destination file";
inline constexpr std::string_view kEndsTooEarly = "Can not convert source file: it ends too early";
inline constexpr std::string_view kReadFailed = "Can not read source file";
inline constexpr std::string_view kWriteFailed = "Can not write destination file";
// An export needs a frame rate, which FRAME (plain frame numbers) does not name.
inline constexpr std::string_view kExportNeedsRate =
    "Can not export in FRAME mode: choose an NTSC or PAL timecode mode";

// After the outcome's message, when the software chosen in step 1 does not fit the project and
// the other one does: the one that fits, named as its radio button names it.
inline constexpr std::string_view kReadsAsEzEditHint =
    "This project reads as an EzEdit( EZDV II ) project: choose it in step 1 and convert again.";
inline constexpr std::string_view kReadsAsRexEditHint =
    "This project reads as a RexEdit project: choose it in step 1 and convert again.";

// The command line's warnings, printed as "morvane-convert: SOURCE: warning: " and the text.
inline constexpr std::string_view kReadsAsEzEditWarning =
    "this project reads as an EzEdit project; use --software ezedit";
inline constexpr std::string_view kReadsAsRexEditWarning =
    "this project reads as a RexEdit project; use --software rexedit";
inline constexpr std::string_view kReadsAsNeitherWarning =
    "this file reads as neither a RexEdit nor an EzEdit project; read as RexEdit";

// "Can not convert source file: [MainAV] holds 1234 clips, more than 1000"
std::string OverCapacityMessage(std::string_view heading, std::int32_t count, std::int32_t capacity);

// "<path> exists; kept it": a file that may not be replaced.
std::string KeptMessage(std::string_view path);

// Three lines: "conversion completed", "from : <source>", "   to : <destination>", with the
// paths exactly as the user gave them.
std::string CompletionMessage(std::string_view sourcePath, std::string_view destinationPath);

// ---- An outcome in words: the one place that turns what a conversion did into text --------

// What happened, in one message: the completion message or the failure's text.
std::string OutcomeMessage(const ConversionOutcome& outcome);

// The dialog's message box: the outcome's message and, when only the other layout fits the
// project (also after a refusal), the hint that names it as a second paragraph; the warning icon
// for a failure or a hint.
std::string DialogMessage(const ConversionOutcome& outcome);
MessageIcon DialogIcon(const ConversionOutcome& outcome);

// The command line's diagnostic for a failed conversion (it adds the system's reason): the
// outcome's message, and for a kept file how to replace it.
std::string CommandLineMessage(const ConversionOutcome& outcome);

// The command line's warning after outcome (printed after "morvane-convert: SOURCE: warning: "),
// or the empty text: the other software's when only it fits, and with byFit (--software auto)
// the one for a project that neither layout reads.
std::string_view CommandLineWarning(const ConversionOutcome& outcome, bool byFit);

// The command line's warning for a temporary left by a conversion that was killed: "<path> was
// left by a stopped conversion; removed it", or "...; kept it (in use, or written within a day)".
std::string StaleTemporaryWarning(const StaleTemporary& stale);

}  // namespace morvane
