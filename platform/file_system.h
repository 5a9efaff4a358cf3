#pragma once

// Names in the file system: whether one exists, what it is, what a folder holds, and a path made
// absolute. Paths are UTF-8 (platform/utf8_path.h); none of these throws.

#include <cstddef>
#include <cstdint>
#include <functional>
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

// Many short texts back to back in one buffer: a list of paths without one allocation each.
class PackedTexts {
 public:
  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  std::string_view operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(text_).substr(begin, ends_[i] - begin);
  }
  void Reserve(std::size_t bytes, std::size_t count) {
    text_.reserve(bytes);
    ends_.reserve(count);
  }
  // Adds prefix + "/" + name, or name alone when prefix is empty.
  void Add(std::string_view prefix, std::string_view name) {
    if (!prefix.empty()) {
      text_.append(prefix).push_back('/');
    }
    text_.append(name);
    ends_.push_back(text_.size());
  }

 private:
  std::string text_;
  std::vector<std::size_t> ends_;
};

// Everything under a folder and its subfolders that is not a folder, read once: each folder is
// read at most once, also when symbolic links (junctions on Windows) lead to it again, so that a
// loop of links ends and each file is listed once. What cannot be read is left out and named.
// Several threads read the folders of a large tree side by side; the answer is the same as one
// thread's, reading the folders one by one, last found first.
struct FolderTree {
  // Paths relative to the folder (UTF-8, '/' between parts): each folder's files in the order
  // the system lists them, the folder given first; a dangling symbolic link is none.
  PackedTexts files;
  // When FilesUnder is given a tag: each file's tag, in the order of files.
  std::vector<std::uint64_t> tags;
  // The folders that could not be read to their end (UTF-8, the folder given, '/' and the part
  // below it), the folder itself when it is missing or no folder; those read before the error
  // are in files.
  std::vector<std::string> unreadable;
};
// workers: how many threads read folders at most, 0 for as many as the machine has cores (at
// most four). tag, when given, is called with each file's name (UTF-8, the last part of its
// path) on the thread that read its folder, right after the folder was read, so that this work
// is shared by the threads; it must be safe to call from several threads at once.
using FileTag = std::function<std::uint64_t(std::string_view name)>;
FolderTree FilesUnder(std::string_view folderUtf8, unsigned workers = 0, const FileTag& tag = {});

// utf8 made absolute against the current folder; nothing when the system cannot tell it.
std::optional<std::string> AbsolutePath(std::string_view utf8);

}  // namespace morvane
