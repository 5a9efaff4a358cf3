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

}  // namespace morvane
