#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion_job.h"
#include "convert/listing_driver.h"
#include "listing/conversion_error.h"
#include "listing/format_kinds.h"
#include "listing/source_reader.h"
#include "listing/timeline_recorder.h"

namespace morvane {

// Nothing in a project file says which editor wrote it, yet the two layouts read it differently.
// A layout fits a file when converting with it is not refused and reads the file exactly to its
// last byte: nothing read past the end, nothing left over. A project fits the layout it was
// written with; the other one usually runs off the end, stops short or is refused.

SoftwareKind OtherSoftware(SoftwareKind kind);

// Converts from the reader's position with kind's layout, the text and the progress going
// nowhere. facts, when given, receives what the run learned (as far as it got), and recorder
// what the sections report. Only the platform's read errors pass as ConversionError.
struct LayoutCheck {
  bool fits = false;
  std::string refusal;  // why the conversion was refused ("Can not convert source file: ..."), or empty
};
LayoutCheck CheckLayout(SourceReader& source, SoftwareKind kind, ProjectFacts* facts = nullptr,
                        TimelineRecorder* recorder = nullptr);

// Which layouts fit one file.
struct LayoutFit {
  bool rexEdit = false;
  bool ezEdit = false;

  bool Fits(SoftwareKind kind) const { return kind == SoftwareKind::RexEdit ? rexEdit : ezEdit; }
};

// The layout to convert with when the user leaves the choice to the file: the one that fits;
// RexEdit, the dialog's start value, when both or neither do.
SoftwareKind PickSoftware(LayoutFit fit);

// True for the refusals of a conversion (too much past the end, a count above its table), which
// the wrong layout causes; false for the platform's read and write errors.
bool IsRefusal(const ConversionError& error);

// How one conversion learns whether its project fits, reading the open source fd (positioned
// at its first byte) once more only when needed: not at all when the layout it converted with
// fits, once when it does not. With byFit it first reads the file with RexEdit and, when that
// does not fit, with EzEdit, and converts with the one that fits (a source that cannot seek is
// converted as chosen). Throws ConversionError(ReadError) when it cannot go back to the start.
class FitCheck {
 public:
  FitCheck(int sourceFd, SoftwareKind chosen, bool byFit);

  // The layout to convert with.
  SoftwareKind Software() const { return software_; }

  // Sets outcome's software, fits and otherFits once the conversion has read the file: fits is
  // where the reader ended, false after a refusal.
  void Complete(ConversionOutcome& outcome, bool fits) const;

 private:
  int fd_;
  SoftwareKind software_;
  std::optional<LayoutFit> known_;
};

// Everything --probe tells about one project file, read with both layouts.
struct ProjectProbe {
  LayoutFit fit;
  SoftwareKind software = SoftwareKind::RexEdit;  // the layout the facts were read with
  ProjectFacts facts;
  // The names of the clips on the four tracks, every kind but colour clips (whose name holds
  // their colours): raw bytes, each once, in order of first use.
  std::vector<std::string> mediaNames;
  std::string refusal;  // reading with software was refused: why; the facts stop where it stopped
};

// Probes the bytes of one file. software is the layout to read the facts with; none picks it
// with PickSoftware.
// pastEndLimit: the reader's allowance (listing/source_reader.h; the fuzz target gives a small one).
ProjectProbe ProbeProject(std::span<const std::uint8_t> bytes, std::optional<SoftwareKind> software = std::nullopt,
                          std::uint64_t pastEndLimit = kPastEndLimit);
// The same for an open file, read from its first byte once with each layout (a pipe, which
// cannot seek, is read into memory once, up to kLargestProbedPipe bytes; a longer one is
// refused with ReadError and the reason kPipeTooLarge). Throws ConversionError when it cannot
// be read.
inline constexpr std::size_t kLargestProbedPipe = std::size_t{64} << 20;
inline constexpr std::string_view kPipeTooLarge = "more than 64 MiB through a pipe; probe the file itself";
ProjectProbe ProbeProject(int fd, std::optional<SoftwareKind> software = std::nullopt);

}  // namespace morvane
