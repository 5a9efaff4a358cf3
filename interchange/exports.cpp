#include "interchange/exports.h"

#include "interchange/cmx_writer.h"
#include "interchange/mlt_writer.h"
#include "interchange/otio_writer.h"

namespace morvane {

std::string_view ExportExtension(ExportFormat format) {
  switch (format) {
    case ExportFormat::Listing: return ".txt";
    case ExportFormat::Otio: return ".otio";
    case ExportFormat::Cmx3600: return ".edl";
    case ExportFormat::Mlt: return ".mlt";
  }
  return ".txt";
}

std::vector<ExportText> RenderTimeline(const Timeline& timeline, ExportFormat format, TimecodeMode mode) {
  switch (format) {
    case ExportFormat::Otio: return {{"", WriteOtio(timeline)}};
    case ExportFormat::Mlt: return {{"", WriteMlt(timeline)}};
    case ExportFormat::Cmx3600: {
      std::vector<ExportText> files;
      for (CmxFile& file : WriteCmx3600(timeline, mode)) {
        files.push_back({std::move(file.suffix), std::move(file.text)});
      }
      return files;
    }
    case ExportFormat::Listing: break;
  }
  return {};
}

std::string ExportPath(const std::string& mainPath, const std::string& suffix) {
  const std::size_t slash = mainPath.find_last_of("/\\");
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = mainPath.rfind('.');
  // A leading dot (".edl") names the file, it does not start an extension.
  if (dot == std::string::npos || dot <= nameStart) {
    return mainPath + suffix;
  }
  return mainPath.substr(0, dot) + suffix + mainPath.substr(dot);
}

}  // namespace morvane
