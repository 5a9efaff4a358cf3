#include "convert/layout_fit.h"

#include <utility>

#include "convert/messages.h"
#include "listing/conversion_error.h"

namespace morvane {
namespace {

class NoProgress : public ProgressSink {
 public:
  void Step() override {}
  void SetStatus(std::string_view) override {}
};

}  // namespace

SoftwareKind OtherSoftware(SoftwareKind kind) {
  return kind == SoftwareKind::RexEdit ? SoftwareKind::EzEdit : SoftwareKind::RexEdit;
}

LayoutCheck CheckLayout(SourceReader& source, SoftwareKind kind, ProjectFacts* facts) {
  ListingWriter nowhere;
  NoProgress progress;
  const ConversionSettings settings{kind, TimecodeMode::Frames};
  ListingContext context{source, nowhere, progress, settings};
  try {
    ListingDriver(context, facts).Run();
  } catch (const ConversionError& error) {
    switch (error.failure()) {
      case ConversionFailure::EndsTooEarly:
        return {false, std::string(kEndsTooEarly)};
      case ConversionFailure::OverCapacity:
        return {false, OverCapacityMessage(error.heading(), error.count(), error.capacity())};
      case ConversionFailure::ReadError:
      case ConversionFailure::WriteError:
        break;
    }
    throw;
  }
  return {source.EndsHere(), {}};
}

SoftwareKind PickSoftware(LayoutFit fit) {
  return fit.ezEdit && !fit.rexEdit ? SoftwareKind::EzEdit : SoftwareKind::RexEdit;
}

std::string_view FitHint(SoftwareKind chosen, LayoutFit fit) {
  if (fit.Fits(chosen) || !fit.Fits(OtherSoftware(chosen))) {
    return {};
  }
  return chosen == SoftwareKind::RexEdit ? kReadsAsEzEditHint : kReadsAsRexEditHint;
}

ProjectProbe ProbeProject(std::span<const std::uint8_t> bytes, const SoftwareKind* software) {
  ProjectFacts facts[2];
  LayoutCheck checks[2];
  for (const SoftwareKind kind : {SoftwareKind::RexEdit, SoftwareKind::EzEdit}) {
    const auto i = static_cast<std::size_t>(kind);
    SourceReader source(bytes);
    checks[i] = CheckLayout(source, kind, &facts[i]);
  }
  ProjectProbe probe;
  probe.fit = {checks[0].fits, checks[1].fits};
  probe.software = software != nullptr ? *software : PickSoftware(probe.fit);
  const auto chosen = static_cast<std::size_t>(probe.software);
  probe.facts = std::move(facts[chosen]);
  probe.refusal = std::move(checks[chosen].refusal);
  return probe;
}

}  // namespace morvane
