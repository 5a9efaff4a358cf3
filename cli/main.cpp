// morvane-convert: converts project files to their listing and EDL text, or rebuilds their edit
// as OpenTimelineIO, CMX 3600 EDLs or MLT XML, from the command line.
//
//   morvane-convert [--software rexedit|ezedit|auto] [--timecode ntsc-df|ntsc-ndf|pal|frames]
//                   [--format FORMAT] [--media-dir DIR] [--relink DIR]... [--start TC]
//                   [--progress auto|bar|plain|none] [-o DEST] [--force] [-q] SOURCE...
//   morvane-convert --probe [--json|--html] [--media-dir DIR] [--relink DIR]... [--software ...] [--timecode ...]
//                   SOURCE...
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
#include <functional>
#include <algorithm>
#include <map>
#include <span>
#include <string_view>
#include <memory>
#include <optional>
#include <new>
#include <string>
#include <vector>

#include "cli/probe.h"
#include "cli/terminal_progress.h"
#include "convert/conversion_job.h"
#include "convert/layout_fit.h"
#include "convert/media_folder.h"
#include "convert/messages.h"
#include "convert/version.h"
#include "edl/timecode.h"
#include "listing/ascii_case.h"
#include "listing/media_finder.h"
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
  std::vector<std::string> relinkFolders;
  std::shared_ptr<morvane::MediaTrees> trees;  // the --relink folders, read once for every SOURCE
  std::string startText;   // --start as given
  std::int64_t start = 0;  // the record time of the first frame, in frames
  std::string destination;
  bool force = false;
  bool quiet = false;
  std::vector<std::string> sources;
  bool probe = false;
  bool json = false;
  bool html = false;
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

// The status after --help or --version printed to standard output: 1 when it could not be written.
int Printed(int status) {
  if (status == 0 && (std::fflush(stdout) != 0 || std::ferror(stdout))) {
    std::fprintf(stderr, "morvane-convert: -: %s (%s)\n", std::string(morvane::kWriteFailed).c_str(),
                 morvane::IoFailureReason().c_str());
    return 1;
  }
  return status;
}

// Converts one source; true when it converted.
// afterRun (if any) is called once the conversion ran, before its messages.
bool ConvertOne(const Options& options, const std::string& source, const std::function<void()>& afterRun) {
  const bool toStandardOutput = options.destination == "-";
  const std::string destination =
      options.destination.empty() ? DefaultDestination(source, options.format) : options.destination;

  const ConversionSettings settings{options.software, options.timecode};
  morvane::ConversionJob job =
      toStandardOutput ? morvane::ConversionJob::ToDescriptor(source, 1, "-", settings)
                       : morvane::ConversionJob(source, destination, settings);
  // A file beside its source is kept unless forced, and so are the further files of an export,
  // which the user did not name.
  job.SetExport({options.format, options.mediaFolder, !options.force && options.destination.empty(), options.force,
                 options.start, options.relinkFolders, options.trees});
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

  if (afterRun) {
    afterRun();
  }
  if (!outcome.completed()) {
    const std::string message = morvane::CommandLineMessage(outcome);
    for (std::size_t start = 0, end = 0; start < message.size(); start = end + 1) {
      end = std::min(message.find('\n', start), message.size());
      Diagnose(source, message.substr(start, end - start), outcome.reason);
    }
  } else if (!options.quiet) {
    std::fprintf(stderr, "%s\n", morvane::OutcomeMessage(outcome).c_str());
  }
  for (const morvane::StaleTemporary& stale : outcome.staleTemporaries) {
    std::fprintf(stderr, "morvane-convert: %s: warning: %s\n", source.c_str(),
                 morvane::StaleTemporaryWarning(stale).c_str());
  }
  if (outcome.completed()) {
    for (const std::string& change : morvane::ExportWarnings(outcome)) {
      std::fprintf(stderr, "morvane-convert: %s: warning: %s\n", source.c_str(), change.c_str());
    }
  }
  for (const std::string_view warning :
       {morvane::CommandLineWarning(outcome, options.softwareAuto), morvane::NoFitWarning(outcome)}) {
    if (!warning.empty()) {
      std::fprintf(stderr, "morvane-convert: %s: warning: %.*s\n", source.c_str(),
                   static_cast<int>(warning.size()), warning.data());
    }
  }
  return outcome.completed();
}

// A usage error: printed as "morvane-convert: WHAT: TEXT", exit status 2.
struct UsageError {
  std::string what;
  std::string text;
};

// The words an option takes and the value each stands for.
template <class Value>
struct Word {
  std::string_view word;
  Value value;
  bool listed = true;  // named in the message that lists the words (false: another name for one)
};

// The value of the word given (ASCII case ignored): numbers are words like any other.
template <class Value>
Value Choose(std::string_view option, const std::string& given, std::span<const Word<Value>> words) {
  std::string listed;
  for (const Word<Value>& word : words) {
    if (morvane::EqualsIgnoringAsciiCase(given, word.word)) {
      return word.value;
    }
    if (word.listed) {
      listed += (listed.empty() ? "" : ", ") + std::string(word.word);
    }
  }
  throw UsageError{std::string(option), "'" + given + "' is not one of " + listed};
}

template <class Value>
std::string WordList(std::span<const Word<Value>> words) {
  std::string text;
  for (const Word<Value>& word : words) {
    if (word.listed) {
      text += (text.empty() ? "" : "|") + std::string(word.word);
    }
  }
  return text;
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
  // Unknown options are reported in the usage errors' form below.
  app.allow_extras();
  app.set_version_flag("--version", std::string("morvane-convert ") + morvane::version::kDisplayVersion +
                                        " (" + morvane::version::kNumericVersion + ")");
  const Word<SoftwareKind> software[] = {{"rexedit", SoftwareKind::RexEdit}, {"ezedit", SoftwareKind::EzEdit}};
  const Word<TimecodeMode> timecode[] = {{"ntsc-df", TimecodeMode::NtscDropFrame},
                                         {"ntsc-ndf", TimecodeMode::NtscNonDrop},
                                         {"pal", TimecodeMode::Pal},
                                         {"frames", TimecodeMode::Frames}};
  // Each format by its name, and by its extension as another name (txt, edl, xml).
  std::vector<Word<ExportFormat>> formats;
  for (const morvane::ExportFormatRow& row : morvane::ExportFormats()) {
    formats.push_back({row.name, row.format});
  }
  for (const morvane::ExportFormatRow& row : morvane::ExportFormats()) {
    if (const std::string_view extension = row.extension.substr(1); extension != row.name) {
      formats.push_back({extension, row.format, false});
    }
  }
  const Word<ProgressStyle> progress[] = {{"auto", ProgressStyle::Auto},
                                          {"bar", ProgressStyle::Bar},
                                          {"plain", ProgressStyle::Plain},
                                          {"none", ProgressStyle::None}};
  std::string softwareWord, timecodeWord, formatWord, progressWord;
  app.add_option("--software", softwareWord,
                 "the editor that wrote the projects (default rexedit); auto takes the one whose "
                 "layout fits each project")
      ->type_name("rexedit|ezedit|auto");
  app.add_option("--timecode", timecodeWord, "EDL timecodes (default ntsc-df)")
      ->type_name(WordList(std::span<const Word<TimecodeMode>>(timecode)));
  const auto extension = [](const morvane::ExportFormatRow& row) { return std::string(row.extension); };
  const auto description = [](const morvane::ExportFormatRow& row) { return std::string(row.description); };
  app.add_option("--format", formatWord,
                 "what to write: " + std::string(morvane::ExportFormats().front().description) +
                     " (default), or the edit as " + JoinFormats(description, ", ", " or ", 1) +
                     "; a format's extension names it too (txt, edl, xml)")
      ->type_name(WordList(std::span<const Word<ExportFormat>>(formats)));
  app.add_option("--media-dir", options.mediaFolder,
                 "where the exports look for the clips' media files (default: each project's folder)")
      ->type_name("DIR");
  app.add_option("--relink", options.relinkFolders,
                 "where media files missing from the media folder are looked for next, DIR and all its "
                 "subfolders: by name, by name in another case, else by another extension (repeatable)")
      ->type_name("DIR")
      ->allow_extra_args(false);  // one DIR each time: the words after it are SOURCEs
  app.add_option("--start", options.startText,
                 "the record time of the edit's first frame in the exports (default 00:00:00:00; "
                 "01:00:00:00 is the usual choice), on the --timecode clock")
      ->type_name("TC");
  app.add_option("--progress", progressWord,
                 "progress on stderr: a redrawn bar, one plain line per status, or none; auto is "
                 "bar on a terminal and none otherwise")
      ->type_name(WordList(std::span<const Word<ProgressStyle>>(progress)));
  CLI::Option* output = app.add_option("-o,--output", options.destination,
                                       "destination file ('-' for standard output); only with one SOURCE; "
                                       "replaces an existing file")
                            ->type_name("DEST");
  app.add_flag("--force", options.force,
               "replace existing SOURCE" + std::string(morvane::ExportFormats().front().extension) + " (" +
                   JoinFormats(extension, ", ", ", ", 1) +
                   ") files (without -o), and existing further files of an export of several files");
  app.add_flag("-q,--quiet", options.quiet, "print nothing but failures");
  app.add_flag("--probe", options.probe,
               "convert nothing; print what each project holds and which media it uses");
  app.add_flag("--json", options.json, "print one JSON object per line (with --probe)");
  app.add_flag("--html", options.html,
               "write one web page for every SOURCE to standard output or -o FILE (with --probe); "
               "a folder given as SOURCE is read for .dvc files with its subfolders");
  app.add_option("SOURCE", options.sources,
                 "project files; each becomes SOURCE with the format's extension (" +
                     JoinFormats(extension, ", ", ", ") + ") in place of .dvc");

  try {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
      argv.push_back(argument.data());
    }
    app.parse(static_cast<int>(argv.size()), argv.data());
    if (!app.remaining().empty()) {
      throw UsageError{app.remaining().front(), "no such option (--help lists them)"};
    }
    if (!softwareWord.empty()) {
      if (morvane::EqualsIgnoringAsciiCase(softwareWord, "auto")) {
        options.softwareAuto = true;
      } else {
        const Word<SoftwareKind> all[] = {software[0], software[1], {"auto", SoftwareKind::RexEdit}};
        options.software = Choose<SoftwareKind>("--software", softwareWord, all);
      }
    }
    if (!timecodeWord.empty()) options.timecode = Choose<TimecodeMode>("--timecode", timecodeWord, timecode);
    if (!formatWord.empty()) options.format = Choose<ExportFormat>("--format", formatWord, formats);
    if (!progressWord.empty()) options.progress = Choose<ProgressStyle>("--progress", progressWord, progress);
    if (options.sources.empty()) {
      throw UsageError{"SOURCE", "no project file given (--help tells how to call morvane-convert)"};
    }
    if (output->count() > 0 && options.destination.empty()) {
      throw UsageError{"-o", "the destination is empty; name a file, or - for standard output"};
    }
    if (options.json && !options.probe) {
      throw UsageError{"--json", "only with --probe"};
    }
    if (options.html && (!options.probe || options.json)) {
      throw UsageError{"--html", "only with --probe, and not with --json"};
    }
    if (!options.destination.empty() && options.sources.size() > 1 && !options.html) {
      throw UsageError{"-o", "-o takes one SOURCE only; without -o each SOURCE gets its own file beside it"};
    }
    if (const morvane::ExportFormatRow& row = morvane::FormatRow(options.format);
        row.severalFiles && options.destination == "-") {
      throw UsageError{"-o", "--format " + std::string(row.name) + " writes one file per track: -o - is not possible"};
    }
    if (options.format != ExportFormat::Listing && options.timecode == TimecodeMode::Frames) {
      throw UsageError{"--timecode", "frames names no frame rate; an export needs --timecode ntsc-df, ntsc-ndf or pal"};
    }
    if (!options.startText.empty()) {
      if (options.format == ExportFormat::Listing) {
        throw UsageError{"--start", "the listing prints the project's own times; --start is for the exports"};
      }
      const std::optional<std::int64_t> start = morvane::ParseTimecode(options.startText, options.timecode);
      if (!start) {
        throw UsageError{"--start", "'" + options.startText + "' is not a time of day HH:MM:SS:FF on the --timecode clock"};
      }
      options.start = *start;
    }
  } catch (const CLI::CallForHelp& request) {
    return Printed(app.exit(request));
  } catch (const CLI::CallForVersion& request) {
    return Printed(app.exit(request));
  } catch (const CLI::ArgumentMismatch& error) {
    // CLI11 names the option first: "--software: 1 required TEXT missing".
    const std::string text = error.what();
    std::fprintf(stderr, "morvane-convert: %s: needs a value\n", text.substr(0, text.find(':')).c_str());
    return 2;
  } catch (const CLI::ParseError& error) {
    std::fprintf(stderr, "morvane-convert: %s\n", error.what());
    return 2;
  } catch (const UsageError& error) {
    std::fprintf(stderr, "morvane-convert: %s: %s\n", error.what.c_str(), error.text.c_str());
    return 2;
  }

  // Each --relink folder is read once for every SOURCE: by the first export while it reads its
  // project, or here. What cannot be read is said once, with the first SOURCE's messages.
  options.trees = std::make_shared<morvane::MediaTrees>();
  for (std::string& folder : options.relinkFolders) {
    if (!options.probe) {
      folder = morvane::AbsoluteMediaFolder(folder, {});  // as each conversion links its media
    }
  }
  bool unreadableSaid = false;
  const auto sayUnreadable = [&options, &unreadableSaid] {
    for (const std::string& folder : options.relinkFolders) {
      for (const std::string& unreadable : options.trees->Tree(folder)->Unreadable()) {
        std::fprintf(stderr, "morvane-convert: %s: warning: cannot be read; skipped\n", unreadable.c_str());
      }
    }
    unreadableSaid = true;
  };

  if (options.probe) {
    sayUnreadable();
    morvane::ProbeOptions probeOptions;
    probeOptions.json = options.json;
    probeOptions.mediaDir = options.mediaFolder;
    probeOptions.relinkFolders = options.relinkFolders;
    probeOptions.trees = options.trees;
    probeOptions.timecode = options.timecode;
    if (!softwareWord.empty() && !options.softwareAuto) {
      probeOptions.software = options.software;
    }
    // A folder stands for every project in it and its subfolders.
    const std::vector<std::string> sources = morvane::ProbedSources(options.sources);
    if (options.html) {
      const bool bar = options.progress == ProgressStyle::Bar ||
                       (options.progress == ProgressStyle::Auto && morvane::IsTerminal(stderr));
      return morvane::ProbeArchive(probeOptions, sources, options.destination, bar) ? 0 : 1;
    }
    return morvane::ProbeSources(probeOptions, sources, stdout) ? 0 : 1;
  }

  bool allConverted = true;
  for (const std::string& source : options.sources) {
    allConverted = ConvertOne(options, source, unreadableSaid ? std::function<void()>{} : sayUnreadable) && allConverted;
    morvane::EndIfInterrupted();  // a request to stop that waited for the files to be put in place
  }
  return allConverted ? 0 : 1;
}

// A conversion words its own allocation failures; one anywhere else ends the run with the same
// words rather than an abort.
template <typename Run>
int OutOfMemoryGuarded(Run run) {
  try {
    return run();
  } catch (const std::bad_alloc&) {
    std::fputs("morvane-convert: not enough memory\n", stderr);
    return 1;
  }
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  return OutOfMemoryGuarded([&] { return Main(morvane::Utf8Arguments(argc, argv)); });
}
#else
int main(int argc, char** argv) {
  return OutOfMemoryGuarded([&] { return Main(std::vector<std::string>(argv, argv + argc)); });
}
#endif
