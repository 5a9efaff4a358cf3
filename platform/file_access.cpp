// The files of a conversion, the same on every system: the order of the steps, the bookkeeping
// of the destinations, what a failure undoes and what it leaves. The system's calls are in
// file_access_posix.cpp and file_access_windows.cpp (platform/file_primitives.h).

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <utility>

#include "platform/error_text.h"
#include "platform/file_io.h"
#include "platform/file_primitives.h"
#include "platform/interrupt_table.h"
#include "platform/process.h"

namespace morvane {

namespace {

using Entry = DestinationFiles::Entry;

// Gives the entry's temporary an unused name beside its target: creates the file under it, or
// names the unnamed one (create false), registering the name for the requests to stop.
bool NameTemporary(Entry& entry, bool create, std::string& reason) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    entry.temporaryPath = TemporaryName(entry.target);
    entry.slot = RegisterTemporary(entry.temporaryPath);
    const Creation made = create ? CreateNewFile(entry.temporaryPath, entry.temporary, reason)
                                 : NameUnnamedFile(entry.temporary, entry.temporaryPath, reason);
    if (made == Creation::Created) {
      return true;
    }
    UnregisterTemporary(entry.slot);
    entry.temporaryPath.clear();
    if (made != Creation::Exists) {
      return false;
    }
  }
  return false;  // reason says the name was taken
}

// Removes the temporary's name, if it has one, and forgets it.
void RemoveTemporaryName(Entry& entry) {
  if (!entry.temporaryPath.empty()) {
    RemoveFile(entry.temporaryPath);
    entry.temporaryPath.clear();
  }
  UnregisterTemporary(entry.slot);
}

// Without a system call that keeps the old text aside in the same step: the old text gets a
// second name first (a hard link, or where the file system has none a rename to a name taken
// for it), then the new text replaces the destination. Either way the old text survives a
// failure.
bool ReplaceKeepingOldByNames(Entry& entry, std::string& reason) {
  NativePath backup;
  bool moved = false;
  for (int attempt = 0;; ++attempt) {
    backup = TemporaryName(entry.target);
    Creation made = LinkFile(entry.target, backup, reason);
    if (made == Creation::Unsupported) {
      OwnedFile taken;
      made = CreateNewFile(backup, taken, reason);
      taken.Close();  // Windows replaces no open file
      if (made == Creation::Created && !(moved = MoveOver(entry.target, backup, reason))) {
        RemoveFile(backup);
        return false;
      }
    }
    if (made == Creation::Created) {
      break;
    }
    if (made != Creation::Exists || attempt == 100) {
      return false;
    }
  }
  // Systems that refuse to replace a file this program holds open (Windows): let it go first.
  if (!MoveOver(entry.temporaryPath, entry.target, reason) &&
      (entry.locked.Close(), !MoveOver(entry.temporaryPath, entry.target, reason))) {
    std::string ignored;
    moved ? (void)MoveOver(backup, entry.target, ignored) : RemoveFile(backup);
    return false;
  }
  entry.oldPath = std::move(backup);
  return true;
}

// Puts the entry's temporary in place of its destination. With keepOld the old text stays
// aside (entry.oldPath) so that PutBack can restore it. A destination that appeared since it was
// opened is kept when the entry says so: taken is then set.
bool Publish(Entry& entry, bool keepOld, bool& taken, std::string& reason) {
  if (!entry.existed) {
    if (!entry.keepExisting) {
      return MoveOver(entry.temporaryPath, entry.target, reason);
    }
    // Only while the name is free: a rename that does not replace, else a hard link, else the
    // name taken by a new empty file and then replaced.
    Creation placed = MoveIfFree(entry.temporaryPath, entry.target, reason);
    if (placed == Creation::Unsupported) {
      placed = LinkFile(entry.temporaryPath, entry.target, reason);
      if (placed == Creation::Created) {
        RemoveFile(entry.temporaryPath);
      }
    }
    if (placed == Creation::Unsupported) {
      OwnedFile taker;
      placed = CreateNewFile(entry.target, taker, reason);
      taker.Close();  // Windows replaces no open file
      if (placed == Creation::Created && !MoveOver(entry.temporaryPath, entry.target, reason)) {
        RemoveFile(entry.target);
        placed = Creation::Failed;
      }
    }
    taken = placed == Creation::Exists;
    return placed == Creation::Created;
  }
  if (!keepOld) {
    return Replace(entry, reason);
  }
  const Creation kept = ReplaceKeepingOld(entry, reason);
  return kept == Creation::Unsupported ? ReplaceKeepingOldByNames(entry, reason) : kept == Creation::Created;
}

// Puts the old text kept aside back in place of the new one. Should that fail, the old text
// stays under its other name rather than being lost.
void PutBack(Entry& entry) {
  std::string ignored;
  MoveOver(entry.oldPath, entry.target, ignored);
  entry.oldPath.clear();
}

// Whether name is one TemporaryName makes: ".NAME.morvane-" and six letters or digits.
bool IsTemporaryName(const NativePath& name) {
  const NativePath suffix = std::filesystem::path(".morvane-").native();
  if (name.size() < 1 + suffix.size() + 6 || name[0] != '.' ||
      name.compare(name.size() - 6 - suffix.size(), suffix.size(), suffix) != 0) {
    return false;
  }
  return std::all_of(name.end() - 6, name.end(), [](auto c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  });
}

}  // namespace

NativePath TemporaryName(const NativePath& target) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static thread_local std::minstd_rand random(std::random_device{}() ^ ProcessId());
  const std::filesystem::path path(target);
  const NativePath prefix = std::filesystem::path(".").native();
  const NativePath suffix = std::filesystem::path(".morvane-").native();
  NativePath stem = path.filename().native();
  // Counted in UTF-8 bytes also on Windows, whose names may end on a file system that counts
  // so (Wine on Linux, a network share): a UTF-16 unit is one to three bytes, half a pair two.
  const std::size_t room = kLongestName - prefix.size() - suffix.size() - 6;
  std::size_t bytes = 0, fits = 0;
  for (std::size_t i = 0; i < stem.size(); ++i) {
    const auto unit = static_cast<std::uint32_t>(stem[i]);
    // A character begins here (not a UTF-8 continuation byte, not the second half of a pair).
    const bool begins = sizeof stem[i] == 1 ? (unit & 0xC0) != 0x80 : (unit & 0xFC00) != 0xDC00;
    if (begins && bytes <= room) {
      fits = i;
    }
    bytes += sizeof stem[i] == 1 || unit < 0x80 ? 1 : unit < 0x800 || (unit & 0xF800) == 0xD800 ? 2 : 3;
  }
  if (bytes > room) {
    stem.resize(fits);
  }
  NativePath name = prefix + stem + suffix;
  for (int i = 0; i < 6; ++i) {
    name += static_cast<std::filesystem::path::value_type>(kLetters[random() % (sizeof kLetters - 1)]);
  }
  return std::filesystem::path(path).replace_filename(name).native();
}

// ---- Source ----------------------------------------------------------------------------------

SourceFile::SourceFile() = default;
SourceFile::SourceFile(SourceFile&&) noexcept = default;
SourceFile& SourceFile::operator=(SourceFile&&) noexcept = default;
SourceFile::~SourceFile() = default;

bool SourceFile::Open(const std::string& path, std::string& reason) {
  state_.reset();
  auto state = std::make_unique<State>();
  if (!OpenSource(path, *state, reason)) {
    return false;
  }
  state_ = std::move(state);
  return true;
}

int SourceFile::Descriptor() const { return state_ ? state_->file.get() : -1; }

void SourceFile::Close() { state_.reset(); }

// ---- Destinations ----------------------------------------------------------------------------

DestinationFiles::DestinationFiles(const SourceFile& source) : source_(source) {}

DestinationFiles::~DestinationFiles() { Discard(); }

std::size_t DestinationFiles::size() const { return entries_.size(); }

const std::vector<StaleTemporary>& DestinationFiles::StaleTemporaries() const { return stale_; }

void DestinationFiles::LookForStaleTemporaries(const NativePath& target) {
  const std::filesystem::path folder = std::filesystem::path(target).parent_path();
  if (std::find(looked_.begin(), looked_.end(), folder.native()) != looked_.end()) {
    return;
  }
  looked_.push_back(folder.native());
  std::error_code error;
  const std::filesystem::path from = folder.empty() ? std::filesystem::path(".") : folder;
  for (std::filesystem::directory_iterator it(from, error), end; !error && it != end; it.increment(error)) {
    const std::filesystem::path& path = it->path();
    if (IsTemporaryName(path.filename().native())) {
      const std::u8string text = path.u8string();
      stale_.push_back({std::string(text.begin(), text.end()), RemoveIfAbandoned(path.native())});
    }
  }
}

bool DestinationFiles::AddDescriptor(int fd, std::string& reason) {
  if (source_.state_ && IdentityOfDescriptor(fd) == source_.state_->identity) {
    reason = kReasonSameFile;  // standard output redirected onto the source
    return false;
  }
  auto entry = std::make_unique<Entry>();
  entry->borrowed = fd;
  entries_.push_back(std::move(entry));
  return true;
}

std::optional<std::size_t> DestinationFiles::TakenMeanwhile() const { return taken_; }

int DestinationFiles::Descriptor(std::size_t index) const {
  const Entry& entry = *entries_.at(index);
  if (entry.borrowed >= 0) {
    return entry.borrowed;
  }
  return entry.direct.valid() ? entry.direct.get() : entry.temporary.get();
}

bool DestinationFiles::Add(const std::string& path, std::string& reason, bool keepExisting) {
  auto entry = std::make_unique<Entry>();
  entry->keepExisting = keepExisting;
  if (!OpenDestination(path, source_.state_ ? source_.state_->identity : FileIdentity{}, *entry, reason)) {
    return false;
  }
  if (!entry->direct.valid()) {
    LookForStaleTemporaries(entry->target);
    // A folder that takes no new file is refused: writing the destination in place could lose
    // its old text if the conversion then failed.
    const Creation unnamed = CreateUnnamedFile(entry->folder, entry->temporary, reason);
    if (unnamed == Creation::Failed ||
        (unnamed != Creation::Created && !NameTemporary(*entry, true, reason))) {
      return false;
    }
    if (entry->existed) {
      TakeOverPermissions(*entry);
    }
  }
  entries_.push_back(std::move(entry));
  return true;
}

bool DestinationFiles::Commit(std::string& reason) {
  if (std::exchange(finished_, true)) {
    reason = ErrorText(EINVAL);  // the files were put in place or discarded already
    return false;
  }
  std::size_t replacements = 0;
  // 1. Every text on the disk before any destination changes. With several files, every one's
  // writing to the disk is started before the first flush waits: the disk takes them together,
  // and the first flush's commit of the file system's journal holds them all.
  if (entries_.size() > 1) {
    for (auto& entry : entries_) {
      if (entry->temporary.valid()) {
        StartWriteBack(entry->temporary.get());
      }
    }
  }
  for (auto& entry : entries_) {
    if ((entry->direct.valid() && !entry->direct.Close(&reason)) ||
        (entry->temporary.valid() && !FlushFile(entry->temporary, reason))) {
      Discard();
      return false;
    }
    replacements += entry->temporary.valid() ? 1 : 0;
  }

  // 2. Every temporary named, closed and put in place, with no request to stop in between.
  // With several, the old texts stay where the system can keep them, so that a failure can put
  // the earlier ones back.
  InterruptsHeld held(true);
  const bool keepOld = replacements > 1;
  bool failed = false;
  for (auto& entry : entries_) {
    if (entry->temporary.valid() &&
        ((entry->temporaryPath.empty() && !NameTemporary(*entry, false, reason)) ||
         !entry->temporary.Close(&reason))) {
      failed = true;
      break;
    }
  }
  for (std::size_t i = 0; !failed && i < entries_.size(); ++i) {
    Entry& entry = *entries_[i];
    if (entry.temporaryPath.empty()) {
      continue;
    }
    bool taken = false;
    if (!Publish(entry, keepOld, taken, reason)) {
      if (taken) {
        taken_ = i;
      }
      failed = true;
      break;
    }
    entry.placed = true;
    entry.temporaryPath.clear();
    UnregisterTemporary(entry.slot);
  }
  if (failed) {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      Entry& entry = **it;
      if (!entry.placed) {
        continue;
      }
      if (!entry.oldPath.empty()) {
        PutBack(entry);
      } else if (!entry.existed) {
        RemoveFile(entry.target);
      }
      entry.placed = false;
    }
    Discard();
    return false;
  }

  // 3. The old texts go, the folders are flushed so that the renames last, the locks go.
  for (auto& entry : entries_) {
    if (!entry->oldPath.empty()) {
      RemoveFile(entry->oldPath);
      entry->oldPath.clear();
    }
  }
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    bool flushed = !entries_[i]->placed;
    for (std::size_t j = 0; j < i && !flushed; ++j) {
      flushed = entries_[j]->placed && entries_[j]->folder == entries_[i]->folder;
    }
    if (!flushed) {
      FlushFolder(entries_[i]->folder);
    }
  }
  for (auto& entry : entries_) {
    entry->locked.Close();
  }
  return true;
}

void DestinationFiles::Discard() {
  for (auto& entry : entries_) {
    entry->temporary.Close();
    if (!entry->placed) {
      RemoveTemporaryName(*entry);
    }
    entry->direct.Close();
    entry->locked.Close();
  }
  entries_.clear();
}

}  // namespace morvane
