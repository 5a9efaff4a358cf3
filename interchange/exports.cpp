#include "interchange/exports.h"

#include <array>
#include <memory>
#include <utility>

#include "interchange/cmx_writer.h"
#include "interchange/fcp7_writer.h"
#include "interchange/fcpxml_writer.h"
#include "interchange/kdenlive_writer.h"
#include "interchange/mlt_writer.h"
#include "interchange/otio_writer.h"
#include "interchange/page_writer.h"
#include "interchange/svg_writer.h"
#include "platform/catalog.h"

namespace morvane {

namespace {

std::vector<std::string> OneFile(const Timeline&, TimecodeMode) { return {""}; }

void WriteOtioFile(const Timeline& timeline, TimecodeMode, std::span<ListingWriter* const> out, ExportNotes& notes) {
  WriteOtio(timeline, notes, *out[0]);
}

void WriteMltFile(const Timeline& timeline, TimecodeMode, std::span<ListingWriter* const> out, ExportNotes& notes) {
  WriteMlt(timeline, notes, *out[0]);
}

void WriteFcpxmlFile(const Timeline& timeline, TimecodeMode, std::span<ListingWriter* const> out, ExportNotes& notes) {
  WriteFcpxml(timeline, notes, *out[0]);
}

void WriteFcp7File(const Timeline& timeline, TimecodeMode, std::span<ListingWriter* const> out, ExportNotes& notes) {
  WriteFcp7Xml(timeline, notes, *out[0]);
}

void WriteKdenliveFile(const Timeline& timeline, TimecodeMode, std::span<ListingWriter* const> out, ExportNotes& notes) {
  WriteKdenlive(timeline, notes, *out[0]);
}

void WriteSvgFile(const Timeline& timeline, TimecodeMode mode, std::span<ListingWriter* const> out, ExportNotes& notes) {
  WriteSvg(timeline, mode, SvgOptions{}, notes, *out[0]);
}

// The page shows what the timeline's page facts hold; without them, the edit alone.
void WritePageFile(const Timeline& timeline, TimecodeMode mode, std::span<ListingWriter* const> out, ExportNotes& notes) {
  WriteProjectPage(timeline, mode, timeline.page != nullptr ? *timeline.page : PageFacts{}, notes, *out[0]);
}

std::vector<std::string> CmxFiles(const Timeline& timeline, TimecodeMode) { return CmxSuffixes(timeline); }

constexpr std::array<ExportFormatRow, 9> kFormats{{
    {ExportFormat::Listing, "listing", ".txt", TrNoop("Text file (*.txt)"),
     TrNoop("the listing with its EDL table"), false, false, false, nullptr, nullptr},
    {ExportFormat::Otio, "otio", ".otio", TrNoop("OpenTimelineIO (*.otio)"), TrNoop("OpenTimelineIO"), false,
     true, true, OneFile, WriteOtioFile},
    {ExportFormat::Cmx3600, "cmx3600", ".edl", TrNoop("CMX 3600 EDL (*.edl)"),
     TrNoop("CMX 3600 EDLs (one per track with clips)"), true, false, false, CmxFiles, WriteCmx3600},
    {ExportFormat::Mlt, "mlt", ".mlt", TrNoop("MLT XML for Shotcut (*.mlt)"), TrNoop("MLT XML for Shotcut"),
     false, true, true, OneFile, WriteMltFile},
    {ExportFormat::Fcpxml, "fcpxml", ".fcpxml", TrNoop("FCPXML for Final Cut Pro (*.fcpxml)"),
     TrNoop("FCPXML 1.9 for Final Cut Pro"), false, true, false, OneFile, WriteFcpxmlFile},
    {ExportFormat::Fcp7Xml, "fcp7xml", ".xml", TrNoop("Final Cut Pro 7 XML for Premiere and Resolve (*.xml)"),
     TrNoop("Final Cut Pro 7 XML (Premiere Pro, DaVinci Resolve)"), false, true, false, OneFile,
     WriteFcp7File},
    {ExportFormat::Kdenlive, "kdenlive", ".kdenlive", TrNoop("Kdenlive project (*.kdenlive)"),
     TrNoop("Kdenlive project"), false, true, true, OneFile, WriteKdenliveFile},
    {ExportFormat::Svg, "svg", ".svg", TrNoop("SVG picture of the edit (*.svg)"), TrNoop("an SVG picture"),
     false, true, false, OneFile, WriteSvgFile},
    {ExportFormat::Html, "html", ".html", TrNoop("Web page of the project (*.html)"),
     TrNoop("a web page of the project"), false, true, true, OneFile, WritePageFile},
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
  if (row.files == nullptr) {
    return {};
  }
  std::vector<ExportText> files;
  for (std::string& suffix : row.files(timeline, mode)) {
    files.push_back({std::move(suffix), {}});
  }
  std::vector<std::unique_ptr<ListingWriter>> writers;
  std::vector<ListingWriter*> out;
  for (ExportText& file : files) {
    writers.push_back(std::make_unique<ListingWriter>(file.text));
    out.push_back(writers.back().get());
  }
  row.write(timeline, mode, out, notes);
  for (const auto& writer : writers) {
    writer->Flush();
  }
  return files;
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
