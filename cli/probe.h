#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "convert/probe_report.h"

namespace morvane {

// Converts nothing: prints to out, for each source, its ProbeReport. A source that cannot be
// read gets "morvane-convert: SOURCE: Can not open source file" on stderr; when out cannot be
// written (a full disk, a closed pipe), "morvane-convert: -: Can not write destination file
// (REASON)". True when every source was read and out written.
bool ProbeSources(const ProbeOptions& options, const std::vector<std::string>& sources, std::FILE* out);

// The sources of --probe: each folder given replaced by the .dvc files (any letter case) in it
// and its subfolders, in byte order of their paths; files and what does not exist as given.
std::vector<std::string> ProbedSources(const std::vector<std::string>& given);

// --probe --html: one page for every source (ArchivePage) to destination ("" or "-": standard
// output; a file is replaced only once the page is whole), with a bar on stderr when bar is true.
// Diagnostics as ProbeSources gives them; a source that cannot be read is also listed on the page.
// True when every source was read and the page written.
bool ProbeArchive(const ProbeOptions& options, const std::vector<std::string>& sources,
                  const std::string& destination, bool bar);

}  // namespace morvane
