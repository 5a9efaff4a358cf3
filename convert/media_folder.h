#pragma once

#include <string>

namespace morvane {

// Where a project's media files are looked up (UTF-8): the folder given (--media-dir), else the
// project's own folder, "." for a project named without one. Relative stays relative, so that
// --probe shows the paths as they were given.
std::string MediaFolder(const std::string& given, const std::string& sourcePath);

// MediaFolder made absolute against the current folder, normalized, with '/' between its parts,
// as the exports link their media; as given when the current folder cannot be told.
std::string AbsoluteMediaFolder(const std::string& given, const std::string& sourcePath);

}  // namespace morvane
