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

#include "cli/help_text.h"
#include "cli/probe.h"
#include "cli/say.h"
#include "cli/terminal_progress.h"
#include "convert/conversion_job.h"
#include "convert/layout_fit.h"
#include "convert/media_folder.h"
#include "convert/messages.h"
#include "convert/version.h"
#include "edl/timecode.h"
#include "listing/ascii_case.h"
#include "listing/media_finder.h"
#include "platform/catalog.h"
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

// The formats' extensions as ".txt, .otio, ...", from the skip-th format on.
std::string FormatExtensions(std::size_t skip = 0) {
  std::string text;
  for (const morvane::ExportFormatRow& row : morvane::ExportFormats().subspan(skip)) {
    text.append(text.empty() ? "" : ", ").append(row.extension);
  }
  return text;
}

// The formats' descriptions from the skip-th on as a list in the reader's language:
// "A, B or C".
std::string FormatDescriptions(std::size_t skip) {
  const auto rows = morvane::ExportFormats().subspan(skip);
  std::string text(morvane::Tr(rows.back().description));
  for (std::size_t i = rows.size() - 1; i-- > 0;) {
    const std::string_view item = morvane::Tr(rows[i].description);
    text = i + 2 == rows.size()
               // TRANSLATORS: the last two items of a list, as in "A, B or C".
               ? morvane::Fill(morvane::Tr("{1} or {2}"), {item, text})
               // TRANSLATORS: an item of a list and the items after it, as in "A, B or C".
               : morvane::Fill(morvane::Tr("{1}, {2}"), {item, text});
  }
  return text;
}

// Prints --help or --version to standard output; the status: 1 when it could not be written.
int Printed(std::string_view text) {
  if (!morvane::WriteText(stdout, text) || std::fflush(stdout) != 0 || std::ferror(stdout)) {
    morvane::Diagnose("-", morvane::Tr(morvane::kWriteFailed), morvane::IoFailureReason());
    return 1;
  }
  return 0;
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
                            std::string("morvane-convert: ") + source + ": " +
                            std::string(morvane::Tr("interrupted")) + "\n");
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
    morvane::Diagnose(source, morvane::CommandLineMessage(outcome), outcome.reason);
  } else if (!options.quiet) {
    morvane::Say(morvane::OutcomeMessage(outcome) + "\n");
  }
  for (const morvane::StaleTemporary& stale : outcome.staleTemporaries) {
    morvane::Warn(source, morvane::StaleTemporaryWarning(stale));
  }
  if (outcome.completed()) {
    for (const std::string& change : morvane::ExportWarnings(outcome)) {
      morvane::Warn(source, change);
    }
  }
  for (const std::string_view warning :
       {morvane::CommandLineWarning(outcome, options.softwareAuto), morvane::NoFitWarning(outcome)}) {
    if (!warning.empty()) {
      morvane::Warn(source, warning);
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
  throw UsageError{std::string(option), morvane::Fill(morvane::Tr("'{1}' is not one of {2}"), {given, listed})};
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

// A parse error of CLI11 in the usage errors' form, in the reader's language.
std::string ParseErrorText(const CLI::ParseError& error) {
  using morvane::Tr;
  const std::string what = error.what();
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    // CLI11 names the option first: "--software: 1 required TEXT missing", or for one given
    // twice "--output: At Most 1 required but received 2".
    const bool repeated = what.find(": At Most ") != std::string::npos;
    return "morvane-convert: " + what.substr(0, what.find(':')) + ": " +
           std::string(repeated ? Tr("may be given only once") : Tr("needs a value")) + "\n";
  }
  // A flag given a value that is no yes or no: "Could not convert: --force = maybe".
  constexpr std::string_view kNotConverted = "Could not convert: ";
  if (const std::size_t equals = what.find(" = ");
      dynamic_cast<const CLI::ConversionError*>(&error) != nullptr && what.starts_with(kNotConverted) &&
      equals != std::string::npos) {
    return "morvane-convert: " +
           morvane::Fill(Tr("Could not convert: {1} = {2}"),
                         {std::string_view(what).substr(kNotConverted.size(), equals - kNotConverted.size()),
                          std::string_view(what).substr(equals + 3)}) +
           "\n";
  }
  return "morvane-convert: " + what + "\n";  // none that the options above can give
}

int Main(std::vector<std::string> arguments) {
  // A closed pipe behind `-o -` is a write error to report, not a reason to die silently.
  morvane::PrepareConsole();
  morvane::EndOnInterrupt(morvane::InterruptRequests::Terminal);

  Options options;
  using morvane::Fill;
  using morvane::Tr;
  const auto text = [](std::string_view translated) { return std::string(translated); };
  CLI::App app{text(Tr("Converts RexEdit 2.91 and EzEdit 2.5 (EZDV II) project files (.dvc) to a text\n"
                       "listing of every section followed by an edit decision list.")),
               "morvane-convert"};
  app.formatter(std::make_shared<morvane::HelpFormatter>(morvane::WrapsHelp()));
  // TRANSLATORS: the heading of --help over the options.
  app.option_defaults()->group(text(Tr("Options")));
  app.set_help_flag("-h,--help", text(Tr("Print this help message and exit")));
  // The same options on every system: a path such as /tmp/a.dvc is never a Windows-style /option.
  app.allow_windows_style_options(false);
  // Unknown options are reported in the usage errors' form below.
  app.allow_extras();
  app.set_version_flag("--version",
                       std::string("morvane-convert ") + morvane::version::kDisplayVersion + " (" +
                           morvane::version::kNumericVersion + ")",
                       text(Tr("Display program version information and exit")));
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
                 text(Tr("the editor that wrote the projects (default rexedit); auto takes the one whose "
                         "layout fits each project")))
      ->type_name("rexedit|ezedit|auto");
  app.add_option("--timecode", timecodeWord, text(Tr("EDL timecodes (default ntsc-df)")))
      ->type_name(WordList(std::span<const Word<TimecodeMode>>(timecode)));
  app.add_option("--format", formatWord,
                 // TRANSLATORS: {1} is the listing's description, {2} a list of the exports'.
                 Fill(Tr("what to write: {1} (default), or the edit as {2}; a format's extension names it "
                         "too (txt, edl, xml)"),
                      {Tr(morvane::ExportFormats().front().description), FormatDescriptions(1)}))
      ->type_name(WordList(std::span<const Word<ExportFormat>>(formats)));
  app.add_option("--media-dir", options.mediaFolder,
                 text(Tr("where the exports look for the clips' media files (default: each project's folder)")))
      ->type_name("DIR");
  app.add_option("--relink", options.relinkFolders,
                 text(Tr("where media files missing from the media folder are looked for next, DIR and all its "
                         "subfolders: by name, by name in another case, else by another extension (repeatable)")))
      ->type_name("DIR")
      ->allow_extra_args(false);  // one DIR each time: the words after it are SOURCEs
  app.add_option("--start", options.startText,
                 text(Tr("the record time of the edit's first frame in the exports (default 00:00:00:00; "
                         "01:00:00:00 is the usual choice), on the --timecode clock")))
      ->type_name("TC");
  app.add_option("--progress", progressWord,
                 text(Tr("progress on stderr: a redrawn bar, one plain line per status, or none; auto is "
                         "bar on a terminal and none otherwise")))
      ->type_name(WordList(std::span<const Word<ProgressStyle>>(progress)));
  CLI::Option* output = app.add_option("-o,--output", options.destination,
                                       text(Tr("destination file ('-' for standard output); only with one "
                                               "SOURCE; replaces an existing file")))
                            ->type_name("DEST");
  app.add_flag("--force", options.force,
               // TRANSLATORS: {1} is the listing's extension (.txt), {2} the exports' (.otio, .edl...).
               Fill(Tr("replace existing SOURCE{1} ({2}) files (without -o), and existing further files of an "
                       "export of several files"),
                    {morvane::ExportFormats().front().extension, FormatExtensions(1)}));
  app.add_flag("-q,--quiet", options.quiet, text(Tr("print nothing but failures")));
  app.add_flag("--probe", options.probe,
               text(Tr("convert nothing; print what each project holds and which media it uses")));
  app.add_flag("--json", options.json, text(Tr("print one JSON object per line (with --probe)")));
  app.add_flag("--html", options.html,
               text(Tr("write one web page for every SOURCE to standard output or -o FILE (with --probe); "
                       "a folder given as SOURCE is read for .dvc files with its subfolders")));
  app.add_option("SOURCE", options.sources,
                 // TRANSLATORS: {1} is the list of the formats' extensions (.txt, .otio...).
                 Fill(Tr("project files; each becomes SOURCE with the format's extension ({1}) in place of .dvc"),
                      {FormatExtensions()}));

  try {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
      argv.push_back(argument.data());
    }
    app.parse(static_cast<int>(argv.size()), argv.data());
    if (!app.remaining().empty()) {
      throw UsageError{app.remaining().front(), text(Tr("no such option (--help lists them)"))};
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
      throw UsageError{"SOURCE", text(Tr("no project file given (--help tells how to call morvane-convert)"))};
    }
    if (output->count() > 0 && options.destination.empty()) {
      throw UsageError{"-o", text(Tr("the destination is empty; name a file, or - for standard output"))};
    }
    if (options.json && !options.probe) {
      throw UsageError{"--json", text(Tr("only with --probe"))};
    }
    if (options.html && (!options.probe || options.json)) {
      throw UsageError{"--html", text(Tr("only with --probe, and not with --json"))};
    }
    if (!options.destination.empty() && options.sources.size() > 1 && !options.html) {
      throw UsageError{"-o", text(Tr("-o takes one SOURCE only; without -o each SOURCE gets its own file beside it"))};
    }
    if (const morvane::ExportFormatRow& row = morvane::FormatRow(options.format);
        row.severalFiles && options.destination == "-") {
      throw UsageError{"-o", Fill(Tr("--format {1} writes one file per track: -o - is not possible"), {row.name})};
    }
    if (options.format != ExportFormat::Listing && options.timecode == TimecodeMode::Frames) {
      throw UsageError{"--timecode",
                       text(Tr("frames names no frame rate; an export needs --timecode ntsc-df, ntsc-ndf or pal"))};
    }
    if (!options.startText.empty()) {
      if (options.format == ExportFormat::Listing) {
        throw UsageError{"--start",
                         text(Tr("the listing prints the project's own times; --start is for the exports"))};
      }
      const std::optional<std::int64_t> start = morvane::ParseTimecode(options.startText, options.timecode);
      if (!start) {
        throw UsageError{"--start", Fill(Tr("'{1}' is not a time of day HH:MM:SS:FF on the --timecode clock"),
                                         {options.startText})};
      }
      options.start = *start;
    }
  } catch (const CLI::CallForHelp&) {
    return Printed(app.help());
  } catch (const CLI::CallForVersion& request) {
    return Printed(std::string(request.what()) + "\n");
  } catch (const CLI::ParseError& error) {
    morvane::Say(ParseErrorText(error));
    return 2;
  } catch (const UsageError& error) {
    morvane::Diagnose(error.what, error.text);
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
        morvane::Warn(unreadable, morvane::Tr(morvane::kUnreadableSkipped));
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
    morvane::Say("morvane-convert: " + std::string(morvane::Tr(morvane::kOutOfMemory)) + "\n");
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
