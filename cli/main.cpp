// morvane-convert: converts project files to their listing and EDL text, or rebuilds their edit
// as OpenTimelineIO, CMX 3600 EDLs or MLT XML, from the command line.
//
//   morvane-convert [--software rexedit|ezedit|auto] [--timecode ntsc-df|ntsc-ndf|pal|frames]
//                   [--format FORMAT] [--media-dir DIR]
//                   [--progress auto|bar|plain|none] [-o DEST] [--force] [-q] SOURCE...
//   morvane-convert --probe [--json] [--media-dir DIR] [--software ...] [--timecode ...] SOURCE...
//
// Exit status: 0 when every SOURCE converted, 1 when any failed, 2 for a usage error; stopped by
// SIGINT, SIGTERM or SIGHUP it removes its temporary file and exits 130, 143 or 129.
//
// Diagnostics have one form, "morvane-convert: SOURCE: TEXT" (SOURCE as given), with the
// system's reason in parentheses where there is one; warnings "morvane-convert: SOURCE: warning:
// TEXT".

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/probe.h"
#include "cli/terminal_progress.h"
#include "convert/conversion_job.h"
#include "convert/layout_fit.h"
#include "convert/messages.h"
#include "convert/version.h"
#include "platform/console.h"
#include "platform/file_io.h"
#include "platform/interrupts.h"
#include "platform/utf8_path.h"

namespace {

using morvane::ConversionSettings;
using morvane::ExportFormat;
using morvane::SoftwareKind;
using morvane::TimecodeMode;

enum class ProgressStyle { Auto, Bar, Plain, None };

struct Options {
  SoftwareKind software = SoftwareKind::RexEdit;
  bool softwareAuto = false;
  TimecodeMode timecode = TimecodeMode::NtscDropFrame;
  ProgressStyle progress = ProgressStyle::Auto;
  ExportFormat format = ExportFormat::Listing;
  std::string mediaFolder;
  std::string destination;
  bool force = false;
  bool quiet = false;
  std::vector<std::string> sources;
  bool probe = false;
  bool json = false;
};

// SOURCE with its extension replaced by the format's: "edit/a.dvc" gives "edit/a.txt" (or
// "edit/a.otio"...), "a" gives "a.txt".
std::string DefaultDestination(const std::string& source, ExportFormat format) {
  return morvane::Utf8Text(
      morvane::Utf8Path(source).replace_extension(std::string(morvane::FormatRow(format).extension)));
}

// "listing|otio|...", or the formats' extensions as ".txt, .otio, ...", with the one before the
// last set apart by lastSeparator.
template <class Part>
std::string JoinFormats(Part part, std::string_view separator, std::string_view lastSeparator,
                        std::size_t skip = 0) {
  const auto rows = morvane::ExportFormats().subspan(skip);
  std::string text;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) {
      text += i + 1 == rows.size() ? lastSeparator : separator;
    }
    text += part(rows[i]);
  }
  return text;
}

void Diagnose(const std::string& source, const std::string& text, const std::string& reason = {}) {
  std::fprintf(stderr, "morvane-convert: %s: %s%s%s%s\n", source.c_str(), text.c_str(),
               reason.empty() ? "" : " (", reason.c_str(), reason.empty() ? "" : ")");
}

// Converts one source; true when it converted.
bool ConvertOne(const Options& options, const std::string& source) {
  const bool toStandardOutput = options.destination == "-";
  const std::string destination =
      options.destination.empty() ? DefaultDestination(source, options.format) : options.destination;

  const ConversionSettings settings{options.software, options.timecode};
  morvane::ConversionJob job =
      toStandardOutput ? morvane::ConversionJob::ToDescriptor(source, 1, "-", settings)
                       : morvane::ConversionJob(source, destination, settings);
  // A file beside its source is kept unless forced, and so are the further files of an export.
  job.SetExport({options.format, options.mediaFolder, !options.force && options.destination.empty()});
  if (options.softwareAuto) {
    job.ChooseSoftwareByFit();
  }

  ProgressStyle style = options.progress;
  if (style == ProgressStyle::Auto) {
    style = morvane::IsTerminal(stderr) ? ProgressStyle::Bar : ProgressStyle::None;
  }
  // Stopped during the conversion: one line, over the bar when it is drawn.
  morvane::SetInterruptNote((style == ProgressStyle::Bar ? "\r\033[K" : "") +
                            std::string("morvane-convert: ") + source + ": interrupted\n");
  morvane::ConversionOutcome outcome;
  if (style == ProgressStyle::Bar) {
    morvane::BarProgress bar(stderr, source);
    outcome = job.Run(bar);
    bar.Finish();
  } else if (style == ProgressStyle::Plain) {
    morvane::PlainProgress plain(stderr);
    outcome = job.Run(plain);
  } else {
    morvane::SilentProgress silent;
    outcome = job.Run(silent);
  }

  if (!outcome.completed()) {
    Diagnose(source, morvane::CommandLineMessage(outcome), outcome.reason);
  } else if (!options.quiet) {
    std::fprintf(stderr, "%s\n", morvane::OutcomeMessage(outcome).c_str());
  }
  for (const morvane::StaleTemporary& stale : outcome.staleTemporaries) {
    std::fprintf(stderr, "morvane-convert: %s: warning: %s\n", source.c_str(),
                 morvane::StaleTemporaryWarning(stale).c_str());
  }
  const std::string_view warning = morvane::CommandLineWarning(outcome, options.softwareAuto);
  if (!warning.empty()) {
    std::fprintf(stderr, "morvane-convert: %s: warning: %.*s\n", source.c_str(),
                 static_cast<int>(warning.size()), warning.data());
  }
  return outcome.completed();
}

int Main(std::vector<std::string> arguments) {
  // A closed pipe behind `-o -` is a write error to report, not a reason to die silently.
  morvane::PrepareConsole();
  morvane::EndOnInterrupt(morvane::InterruptRequests::Terminal);

  Options options;
  CLI::App app{"Converts RexEdit 2.91 and EzEdit 2.5 (EZDV II) project files (.dvc) to a text\n"
               "listing of every section followed by an edit decision list.",
               "morvane-convert"};
  // The same options on every system: a path such as /tmp/a.dvc is never a Windows-style /option.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string("morvane-convert ") + morvane::version::kDisplayVersion +
                                        " (" + morvane::version::kNumericVersion + ")");
  // "auto" maps to a value that is not a software kind and then sets softwareAuto.
  const auto autoKind = static_cast<SoftwareKind>(-1);
  const std::map<std::string, SoftwareKind> software{{"rexedit", SoftwareKind::RexEdit},
                                                     {"ezedit", SoftwareKind::EzEdit},
                                                     {"auto", autoKind}};
  const std::map<std::string, TimecodeMode> timecode{{"ntsc-df", TimecodeMode::NtscDropFrame},
                                                     {"ntsc-ndf", TimecodeMode::NtscNonDrop},
                                                     {"pal", TimecodeMode::Pal},
                                                     {"frames", TimecodeMode::Frames}};
  std::map<std::string, ExportFormat> formats;
  for (const morvane::ExportFormatRow& row : morvane::ExportFormats()) {
    formats.emplace(row.name, row.format);
  }
  const std::map<std::string, ProgressStyle> progress{{"auto", ProgressStyle::Auto},
                                                      {"bar", ProgressStyle::Bar},
                                                      {"plain", ProgressStyle::Plain},
                                                      {"none", ProgressStyle::None}};
  CLI::Option* softwareOption =
      app.add_option("--software", options.software,
                     "the editor that wrote the projects (default rexedit); auto takes the one whose "
                     "layout fits each project")
          ->transform(CLI::CheckedTransformer(software, CLI::ignore_case).description("rexedit|ezedit|auto"));
  app.add_option("--timecode", options.timecode, "EDL timecodes (default ntsc-df)")
      ->transform(CLI::CheckedTransformer(timecode, CLI::ignore_case)
                      .description("ntsc-df|ntsc-ndf|pal|frames"));
  const auto name = [](const morvane::ExportFormatRow& row) { return std::string(row.name); };
  const auto extension = [](const morvane::ExportFormatRow& row) { return std::string(row.extension); };
  const auto description = [](const morvane::ExportFormatRow& row) { return std::string(row.description); };
  app.add_option("--format", options.format,
                 "what to write: " + std::string(morvane::ExportFormats().front().description) +
                     " (default), or the edit as " + JoinFormats(description, ", ", " or ", 1))
      ->transform(CLI::CheckedTransformer(formats, CLI::ignore_case).description(JoinFormats(name, "|", "|")));
  app.add_option("--media-dir", options.mediaFolder,
                 "where the exports look for the clips' media files (default: each project's folder)")
      ->type_name("DIR");
  app.add_option("--progress", options.progress,
                 "progress on stderr: a redrawn bar, one plain line per status, or none; auto is "
                 "bar on a terminal and none otherwise")
      ->transform(CLI::CheckedTransformer(progress, CLI::ignore_case).description("auto|bar|plain|none"));
  app.add_option("-o,--output", options.destination,
                 "destination file ('-' for standard output); only with one SOURCE; replaces an "
                 "existing file")
      ->type_name("DEST");
  app.add_flag("--force", options.force,
               "replace existing SOURCE" + std::string(morvane::ExportFormats().front().extension) + " (" +
                   JoinFormats(extension, ", ", ", ", 1) + ") files (without -o)");
  app.add_flag("-q,--quiet", options.quiet, "print nothing but failures");
  CLI::Option* probe = app.add_flag("--probe", options.probe,
                                    "convert nothing; print what each project holds and which media "
                                    "it uses");
  app.add_flag("--json", options.json, "--probe prints one JSON object per line")->needs(probe);
  app.add_option("SOURCE", options.sources,
                 "project files; each becomes SOURCE with the format's extension (" +
                     JoinFormats(extension, ", ", ", ") + ") in place of .dvc")
      ->required();

  try {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
      argv.push_back(argument.data());
    }
    app.parse(static_cast<int>(argv.size()), argv.data());
    if (!options.destination.empty() && options.sources.size() > 1) {
      throw CLI::ValidationError("-o", "-o takes one SOURCE only; without -o each SOURCE gets its own file beside it");
    }
    if (const morvane::ExportFormatRow& row = morvane::FormatRow(options.format);
        row.severalFiles && options.destination == "-") {
      throw CLI::ValidationError("-o", "--format " + std::string(row.name) +
                                           " writes one file per track: -o - is not possible");
    }
    if (options.format != ExportFormat::Listing && options.timecode == TimecodeMode::Frames) {
      throw CLI::ValidationError("--timecode",
                                 "frames names no frame rate; an export needs --timecode ntsc-df, ntsc-ndf or pal");
    }
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    if (status == 0 && (std::fflush(stdout) != 0 || std::ferror(stdout))) {  // --help, --version
      std::fprintf(stderr, "morvane-convert: -: %s (%s)\n", std::string(morvane::kWriteFailed).c_str(),
                   morvane::IoFailureReason().c_str());
      return 1;
    }
    return status == 0 ? 0 : 2;
  }

  options.softwareAuto = options.software == autoKind;
  if (options.softwareAuto) {
    options.software = SoftwareKind::RexEdit;
  }
  if (options.probe) {
    morvane::ProbeOptions probeOptions;
    probeOptions.json = options.json;
    probeOptions.mediaDir = options.mediaFolder;
    probeOptions.timecode = options.timecode;
    if (softwareOption->count() > 0 && !options.softwareAuto) {
      probeOptions.software = options.software;
    }
    return morvane::ProbeSources(probeOptions, options.sources, stdout) ? 0 : 1;
  }

  bool allConverted = true;
  for (const std::string& source : options.sources) {
    allConverted = ConvertOne(options, source) && allConverted;
    morvane::EndIfInterrupted();  // a request to stop that waited for the files to be put in place
  }
  return allConverted ? 0 : 1;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return Main(morvane::Utf8Arguments(argc, argv)); }
#else
int main(int argc, char** argv) { return Main(std::vector<std::string>(argv, argv + argc)); }
#endif
