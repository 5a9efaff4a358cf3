#pragma once

// Names in the file system: whether one exists, what it is, what a folder holds, and a path made
// absolute. Paths are UTF-8 (platform/utf8_path.h); none of these throws.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// True when something, even a dangling symbolic link, has this name.
bool PathExists(std::string_view utf8);

// What a name is once symbolic links are followed: nothing (also a dangling link, or a name the
// system cannot look at), a folder, or any other file (a regular file, a device, a pipe).
enum class PathKind { Missing, Folder, File };
PathKind KindOf(std::string_view utf8);

// The names of a folder's entries (UTF-8, without the folder), in the order the system lists
// them; those read before an error when the folder cannot be read to its end; none for a missing
// folder.
std::vector<std::string> FolderNames(std::string_view folderUtf8);

// Everything under a folder and its subfolders that is not a folder, read once: each folder is
// read at most once, also when symbolic links (junctions on Windows) lead to it again, so that a
// loop of links ends and each file is listed once. What cannot be read is left out and named.
struct FolderTree {
  // Paths relative to the folder (UTF-8, '/' between parts), in the order the system lists
  // them; a dangling symbolic link is none.
  std::vector<std::string> files;
  // The folders that could not be read to their end (UTF-8, the folder given, '/' and the part
  // below it), the folder itself when it is missing or no folder; those read before the error
  // are in files.
  std::vector<std::string> unreadable;
};
FolderTree FilesUnder(std::string_view folderUtf8);

// utf8 made absolute against the current folder; nothing when the system cannot tell it.
std::optional<std::string> AbsolutePath(std::string_view utf8);

}  // namespace morvane
