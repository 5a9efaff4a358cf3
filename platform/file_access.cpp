// The files of a conversion, the same on every system: the order of the steps, the bookkeeping
// of the destinations, what a failure undoes and what it leaves. The system's calls are in
// file_access_posix.cpp and file_access_windows.cpp (platform/file_primitives.h).

#include <cerrno>
#include <cstring>
#include <random>
#include <utility>

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

}  // namespace

NativePath TemporaryName(const NativePath& target) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static thread_local std::minstd_rand random(std::random_device{}() ^ ProcessId());
  const std::filesystem::path path(target);
  NativePath name = std::filesystem::path(".").native() + path.filename().native() +
                    std::filesystem::path(".morvane-").native();
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

void DestinationFiles::AddDescriptor(int fd) {
  auto entry = std::make_unique<Entry>();
  entry->borrowed = fd;
  entries_.push_back(std::move(entry));
}

int DestinationFiles::Descriptor(std::size_t index) const {
  const Entry& entry = *entries_.at(index);
  if (entry.borrowed >= 0) {
    return entry.borrowed;
  }
  return entry.direct.valid() ? entry.direct.get() : entry.temporary.get();
}

bool DestinationFiles::Add(const std::string& path, std::string& reason) {
  auto entry = std::make_unique<Entry>();
  if (!OpenDestination(path, source_.state_ ? source_.state_->identity : FileIdentity{}, *entry, reason)) {
    return false;
  }
  if (!entry->direct.valid()) {
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
    reason = std::strerror(EINVAL);  // the files were put in place or discarded already
    return false;
  }
  std::size_t replacements = 0;
  // 1. Every text on the disk before any destination changes.
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
  InterruptsHeld held;
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
    if (!Publish(entry, keepOld, reason)) {
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
