#include "convert/layout_fit.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "convert/messages.h"
#include "listing/conversion_error.h"
#include "platform/file_io.h"

namespace morvane {
namespace {

class NoProgress : public ProgressSink {
 public:
  void Step() override {}
  void SetStatus(std::string_view) override {}
};

// Keeps the name of every clip the track sections report, each once.
class MediaNames : public TimelineRecorder {
 public:
  explicit MediaNames(std::vector<std::string>& names) : names_(names) {}
  void RecordAspectRatio(std::int32_t) override {}
  void RecordClip(TimelineTrack, std::int32_t, const RecordedClip& clip) override {
    if (clip.kind != ClipKind::Color && !clip.name.empty() &&
        std::find(names_.begin(), names_.end(), clip.name) == names_.end()) {
      names_.emplace_back(clip.name);
    }
  }
  void RecordTitle(std::int32_t, std::int32_t) override {}
  void RecordTitleText(std::int32_t, std::int32_t, std::string_view) override {}

 private:
  std::vector<std::string>& names_;
};

}  // namespace

SoftwareKind OtherSoftware(SoftwareKind kind) {
  return kind == SoftwareKind::RexEdit ? SoftwareKind::EzEdit : SoftwareKind::RexEdit;
}

LayoutCheck CheckLayout(SourceReader& source, SoftwareKind kind, ProjectFacts* facts,
                        TimelineRecorder* recorder) {
  ListingWriter nowhere{ListingWriter::Discard{}};
  NoProgress progress;
  const ConversionSettings settings{kind, TimecodeMode::Frames};
  ListingContext context{source, nowhere, progress, settings, recorder};
  try {
    ListingDriver(context, facts).Run();
  } catch (const ConversionError& error) {
    switch (error.failure()) {
      // The refusal goes into --probe's report and pages, the same in every language.
      case ConversionFailure::EndsTooEarly:
        return {false, std::string(kEndsTooEarly)};
      case ConversionFailure::OverCapacity: {
        const EnglishTexts english;
        return {false, OverCapacityMessage(error.heading(), error.count(), error.capacity())};
      }
      case ConversionFailure::ReadError:
      case ConversionFailure::WriteError:
        break;
    }
    throw;
  }
  return {source.EndsHere(), {}};
}

bool IsRefusal(const ConversionError& error) {
  return error.failure() == ConversionFailure::EndsTooEarly || error.failure() == ConversionFailure::OverCapacity;
}

namespace {

// Reads the open file from its first byte with kind's layout; false when that layout does not
// fit or the file cannot be read again.
bool FitsFromStart(int fd, SoftwareKind kind) {
  if (!Rewind(fd)) {
    return false;
  }
  try {
    SourceReader reader(fd);
    return CheckLayout(reader, kind).fits;
  } catch (const ConversionError&) {
    return false;
  }
}

}  // namespace

FitCheck::FitCheck(int sourceFd, SoftwareKind chosen, bool byFit) : fd_(sourceFd), software_(chosen) {
  if (!byFit || !AtStart(fd_)) {
    return;
  }
  LayoutFit fit;
  fit.rexEdit = FitsFromStart(fd_, SoftwareKind::RexEdit);
  fit.ezEdit = !fit.rexEdit && FitsFromStart(fd_, SoftwareKind::EzEdit);
  known_ = fit;
  software_ = PickSoftware(fit);
  if (!Rewind(fd_)) {
    throw ConversionError(ConversionFailure::ReadError);
  }
}

void FitCheck::Complete(ConversionOutcome& outcome, bool fits) const {
  outcome.software = software_;
  outcome.fits = fits;
  const SoftwareKind other = OtherSoftware(software_);
  if (!fits) {
    outcome.otherFits = known_ ? known_->Fits(other) : FitsFromStart(fd_, other);
  }
}

SoftwareKind PickSoftware(LayoutFit fit) {
  return fit.ezEdit && !fit.rexEdit ? SoftwareKind::EzEdit : SoftwareKind::RexEdit;
}

namespace {

// Reads the project with both layouts, each from the reader that readerAt gives, and keeps the
// facts of the one the probe is read with.
template <class ReaderAt>
ProjectProbe Probe(ReaderAt readerAt, std::optional<SoftwareKind> software) {
  ProjectFacts facts[2];
  std::vector<std::string> names[2];
  LayoutCheck checks[2];
  for (const SoftwareKind kind : {SoftwareKind::RexEdit, SoftwareKind::EzEdit}) {
    const auto i = static_cast<std::size_t>(kind);
    SourceReader source = readerAt();
    MediaNames recorder(names[i]);
    checks[i] = CheckLayout(source, kind, &facts[i], &recorder);
  }
  ProjectProbe probe;
  probe.fit = {checks[0].fits, checks[1].fits};
  probe.software = software.value_or(PickSoftware(probe.fit));
  const auto chosen = static_cast<std::size_t>(probe.software);
  probe.facts = std::move(facts[chosen]);
  probe.mediaNames = std::move(names[chosen]);
  probe.refusal = std::move(checks[chosen].refusal);
  return probe;
}

}  // namespace

ProjectProbe ProbeProject(std::span<const std::uint8_t> bytes, std::optional<SoftwareKind> software,
                          std::uint64_t pastEndLimit) {
  return Probe([bytes, pastEndLimit] { return SourceReader(bytes, pastEndLimit); }, software);
}

ProjectProbe ProbeProject(int fd, std::optional<SoftwareKind> software) {
  if (!Rewind(fd)) {
    // A pipe can be read only once: its bytes are kept in memory for the second layout, up to
    // kLargestProbedPipe.
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[64 * 1024];
    for (;;) {
      const std::ptrdiff_t n = ReadSome(fd, buffer, sizeof buffer);
      if (n < 0) {
        throw ConversionError(ConversionFailure::ReadError, IoFailureReason());
      }
      if (n == 0) {
        break;
      }
      if (bytes.size() + static_cast<std::size_t>(n) > kLargestProbedPipe) {
        throw ConversionError(ConversionFailure::ReadError, std::string(kPipeTooLarge));
      }
      bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return ProbeProject(bytes, software);
  }
  return Probe(
      [fd] {
        if (!Rewind(fd)) {
          throw ConversionError(ConversionFailure::ReadError);
        }
        return SourceReader(fd);
      },
      software);
}

}  // namespace morvane
