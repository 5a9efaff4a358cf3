#include "convert/media_folder.h"

#include <optional>

#include "platform/file_system.h"
#include "platform/utf8_path.h"

namespace morvane {

std::string MediaFolder(const std::string& given, const std::string& sourcePath) {
  if (!given.empty()) {
    return given;
  }
  const std::string folder = Utf8Text(Utf8Path(sourcePath).parent_path());
  return folder.empty() ? "." : folder;
}

std::string AbsoluteMediaFolder(const std::string& given, const std::string& sourcePath) {
  const std::string folder = MediaFolder(given, sourcePath);
  const std::optional<std::string> absolute = AbsolutePath(folder);
  const std::u8string text =
      (absolute ? Utf8Path(*absolute).lexically_normal() : Utf8Path(folder)).generic_u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace morvane
