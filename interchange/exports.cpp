#include "interchange/exports.h"

#include <array>
#include <utility>

#include "interchange/cmx_writer.h"
#include "interchange/mlt_writer.h"
#include "interchange/otio_writer.h"

namespace morvane {

namespace {

std::vector<ExportText> RenderOtio(const Timeline& timeline, TimecodeMode, ExportNotes& notes) {
  return {{"", WriteOtio(timeline, notes)}};
}

std::vector<ExportText> RenderMlt(const Timeline& timeline, TimecodeMode, ExportNotes& notes) {
  return {{"", WriteMlt(timeline, notes)}};
}

std::vector<ExportText> RenderCmx3600(const Timeline& timeline, TimecodeMode mode, ExportNotes& notes) {
  std::vector<ExportText> files;
  for (CmxFile& file : WriteCmx3600(timeline, mode, notes)) {
    files.push_back({std::move(file.suffix), std::move(file.text)});
  }
  return files;
}

constexpr std::array<ExportFormatRow, 4> kFormats{{
    {ExportFormat::Listing, "listing", ".txt", "Text file (*.txt)", "the listing with its EDL table", false, nullptr},
    {ExportFormat::Otio, "otio", ".otio", "OpenTimelineIO (*.otio)", "OpenTimelineIO", false, RenderOtio},
    {ExportFormat::Cmx3600, "cmx3600", ".edl", "CMX 3600 EDL (*.edl)", "CMX 3600 EDLs (one per track with clips)",
     true, RenderCmx3600},
    {ExportFormat::Mlt, "mlt", ".mlt", "MLT XML for Shotcut (*.mlt)", "MLT XML for Shotcut", false, RenderMlt},
}};

}  // namespace

std::span<const ExportFormatRow> ExportFormats() { return kFormats; }

const ExportFormatRow& FormatRow(ExportFormat format) {
  for (const ExportFormatRow& row : kFormats) {
    if (row.format == format) {
      return row;
    }
  }
  return kFormats.front();
}

std::vector<ExportText> RenderTimeline(const Timeline& timeline, ExportFormat format, TimecodeMode mode,
                                       ExportNotes& notes) {
  const ExportFormatRow& row = FormatRow(format);
  notes.Add(timeline.notes);
  return row.render != nullptr ? row.render(timeline, mode, notes) : std::vector<ExportText>{};
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
