#pragma once

#include <cstdint>
#include <string>
#include <span>
#include <string_view>
#include <vector>

#include "convert/conversion_job.h"
#include "platform/catalog.h"

namespace morvane {

enum class MessageIcon {
  None,     // the completion message
  Warning,  // every failure, and a completion whose project fits only the other layout
};

// Every text that a front end shows about a conversion. The dialog shows them in a message box
// with the caption kCaption; the command line prints them. The constants are the catalog's English
// keys: show them through Tr; the functions give their texts translated.
inline constexpr std::string_view kCaption = "morvane";
inline constexpr std::string_view kSourceOpenFailed = TrNoop("Can not open source file");
inline constexpr std::string_view kDestinationOpenFailed = TrNoop("Can not open destination file");
inline constexpr std::string_view kEndsTooEarly = TrNoop("Can not convert source file: it ends too early");
inline constexpr std::string_view kReadFailed = TrNoop("Can not read source file");
inline constexpr std::string_view kWriteFailed = TrNoop("Can not write destination file");
// An export needs a frame rate, which FRAME (plain frame numbers) does not name.
inline constexpr std::string_view kExportNeedsRate =
    TrNoop("Can not export in FRAME mode: choose an NTSC or PAL timecode mode");
// Memory ran out: the command line's words, and the dialog's.
inline constexpr std::string_view kOutOfMemory = TrNoop("not enough memory");
inline constexpr std::string_view kOutOfMemoryMessage = TrNoop("Can not convert source file: not enough memory");
// The front end was asked whether to put the files in place and declined.
inline constexpr std::string_view kWithdrawn = TrNoop("Nothing converted: the destination is as it was");

// After the outcome's message, when the software chosen in step 1 does not fit the project and
// the other one does: the one that fits, named as its radio button names it.
inline constexpr std::string_view kReadsAsEzEditHint =
    TrNoop("This project reads as an EzEdit( EZDV II ) project: choose it in step 1 and convert again.");
inline constexpr std::string_view kReadsAsRexEditHint =
    TrNoop("This project reads as a RexEdit project: choose it in step 1 and convert again.");

// After the completion message, when neither layout fits the project: which way it misses.
inline constexpr std::string_view kEndsEarlyHint =
    TrNoop("This file reads as neither a RexEdit nor an EzEdit( EZDV II ) project: it ends before its last "
    "section, and what follows was read as zeros. Check that the file was copied whole.");
inline constexpr std::string_view kBytesAfterEndHint =
    TrNoop("This file reads as neither a RexEdit nor an EzEdit( EZDV II ) project: it has bytes after its "
    "last section, which are not listed. Check that it is a project file.");

// What to do next, after a failure's reason (the second paragraph of the dialog's box).
inline constexpr std::string_view kSourceOpenAdvice = TrNoop("Choose the project file in step 3 and convert again.");
inline constexpr std::string_view kDestinationOpenAdvice =
    TrNoop("Choose a destination in a folder you may write to in step 4 and convert again.");
inline constexpr std::string_view kSameFileAdvice =
    TrNoop("Choose another destination in step 4: the project itself is never replaced.");
inline constexpr std::string_view kInUseAdvice =
    TrNoop("Wait until the other program or conversion has finished with it, then convert again.");
inline constexpr std::string_view kReadAdvice = TrNoop("Copy the project to another disk and convert again.");
inline constexpr std::string_view kWriteAdvice =
    TrNoop("Make room on the disk, or choose a destination on another disk in step 4, and convert again.");

// The command line's warnings, printed as "morvane-convert: SOURCE: warning: " and the text.
inline constexpr std::string_view kReadsAsEzEditWarning =
    TrNoop("this project reads as an EzEdit project; use --software ezedit");
inline constexpr std::string_view kReadsAsRexEditWarning =
    TrNoop("this project reads as a RexEdit project; use --software rexedit");
inline constexpr std::string_view kReadsAsNeitherWarning =
    TrNoop("this file reads as neither a RexEdit nor an EzEdit project; read as RexEdit");
inline constexpr std::string_view kEndsEarlyWarning =
    TrNoop("this file ends before its last section; what follows was read as zeros");
inline constexpr std::string_view kBytesAfterEndWarning =
    TrNoop("this file has bytes after its last section; they are not listed");

// "Can not convert source file: [MainAV] holds 1234 clips, more than 1000"
std::string OverCapacityMessage(std::string_view heading, std::int32_t count, std::int32_t capacity);

// "<path> exists; kept it": a file that may not be replaced.
std::string KeptMessage(std::string_view path);

// Three lines: "conversion completed", "from : <source>", "   to : <destination>", with the
// paths exactly as the user gave them; each further file written follows on a line of its own,
// under the destination.
std::string CompletionMessage(std::string_view sourcePath, std::string_view destinationPath,
                              std::span<const std::string> furtherFiles = {});

// What an export changed or left out, one line per kind with its count, each starting with the
// format's name: "cmx3600: 1 transition of 2000 frames written as 999". None when nothing was.
std::vector<std::string> ExportWarnings(const ConversionOutcome& outcome);

// ---- An outcome in words: the one place that turns what a conversion did into text --------

// What happened, in one message: the completion message or the failure's text.
std::string OutcomeMessage(const ConversionOutcome& outcome);

// The dialog's message box: the outcome's message and as a second paragraph, for a failure with
// a reason, the file, the reason and what to do next; when only the other layout fits the project
// (also after a refusal), the hint that names it; when neither does, the hint that says how the
// file misses; then what an export changed (ExportWarnings) as a paragraph. The warning icon for a
// failure, a hint or a change.
std::string DialogMessage(const ConversionOutcome& outcome);
MessageIcon DialogIcon(const ConversionOutcome& outcome);

// The dialog's question when files of an export that the user did not name exist (the further
// files of a CMX 3600 set): every one listed; Yes replaces them, No and Cancel convert nothing.
std::string ReplaceFurtherQuestion(const ConversionOutcome& outcome);

// The dialog's question, asked before the files are put in place (or after a refusal) when the
// software chosen in step 1 does not fit the project and the other one does: Yes converts with
// the one that fits, No keeps the chosen one, Cancel converts nothing.
std::string WrongSoftwareQuestion(const ConversionOutcome& outcome);

// The command line's diagnostic for a failed conversion (it adds the system's reason): the
// outcome's message, and for kept files how to replace them (one line per file).
std::string CommandLineMessage(const ConversionOutcome& outcome);

// The command line's warning after outcome (printed after "morvane-convert: SOURCE: warning: "),
// or the empty text: the other software's when only it fits, and with byFit (--software auto)
// the one for a project that neither layout reads.
std::string_view CommandLineWarning(const ConversionOutcome& outcome, bool byFit);
// The warning after that one for a project converted although neither layout fits it, with any
// software: how the file misses. Else the empty text.
std::string_view NoFitWarning(const ConversionOutcome& outcome);

// The command line's warning for a temporary left by a conversion that was killed: "<path> was
// left by a stopped conversion; removed it", or "...; kept it (in use, or written within a day)".
std::string StaleTemporaryWarning(const StaleTemporary& stale);

}  // namespace morvane
