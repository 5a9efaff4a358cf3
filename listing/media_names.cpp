#include "listing/media_names.h"

#include <filesystem>
#include <optional>

#include "listing/ascii_case.h"
#include "platform/file_system.h"
#include "platform/utf8_path.h"

namespace morvane {

std::string MediaBaseName(std::string_view utf8Name) {
  const std::size_t slash = utf8Name.find_last_of("\\/");
  if (slash != std::string_view::npos) {
    utf8Name.remove_prefix(slash + 1);
  } else if (utf8Name.size() >= 2 && utf8Name[1] == ':' &&
             ((utf8Name[0] >= 'A' && utf8Name[0] <= 'Z') || (utf8Name[0] >= 'a' && utf8Name[0] <= 'z'))) {
    utf8Name.remove_prefix(2);
  }
  return std::string(utf8Name);
}

MediaLocation LocateMedia(const std::string& folderUtf8, std::string_view utf8Name) {
  const std::string name = MediaBaseName(utf8Name);
  const std::filesystem::path folder = Utf8Path(folderUtf8);
  // '/' between the parts on every platform, so that a path reads the same everywhere.
  const auto text = [](const std::filesystem::path& path) {
    const std::u8string generic = path.generic_u8string();
    return std::string(generic.begin(), generic.end());
  };
  // The name as the folder spells it, also where the file system ignores case (Windows): an
  // exact match first, else one that differs in ASCII case only. Folders are no media.
  std::optional<std::filesystem::path> match;
  for (const std::string& entry : name.empty() ? std::vector<std::string>() : FolderNames(folderUtf8)) {
    const std::filesystem::path path = folder / Utf8Path(entry);
    if (EqualsIgnoringAsciiCase(entry, name) && KindOf(Utf8Text(path)) == PathKind::File) {
      match = path;
      if (entry == name) {
        break;
      }
    }
  }
  if (match) {
    return {text(*match), true};
  }
  return {text(folder / Utf8Path(name)), false};
}

}  // namespace morvane
