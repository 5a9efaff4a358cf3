#pragma once

// Finding a project's media where they are now: in the media folder as before, else anywhere
// under the folders given to relink with (--relink; the dialog's project folder tree).

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "listing/media_names.h"
#include "platform/file_system.h"

namespace morvane {

// Every file under one folder and its subfolders, read once (platform/file_system.h's
// FilesUnder: links to folders are not followed twice), sorted by a hash of the stem of each
// name, composed and with ASCII case folded: the files that match a name by any strength are
// those of its stem, found by one search.
class MediaTree {
 public:
  explicit MediaTree(std::string folderUtf8);

  const std::string& Folder() const { return folder_; }
  // The folders that could not be read, as platform/file_system.h's FolderTree names them.
  const std::vector<std::string>& Unreadable() const { return unreadable_; }
  std::size_t size() const { return paths_.size(); }

  // The files whose name (the part after the last '/') matches name as match says, each as
  // folder/relative path with '/' between parts, added to found.
  void Find(std::string_view composedName, MediaMatch match, std::vector<std::string>& found) const;

 private:
  std::string folder_;
  PackedTexts paths_;  // relative to folder_, as FilesUnder gives them
  std::vector<std::string> unreadable_;
  std::vector<std::pair<std::uint64_t, std::size_t>> stems_;  // each stem's hash with its paths_ index, sorted
};

// The trees of one run, each read on its first use and then shared by every project of the run.
// Safe to use from several threads.
class MediaTrees {
 public:
  std::shared_ptr<const MediaTree> Tree(const std::string& folderUtf8);

 private:
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<const MediaTree>> trees_;
};

struct FoundMedia {
  MediaLocation location;
  // The other files that match as well as the one found, in byte order of their paths (only
  // from the relinking trees).
  std::vector<std::string> others;
};

// The file named utf8Name in trees alone, as MediaFinder looks after the media folder: by the
// exact name, else by a name that differs in ASCII case, else (weaker) by the same stem with
// another extension, all trees together, the first of one strength in byte order of its whole
// path. Nothing (no location) when no tree holds it.
std::optional<FoundMedia> FindInTrees(std::string_view utf8Name, const std::vector<std::shared_ptr<const MediaTree>>& trees);

// Where a clip's media is: in the media folder (MediaIndex: the exact name, else one that differs
// in ASCII case) as always; else in the relinking trees, by the exact name, else by a name that
// differs in ASCII case, else (weaker) by the same stem with another extension, all trees
// together. Among several of one strength, the first in byte order of its whole path. A missing
// file keeps the media folder's path, as MediaIndex gives it.
class MediaFinder {
 public:
  MediaFinder(std::string mediaFolderUtf8, std::vector<std::shared_ptr<const MediaTree>> trees);
  FoundMedia Find(std::string_view utf8Name) const;

 private:
  MediaIndex folder_;
  std::vector<std::shared_ptr<const MediaTree>> trees_;
};

}  // namespace morvane
