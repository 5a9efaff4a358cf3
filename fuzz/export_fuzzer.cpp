// Fuzz target over everything a project becomes besides its listing: the probe's report, the
// timeline and every export. The first byte of an input chooses the settings (bit 0 the
// software, bits 1 and 2 the timecode mode, FRAME taken as PAL, which an export needs; bit 3 the
// probe's JSON or text); the rest is the project file. Each output must parse as its format:
// the OpenTimelineIO file and the probe's JSON line as JSON, the MLT and FCPXML files as XML (pugixml) with
// no character XML 1.0 forbids, raw or as a reference (pugixml takes both), and every EDL line
// one the writer makes (title, frame code mode, event, M2 speed, "* " comment), so that no text from the
// project adds a line.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <string>

#include "convert/layout_fit.h"
#include "convert/listing_driver.h"
#include "convert/probe_report.h"
#include "interchange/exports.h"
#include "listing/conversion_error.h"

namespace {

// A small past-the-end allowance, as the listing target's: huge counts reach the same refusal.
constexpr std::uint64_t kPastEndLimit = 4096;

class NoProgress : public morvane::ProgressSink {
 public:
  void Step() override {}
  void SetStatus(std::string_view) override {}
};

// text from byte at on is printed when the check fails (at: where the fault is), never copied.
void Check(bool holds, const char* what, const std::string& text, std::size_t at = 0) {
  if (!holds) {
    std::fprintf(stderr, "%s:\n%.4000s\n", what, text.c_str() + at);
    std::abort();
  }
}

// Below U+0020 XML 1.0 allows tab, line feed and carriage return only.
bool XmlAllows(unsigned long point) {
  return point >= 0x20 ? point != 0xFFFE && point != 0xFFFF : point == 0x9 || point == 0xA || point == 0xD;
}

void CheckXml(const std::string& text) {
  Check(static_cast<bool>(pugi::xml_document().load_buffer(text.data(), text.size())), "XML that does not parse", text);
  for (std::size_t at = 0; at < text.size(); ++at) {
    Check(XmlAllows(static_cast<unsigned char>(text[at])), "XML with a character XML forbids", text, at);
    if (text.compare(at, 2, "&#") == 0) {
      const bool hex = text.compare(at + 2, 1, "x") == 0;
      Check(XmlAllows(std::strtoul(text.c_str() + at + (hex ? 3 : 2), nullptr, hex ? 16 : 10)),
            "XML with a reference to a character XML forbids", text, at);
    }
  }
}

void CheckEdl(const std::string& text) {
  std::size_t lines = 0;
  for (std::size_t at = 0, end; at < text.size(); at = end + 1, ++lines) {
    end = text.find('\n', at);
    Check(end != std::string::npos, "an EDL whose last line does not end", text);
    std::string line = text.substr(at, end - at);
    line.erase(line.find_last_not_of('\r') + 1);
    const bool known = line.empty() || line.starts_with("* ") || line.starts_with("M2 ") ||
                       std::isdigit(static_cast<unsigned char>(line[0])) ||
                       (lines == 0 && line.starts_with("TITLE: ")) || (lines == 1 && line.starts_with("FCM: "));
    Check(known && line.find('\r') == std::string::npos,
          "an EDL line the writer does not make", line);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  auto mode = static_cast<morvane::TimecodeMode>((data[0] >> 1) & 3);
  mode = mode == morvane::TimecodeMode::Frames ? morvane::TimecodeMode::Pal : mode;
  const morvane::ConversionSettings settings{static_cast<morvane::SoftwareKind>(data[0] & 1), mode};
  const std::span<const std::uint8_t> project(data + 1, size - 1);

  // The probe reads every input, also those the listing refuses.
  const morvane::ProbeOptions options{(data[0] & 8) != 0, "/nonexistent-media", mode, {}};
  const std::string report = morvane::ProbeReport("fuzz.dvc", options, morvane::ProbeProject(project, std::nullopt, kPastEndLimit));
  Check(!options.json || nlohmann::json::accept(report), "a probe line that is not JSON", report);

  // Kept from one input to the next: allocating them afresh costs more than most conversions.
  static const auto tables = std::make_unique<morvane::ClipTables>();
  morvane::TimelineFacts facts;
  NoProgress progress;
  try {
    morvane::SourceReader source(project, kPastEndLimit);
    morvane::ListingWriter out{morvane::ListingWriter::Discard{}};
    morvane::ListingContext context{source, out, progress, settings, &facts};
    morvane::ListingDriver(context).Run(*tables);
  } catch (const morvane::ConversionError&) {
    return 0;  // refused: nothing is exported
  }
  const morvane::Timeline timeline =
      morvane::BuildTimeline(*tables, facts, {"fuzz", "/nonexistent-media", *morvane::RateOfMode(mode)});
  for (const morvane::ExportFormat format :
       {morvane::ExportFormat::Otio, morvane::ExportFormat::Cmx3600, morvane::ExportFormat::Mlt,
        morvane::ExportFormat::Fcpxml, morvane::ExportFormat::Fcp7Xml, morvane::ExportFormat::Kdenlive}) {
    morvane::ExportNotes notes;
    for (const morvane::ExportText& file : morvane::RenderTimeline(timeline, format, mode, notes)) {
      if (format == morvane::ExportFormat::Otio) {
        Check(nlohmann::json::accept(file.text), "OpenTimelineIO that is not JSON", file.text);
      }
      if (format == morvane::ExportFormat::Mlt || format == morvane::ExportFormat::Fcpxml ||
          format == morvane::ExportFormat::Fcp7Xml || format == morvane::ExportFormat::Kdenlive) {
        CheckXml(file.text);
      } else if (format == morvane::ExportFormat::Cmx3600) {
        CheckEdl(file.text);
      }
    }
  }
  return 0;
}
