#include "cli/probe.h"

#include <cstdio>
#include <string>

#include "convert/layout_fit.h"
#include "convert/messages.h"
#include "listing/conversion_error.h"
#include "platform/file_access.h"
#include "platform/file_io.h"

namespace morvane {

bool ProbeSources(const ProbeOptions& options, const std::vector<std::string>& sources, std::FILE* out) {
  bool allRead = true;
  for (const std::string& source : sources) {
    SourceFile file;
    std::string reason;
    if (!file.Open(source, reason)) {
      std::fprintf(stderr, "morvane-convert: %s: %s (%s)\n", source.c_str(), std::string(kSourceOpenFailed).c_str(),
                   reason.c_str());
      allRead = false;
      continue;
    }
    ProjectProbe probe;
    try {
      probe = ProbeProject(file.Descriptor(), options.software);
    } catch (const ConversionError& error) {
      std::fprintf(stderr, "morvane-convert: %s: %s%s%s%s\n", source.c_str(), std::string(kReadFailed).c_str(),
                   error.reason().empty() ? "" : " (", error.reason().c_str(), error.reason().empty() ? "" : ")");
      allRead = false;
      continue;
    }
    const std::string report = ProbeReport(source, options, probe);
    std::fwrite(report.data(), 1, report.size(), out);
  }
  if (std::fflush(out) != 0 || std::ferror(out)) {
    std::fprintf(stderr, "morvane-convert: -: %s (%s)\n", std::string(kWriteFailed).c_str(),
                 IoFailureReason().c_str());
    return false;
  }
  return allRead;
}

}  // namespace morvane
