#include "listing/media_names.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <utility>

#include "listing/unicode_compose.h"
#include "platform/file_system.h"
#include "platform/utf8_path.h"

namespace morvane {

namespace {

std::string_view BaseNameView(std::string_view utf8Name) {
  // A loop of our own: find_last_of searches its set of two for each character, a call each.
  std::size_t start = utf8Name.size();
  while (start > 0 && utf8Name[start - 1] != '\\' && utf8Name[start - 1] != '/') {
    --start;
  }
  if (start > 0) {
    utf8Name.remove_prefix(start);
  } else if (utf8Name.size() >= 2 && utf8Name[1] == ':' &&
             ((utf8Name[0] >= 'A' && utf8Name[0] <= 'Z') || (utf8Name[0] >= 'a' && utf8Name[0] <= 'z'))) {
    utf8Name.remove_prefix(2);
  }
  return utf8Name;
}

char FoldAsciiChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string MediaBaseName(std::string_view utf8Name) { return std::string(BaseNameView(utf8Name)); }

const char* MatchWord(MediaMatch match) {
  return match == MediaMatch::Exact ? "exact" : match == MediaMatch::Case ? "case" : "extension";
}

std::string FoldAsciiCase(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), FoldAsciiChar);
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

std::string MediaIndex::Joined(std::string_view name) const {
  return name.find(':') == std::string_view::npos ? prefix_ + std::string(name)
                                                  : GenericText(Utf8Path(folder_) / Utf8Path(std::string(name)));
}

MediaLocation MediaIndex::Locate(std::string_view utf8Name) const {
  // Looked up without copies: a lookup was a twentieth of a large project's CMX export.
  const std::string_view name = BaseNameView(utf8Name);
  if (name.empty() || name == "." || name == "..") {
    return {"", false, false};
  }
  const auto isFile = [&](const std::string& entry) {
    return KindOf(Utf8Text(Utf8Path(folder_) / Utf8Path(entry))) == PathKind::File;
  };
  // The name as the folder spells it, also where the file system ignores case (Windows): an
  // exact match first, else one that differs in ASCII case only. Folders are no media.
  if (std::binary_search(names_.begin(), names_.end(), name, std::less<>{}) && isFile(std::string(name))) {
    return {Joined(name), true};
  }
  const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  const std::string composedText = ascii ? std::string() : ComposeNfc(name);
  const std::string_view composed = ascii ? name : std::string_view(composedText);  // ASCII is composed
  // The folded keys compare with the name folded as it is read.
  const auto less = [](std::string_view key, std::string_view text) {
    return std::lexicographical_compare(key.begin(), key.end(), text.begin(), text.end(),
                                        [](char a, char b) { return static_cast<unsigned char>(a) < static_cast<unsigned char>(b); });
  };
  const auto foldedLess = [](std::string_view key, std::string_view text) {
    return std::lexicographical_compare(key.begin(), key.end(), text.begin(), text.end(), [](char a, char b) {
      return static_cast<unsigned char>(a) < static_cast<unsigned char>(FoldAsciiChar(b));
    });
  };
  const auto foldedEqual = [](std::string_view key, std::string_view text) {
    return std::equal(key.begin(), key.end(), text.begin(), text.end(),
                      [](char a, char b) { return a == FoldAsciiChar(b); });
  };
  const auto find = [&](const std::vector<std::pair<std::string, std::size_t>>& keys, auto keyLess, auto keyEqual,
                        MediaMatch match) -> std::optional<MediaLocation> {
    for (auto it = std::lower_bound(keys.begin(), keys.end(), composed,
                                    [&](const auto& entry, std::string_view text) { return keyLess(entry.first, text); });
         it != keys.end() && keyEqual(it->first, composed); ++it) {
      if (isFile(names_[it->second])) {
        return MediaLocation{Joined(names_[it->second]), true, true, match};
      }
    }
    return std::nullopt;
  };
  if (std::optional<MediaLocation> found =
          find(composed_, less, [](std::string_view a, std::string_view b) { return a == b; }, MediaMatch::Exact)) {
    return *found;
  }
  if (std::optional<MediaLocation> found = find(folded_, foldedLess, foldedEqual, MediaMatch::Case)) {
    return *found;
  }
  return {Joined(name), false};
}

MediaLocation LocateMedia(const std::string& folderUtf8, std::string_view utf8Name) {
  return MediaIndex(folderUtf8).Locate(utf8Name);
}

}  // namespace morvane
