#include "listing/media_names.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "listing/ascii_case.h"
#include "platform/utf8_path.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

bool IsMediaFile(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  return !error && fs::exists(status) && !fs::is_directory(status);
}

}  // namespace

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
  const fs::path folder = Utf8Path(folderUtf8);
  // '/' between the parts on every platform, so that a path reads the same everywhere.
  const auto text = [](const fs::path& path) {
    const std::u8string generic = path.generic_u8string();
    return std::string(generic.begin(), generic.end());
  };
  // The name as the folder spells it, also where the file system ignores case (Windows): an
  // exact match first, else one that differs in ASCII case only.
  std::optional<fs::path> match;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !name.empty() && !error && it != end; it.increment(error)) {
    const std::string entry = Utf8Text(it->path().filename());
    if (EqualsIgnoringAsciiCase(entry, name) && IsMediaFile(it->path())) {
      match = it->path();
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
