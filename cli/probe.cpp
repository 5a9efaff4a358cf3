#include "cli/probe.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/say.h"
#include "cli/terminal_progress.h"
#include "convert/archive_page.h"
#include "listing/ascii_case.h"
#include "platform/file_system.h"

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
      Diagnose(source, Tr(kSourceOpenFailed), reason);
      allRead = false;
      continue;
    }
    ProjectProbe probe;
    try {
      probe = ProbeProject(file.Descriptor(), options.software);
    } catch (const ConversionError& error) {
      Diagnose(source, Tr(kReadFailed), error.reason());
      allRead = false;
      continue;
    }
    const std::string report = ProbeReport(source, options, probe);
    std::fwrite(report.data(), 1, report.size(), out);
  }
  if (std::fflush(out) != 0 || std::ferror(out)) {
    Diagnose("-", Tr(kWriteFailed), IoFailureReason());
    return false;
  }
  return allRead;
}

std::vector<std::string> ProbedSources(const std::vector<std::string>& given) {
  std::vector<std::string> sources;
  for (const std::string& source : given) {
    if (KindOf(source) != PathKind::Folder) {
      sources.push_back(source);
      continue;
    }
    const std::string folder = source.ends_with('/') || source.ends_with('\\') ? source : source + "/";
    std::vector<std::string> projects;
    const FolderTree tree = FilesUnder(source);
    for (const std::string& unreadable : tree.unreadable) {  // its projects would be left out unsaid
      Warn(unreadable, Tr(kUnreadableSkipped));
    }
    for (std::size_t i = 0; i < tree.files.size(); ++i) {
      if (EndsWithIgnoringAsciiCase(tree.files[i], ".dvc")) {
        projects.push_back(folder + std::string(tree.files[i]));
      }
    }
    std::sort(projects.begin(), projects.end());
    sources.insert(sources.end(), projects.begin(), projects.end());
  }
  return sources;
}

bool ProbeArchive(const ProbeOptions& options, const std::vector<std::string>& sources,
                  const std::string& destination, bool bar) {
  bool allRead = true;
  ArchivePage page(options);
  // TRANSLATORS: the label of the progress bar while --probe --html reads the projects.
  std::unique_ptr<BarProgress> progress = bar ? std::make_unique<BarProgress>(stderr, std::string(Tr("archive"))) : nullptr;
  SourceFile anchor;  // a project: the page may not replace it
  int done = 0;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const std::string& source = sources[i];
    if (progress) {
      progress->SetStatus(source);
    }
    SourceFile file;
    std::string reason;
    if (!file.Open(source, reason)) {
      Diagnose(source, Tr(kSourceOpenFailed), reason);
      // The page reads the same in every language.
      page.AddUnread(source, std::string(kSourceOpenFailed) + " (" + reason + ")");
      allRead = false;
    } else {
      try {
        page.Add(source, file.Descriptor());
      } catch (const ConversionError& error) {
        Diagnose(source, Tr(kReadFailed), error.reason());
        page.AddUnread(source, std::string(kReadFailed) + (error.reason().empty() ? "" : " (" + error.reason() + ")"));
        allRead = false;
      }
    }
    if (anchor.Descriptor() < 0 && file.Descriptor() >= 0) {
      anchor = std::move(file);
    }
    for (const int position = static_cast<int>(200 * (i + 1) / sources.size()); progress && done < position; ++done) {
      progress->Step();
    }
  }
  if (progress) {
    progress->SetStatus("");
    progress->Finish();
  }
  std::string reason;
  DestinationFiles destinationFile(anchor);
  const bool toFile = !destination.empty() && destination != "-";
  if (toFile ? !destinationFile.Add(destination, reason) : !destinationFile.AddDescriptor(1, reason)) {
    Diagnose(toFile ? destination : "-", Tr(kDestinationOpenFailed), reason);
    return false;
  }
  try {
    ListingWriter out(destinationFile.Descriptor(0));
    page.Write(out);
    out.Flush();
    if (!destinationFile.Commit(reason)) {
      throw ConversionError(ConversionFailure::WriteError, reason);
    }
  } catch (const ConversionError& error) {
    Diagnose(toFile ? destination : "-", Tr(kWriteFailed), error.reason());
    return false;
  }
  return allRead;
}

}  // namespace morvane
