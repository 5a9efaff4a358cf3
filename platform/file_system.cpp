// Names in the file system through std::filesystem, the same on every system.

#include "platform/file_system.h"

#include <filesystem>
#include <system_error>

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

std::optional<std::string> AbsolutePath(std::string_view utf8) {
  std::error_code error;
  const fs::path absolute = fs::absolute(Utf8Path(utf8), error);
  if (error) {
    return std::nullopt;
  }
  return Utf8Text(absolute);
}

}  // namespace morvane
