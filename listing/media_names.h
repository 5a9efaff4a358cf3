#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// Names of media files as a project holds them: Shift-JIS bytes (code page 932), often a whole
// Windows path such as "C:\DV\ソース.avi". They are decoded (platform/shift_jis.h) before they
// are shown, written as JSON or looked up; the listing itself keeps the raw bytes.

// The last part of a decoded name: "C:\DV\ソ.avi", "DV/ソ.avi" and "C:ソ.avi" all give "ソ.avi".
// '\' and '/' separate parts and a leading drive letter with its colon is dropped. Split only
// after decoding: the trail byte of "ソ" is 0x5C, the byte of '\'.
std::string MediaBaseName(std::string_view utf8Name);

// text with ASCII letters in lower case, other bytes as they are.
std::string FoldAsciiCase(std::string_view text);

// How a file found matches the name asked for: the same name, the same but for the case of ASCII
// letters, or (weaker) the same stem, ASCII case aside, with another extension. Names compare
// after Unicode composition (listing/unicode_compose.h).
enum class MediaMatch { Exact, Case, Extension };
// "exact", "case", "extension"
const char* MatchWord(MediaMatch match);

struct MediaLocation {
  std::string path;  // UTF-8 with / between parts: folder/name, also when the file is missing
  bool exists = false;
  // False for a name that cannot name a file in the folder (empty, "." or ".."): path is empty.
  bool named = true;
  MediaMatch match = MediaMatch::Exact;  // how the file found matches (when exists)
};

// The names of one media folder, read once: each lookup is then a search in memory, however
// many clips a project has and however many files the folder holds. Lookups follow LocateMedia.
class MediaIndex {
 public:
  explicit MediaIndex(std::string folderUtf8);
  MediaLocation Locate(std::string_view utf8Name) const;

 private:
  // The path of name in the folder, '/' between the parts.
  std::string Joined(std::string_view name) const;

  std::string folder_;
  std::string prefix_;  // what Joined puts before a name without ':' (one that cannot be a root)
  std::vector<std::string> names_;  // the folder's entries, sorted
  // Each entry composed (and then with ASCII letters in lower case) with its names_ index, sorted.
  std::vector<std::pair<std::string, std::size_t>> composed_, folded_;
};

// Finds the last part of utf8Name in the folder: the exact name first (the same bytes, else the
// same once composed: "か" + U+3099 finds "が"), else the one entry of the folder listing that
// equals it with ASCII letters compared case-insensitively ("clip.AVI" finds "CLIP.avi"; other
// characters compare exactly; among several such, the first in byte order). A
// missing file keeps the name as given. Folders do not count as media. The name is the one the
// folder lists, also where the file system ignores case. Never throws for a missing or unreadable
// folder. Reads the folder on each call: MediaIndex reads it once for many names.
MediaLocation LocateMedia(const std::string& folderUtf8, std::string_view utf8Name);

}  // namespace morvane
