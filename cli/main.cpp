// morvane-convert: converts project files to their listing and EDL text from the command line.
//
//   morvane-convert [--software rexedit|ezedit] [--timecode ntsc-df|ntsc-ndf|pal|frames]
//                   [--progress auto|bar|plain|none] [-o DEST] [--force] [-q] SOURCE...
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

#include "cli/console.h"
#include "cli/terminal_progress.h"
#include "convert/conversion_job.h"
#include "convert/file_access.h"
#include "convert/version.h"

namespace {

using morvane::ConversionSettings;
using morvane::SoftwareKind;
using morvane::TimecodeMode;

enum class ProgressStyle { Auto, Bar, Plain, None };

struct Options {
  SoftwareKind software = SoftwareKind::RexEdit;
  TimecodeMode timecode = TimecodeMode::NtscDropFrame;
  ProgressStyle progress = ProgressStyle::Auto;
  std::string destination;
  bool force = false;
  bool quiet = false;
  std::vector<std::string> sources;
};

// Paths are UTF-8 on every platform (Windows' own are UTF-16).
std::filesystem::path PathOf(const std::string& utf8) { return std::u8string(utf8.begin(), utf8.end()); }

// SOURCE with its extension replaced by .txt: "edit/a.dvc" gives "edit/a.txt", "a" gives "a.txt".
std::string DefaultDestination(const std::string& source) {
  const std::u8string text = PathOf(source).replace_extension(".txt").u8string();
  return std::string(text.begin(), text.end());
}

void Diagnose(const std::string& source, const std::string& text, const std::string& reason = {}) {
  std::fprintf(stderr, "morvane-convert: %s: %s%s%s%s\n", source.c_str(), text.c_str(),
               reason.empty() ? "" : " (", reason.c_str(), reason.empty() ? "" : ")");
}

bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(PathOf(path), error));
}

// Converts one source; true when it converted.
bool ConvertOne(const Options& options, const std::string& source) {
  const bool toStandardOutput = options.destination == "-";
  std::string destination = options.destination;
  if (destination.empty()) {
    destination = DefaultDestination(source);
    if (!options.force && Exists(destination)) {
      Diagnose(source, destination + " exists; kept it (--force replaces it)");
      return false;
    }
  }

  const ConversionSettings settings{options.software, options.timecode};
  const morvane::ConversionJob job =
      toStandardOutput ? morvane::ConversionJob::ToDescriptor(source, 1, "-", settings)
                       : morvane::ConversionJob(source, destination, settings);

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
    Diagnose(source, outcome.message, outcome.reason);
    return false;
  }
  if (!options.quiet) {
    std::fprintf(stderr, "%s\n", outcome.message.c_str());
  }
  return true;
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
  const std::map<std::string, SoftwareKind> software{{"rexedit", SoftwareKind::RexEdit},
                                                     {"ezedit", SoftwareKind::EzEdit}};
  const std::map<std::string, TimecodeMode> timecode{{"ntsc-df", TimecodeMode::NtscDropFrame},
                                                     {"ntsc-ndf", TimecodeMode::NtscNonDrop},
                                                     {"pal", TimecodeMode::Pal},
                                                     {"frames", TimecodeMode::Frames}};
  const std::map<std::string, ProgressStyle> progress{{"auto", ProgressStyle::Auto},
                                                      {"bar", ProgressStyle::Bar},
                                                      {"plain", ProgressStyle::Plain},
                                                      {"none", ProgressStyle::None}};
  app.add_option("--software", options.software, "the editor that wrote the projects (default rexedit)")
      ->transform(CLI::CheckedTransformer(software, CLI::ignore_case).description("rexedit|ezedit"));
  app.add_option("--timecode", options.timecode, "EDL timecodes (default ntsc-df)")
      ->transform(CLI::CheckedTransformer(timecode, CLI::ignore_case)
                      .description("ntsc-df|ntsc-ndf|pal|frames"));
  app.add_option("--progress", options.progress,
                 "progress on stderr: a redrawn bar, one plain line per status, or none; auto is "
                 "bar on a terminal and none otherwise")
      ->transform(CLI::CheckedTransformer(progress, CLI::ignore_case).description("auto|bar|plain|none"));
  app.add_option("-o,--output", options.destination,
                 "destination file ('-' for standard output); only with one SOURCE; replaces an "
                 "existing file")
      ->type_name("DEST");
  app.add_flag("--force", options.force, "replace existing SOURCE.txt files (without -o)");
  app.add_flag("-q,--quiet", options.quiet, "print nothing but failures");
  app.add_option("SOURCE", options.sources, "project files; each becomes SOURCE with .txt in place of .dvc")
      ->required();

  try {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
      argv.push_back(argument.data());
    }
    app.parse(static_cast<int>(argv.size()), argv.data());
    if (!options.destination.empty() && options.sources.size() > 1) {
      throw CLI::ValidationError("-o", "-o takes one SOURCE only; without -o each SOURCE gets its own .txt");
    }
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? 0 : 2;
  }

  bool allConverted = true;
  for (const std::string& source : options.sources) {
    allConverted = ConvertOne(options, source) && allConverted;
  }
  return allConverted ? 0 : 1;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return Main(morvane::Utf8Arguments(argc, argv)); }
#else
int main(int argc, char** argv) { return Main(std::vector<std::string>(argv, argv + argc)); }
#endif
