// Names in the file system through std::filesystem, the same on every system.

#include "platform/file_system.h"

#include <filesystem>
#include <set>
#include <system_error>
#include <tuple>
#include <type_traits>
#include <vector>

#include "platform/file_primitives.h"
#include "platform/utf8_path.h"

namespace morvane {

namespace fs = std::filesystem;

bool PathExists(std::string_view utf8) {
  std::error_code error;
  return fs::exists(fs::symlink_status(Utf8Path(utf8), error));
}

PathKind KindOf(std::string_view utf8) {
  std::error_code error;
  const fs::file_status status = fs::status(Utf8Path(utf8), error);
  if (error || !fs::exists(status)) {
    return PathKind::Missing;
  }
  return fs::is_directory(status) ? PathKind::Folder : PathKind::File;
}

std::vector<std::string> FolderNames(std::string_view folderUtf8) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(Utf8Path(folderUtf8), error), end; !error && it != end;
       it.increment(error)) {
    names.push_back(Utf8Text(it->path().filename()));
  }
  return names;
}

namespace {
// A name of the native path type as UTF-8: as it is on POSIX, from UTF-16 on Windows.
template <class Native>
std::string NameText(const Native& name) {
  if constexpr (std::is_same_v<Native, std::string>) {
    return name;
  } else {
    return Utf8Text(fs::path(name));
  }
}
}  // namespace

FolderTree FilesUnder(std::string_view folderUtf8) {
  FolderTree tree;
  // The folders read so far, by identity: a link to one of them is not followed again. A folder
  // whose identity the system does not tell is read unless a link leads to it (only links loop).
  std::set<std::tuple<std::uint64_t, std::uint64_t, std::uint64_t>> seen;
  const auto firstVisit = [&seen](const fs::path& folder, bool link) {
    const FileIdentity id = IdentityOfPath(folder.native());
    return id.known ? seen.emplace(id.volume, id.index, id.high).second : !link;
  };
  struct Pending {
    fs::path folder;
    std::string relative;  // "" for the folder given
  };
  std::vector<Pending> pending{{Utf8Path(folderUtf8), ""}};
  firstVisit(pending.front().folder, false);
  std::vector<ListedEntry> entries;
  while (!pending.empty()) {
    const Pending at = std::move(pending.back());
    pending.pop_back();
    entries.clear();
    const bool complete = ListFolder(at.folder.native(), entries);
    for (ListedEntry& entry : entries) {
      std::string name = NameText(entry.name);
      std::string relative = at.relative.empty() ? std::move(name) : at.relative + "/" + name;
      bool folder = entry.kind == ListedEntry::Kind::Folder;
      if (entry.kind == ListedEntry::Kind::Link) {  // what it leads to, if anything
        std::error_code error;
        const fs::file_status status = fs::status(at.folder / entry.name, error);
        if (error || !fs::exists(status)) {
          continue;  // dangling
        }
        folder = fs::is_directory(status);
      }
      if (!folder) {
        tree.files.push_back(std::move(relative));
      } else if (const fs::path path = at.folder / entry.name; firstVisit(path, entry.kind == ListedEntry::Kind::Link)) {
        pending.push_back({path, std::move(relative)});
      }
    }
    if (!complete) {
      const std::string root(folderUtf8);
      tree.unreadable.push_back(at.relative.empty() ? root : root + "/" + at.relative);
    }
  }
  return tree;
}

std::optional<std::string> AbsolutePath(std::string_view utf8) {
  std::error_code error;
  const fs::path absolute = fs::absolute(Utf8Path(utf8), error);
  if (error) {
    return std::nullopt;
  }
  return Utf8Text(absolute);
}

}  // namespace morvane
