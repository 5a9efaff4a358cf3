#include "listing/media_finder.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <numeric>

#include "listing/unicode_compose.h"
#include "platform/file_system.h"

namespace morvane {
namespace {

// The name without its last extension: "clip.avi" and "clip" give "clip", ".avi" gives ".avi".
std::string_view Stem(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

// A 64-bit FNV-1a hash of a stem with ASCII case folded (the stem is composed already).
std::uint64_t StemKey(std::string_view stem) {
  std::uint64_t hash = 14695981039346656037u;
  for (const char c : stem) {
    hash = (hash ^ static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c)) * 1099511628211u;
  }
  return hash;
}

std::string_view LastPart(std::string_view path) {
  return path.substr(path.rfind('/') + 1);
}  // npos + 1 is 0

// The key a file's name is sorted by.
std::uint64_t NameKey(std::string_view name) {
  const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  // An ASCII name is its own normal form: its key is made without a copy (most names are).
  return ascii ? StemKey(Stem(name)) : StemKey(Stem(FoldAsciiCase(ComposeNfc(name))));
}

}  // namespace

MediaTree::MediaTree(std::string folderUtf8) : folder_(std::move(folderUtf8)) {
  // The keys are made by the threads that read the folders, each as soon as its folder is read.
  FolderTree tree = FilesUnder(folder_, 0, NameKey);
  paths_ = std::move(tree.files);
  unreadable_ = std::move(tree.unreadable);
  const std::vector<std::uint64_t>& keys = tree.tags;
  // Sorted by key. The keys are hashes, spread evenly: a count of their top bits puts each among
  // few others of the same bits, in the order of their paths, and only those few are sorted.
  const int bits = std::max(1, static_cast<int>(std::bit_width(keys.size())));
  std::vector<std::size_t> starts((std::size_t{1} << bits) + 1);
  for (const std::uint64_t key : keys) {
    ++starts[(key >> (64 - bits)) + 1];
  }
  std::partial_sum(starts.begin(), starts.end(), starts.begin());
  stems_.resize(keys.size());
  std::vector<std::size_t> next(starts.begin(), starts.end() - 1);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    stems_[next[keys[i] >> (64 - bits)]++] = {keys[i], i};
  }
  for (std::size_t bucket = 0; bucket + 1 < starts.size(); ++bucket) {
    if (starts[bucket + 1] - starts[bucket] > 1) {
      std::sort(stems_.begin() + static_cast<std::ptrdiff_t>(starts[bucket]),
                stems_.begin() + static_cast<std::ptrdiff_t>(starts[bucket + 1]));
    }
  }
}

void MediaTree::Find(std::string_view composedName, MediaMatch match, std::vector<std::string>& found) const {
  const std::string folded = FoldAsciiCase(composedName);
  const std::string_view stem = Stem(folded);
  const std::string at = folder_.empty() || folder_.back() == '/' ? folder_ : folder_ + "/";
  const std::uint64_t key = StemKey(stem);
  for (auto it = std::lower_bound(stems_.begin(), stems_.end(), std::pair{key, std::size_t{0}});
       it != stems_.end() && it->first == key; ++it) {
    const std::string composed = ComposeNfc(LastPart(paths_[it->second]));
    const std::string composedFolded = FoldAsciiCase(composed);
    if (Stem(composedFolded) != stem) {
      continue;  // another stem with the same key
    }
    const MediaMatch kind = composed == composedName   ? MediaMatch::Exact
                            : composedFolded == folded ? MediaMatch::Case
                                                       : MediaMatch::Extension;
    if (kind == match) {
      found.push_back(at + std::string(paths_[it->second]));
    }
  }
}

std::shared_ptr<const MediaTree> MediaTrees::Tree(const std::string& folderUtf8) {
  const std::lock_guard lock(mutex_);
  std::shared_ptr<const MediaTree>& tree = trees_[folderUtf8];
  if (!tree) {
    tree = std::make_shared<const MediaTree>(folderUtf8);
  }
  return tree;
}

MediaFinder::MediaFinder(std::string mediaFolderUtf8, std::vector<std::shared_ptr<const MediaTree>> trees)
    : folder_(std::move(mediaFolderUtf8)), trees_(std::move(trees)) {}

std::optional<FoundMedia> FindInTrees(std::string_view utf8Name, const std::vector<std::shared_ptr<const MediaTree>>& trees) {
  if (trees.empty()) {
    return std::nullopt;
  }
  const std::string name = ComposeNfc(MediaBaseName(utf8Name));
  for (const MediaMatch match : {MediaMatch::Exact, MediaMatch::Case, MediaMatch::Extension}) {
    std::vector<std::string> paths;
    for (const auto& tree : trees) {
      tree->Find(name, match, paths);
    }
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());  // trees inside trees
    if (!paths.empty()) {
      FoundMedia found{{paths.front(), true, true, match}, {}};
      found.others.assign(paths.begin() + 1, paths.end());
      return found;
    }
  }
  return std::nullopt;
}

FoundMedia MediaFinder::Find(std::string_view utf8Name) const {
  FoundMedia found{folder_.Locate(utf8Name), {}};
  if (found.location.exists || !found.location.named) {
    return found;
  }
  return FindInTrees(utf8Name, trees_).value_or(std::move(found));
}

}  // namespace morvane
