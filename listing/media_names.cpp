#include "listing/media_names.h"

#include <algorithm>
#include <filesystem>
#include <tuple>
#include <utility>

#include "listing/unicode_compose.h"
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

const char* MatchWord(MediaMatch match) {
  return match == MediaMatch::Exact ? "exact" : match == MediaMatch::Case ? "case" : "extension";
}

std::string FoldAsciiCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return folded;
}

namespace {

// '/' between the parts on every platform, so that a path reads the same everywhere.
std::string GenericText(const std::filesystem::path& path) {
  const std::u8string generic = path.generic_u8string();
  return std::string(generic.begin(), generic.end());
}

}  // namespace

MediaIndex::MediaIndex(std::string folderUtf8) : folder_(std::move(folderUtf8)), names_(FolderNames(folder_)) {
  // The folder's part of every path, made once: a path made for each clip was a tenth of a
  // large project's CMX export.
  prefix_ = GenericText(Utf8Path(folder_) / Utf8Path("x"));
  prefix_.pop_back();
  std::sort(names_.begin(), names_.end());
  for (std::size_t i = 0; i < names_.size(); ++i) {
    composed_.emplace_back(ComposeNfc(names_[i]), i);
    folded_.emplace_back(FoldAsciiCase(composed_.back().first), i);
  }
  std::sort(composed_.begin(), composed_.end());
  std::sort(folded_.begin(), folded_.end());
}

std::string MediaIndex::Joined(const std::string& name) const {
  return name.find(':') == std::string::npos ? prefix_ + name : GenericText(Utf8Path(folder_) / Utf8Path(name));
}

MediaLocation MediaIndex::Locate(std::string_view utf8Name) const {
  const std::string name = MediaBaseName(utf8Name);
  if (name.empty() || name == "." || name == "..") {
    return {"", false, false};
  }
  const auto isFile = [&](const std::string& entry) {
    return KindOf(Utf8Text(Utf8Path(folder_) / Utf8Path(entry))) == PathKind::File;
  };
  // The name as the folder spells it, also where the file system ignores case (Windows): an
  // exact match first, else one that differs in ASCII case only. Folders are no media.
  if (std::binary_search(names_.begin(), names_.end(), name) && isFile(name)) {
    return {Joined(name), true};
  }
  const std::string composed = ComposeNfc(name);
  for (const auto& [keys, key, match] : {std::tuple{&composed_, composed, MediaMatch::Exact},
                                         std::tuple{&folded_, FoldAsciiCase(composed), MediaMatch::Case}}) {
    for (auto it = std::lower_bound(keys->begin(), keys->end(), std::pair{key, std::size_t{0}});
         it != keys->end() && it->first == key; ++it) {
      if (isFile(names_[it->second])) {
        return {Joined(names_[it->second]), true, true, match};
      }
    }
  }
  return {Joined(name), false};
}

MediaLocation LocateMedia(const std::string& folderUtf8, std::string_view utf8Name) {
  return MediaIndex(folderUtf8).Locate(utf8Name);
}

}  // namespace morvane
