#pragma once

// What each system gives the file layer. platform/file_access.cpp keeps the order of the steps,
// the bookkeeping of the destinations and the rollback, and reaches the system only through the
// calls below; file_access_posix.cpp and file_access_windows.cpp implement them. Used inside
// platform/ only.
//
// Paths arrive as UTF-8 and are kept in the system's own form (NativePath: bytes on POSIX,
// UTF-16 on Windows). Failures set reason as platform/file_access.h describes.

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "platform/file_access.h"
#include "platform/file_io.h"

namespace morvane {

using NativePath = std::filesystem::path::string_type;

// The system's: why the CloseDescriptor that just failed failed.
std::string CloseFailureReason();

// An open file the layer owns, closed when destroyed: a POSIX descriptor, or on Windows a C
// runtime descriptor in binary mode that owns its handle.
class OwnedFile {
 public:
  OwnedFile() = default;
  explicit OwnedFile(int fd) : fd_(fd) {}
  OwnedFile(OwnedFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  OwnedFile& operator=(OwnedFile&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~OwnedFile() { Close(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // False, with reason set when given, when the system reports an error only now (a delayed
  // write error).
  bool Close(std::string* reason = nullptr) {
    if (fd_ < 0 || CloseDescriptor(std::exchange(fd_, -1))) {
      return true;
    }
    if (reason != nullptr) {
      *reason = CloseFailureReason();
    }
    return false;
  }

 private:
  int fd_ = -1;
};

// Which file an open file is: device and inode, or volume serial number and file index.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool known = false;

  bool operator==(const FileIdentity& other) const {
    return known && other.known && volume == other.volume && index == other.index;
  }
};

struct SourceFile::State {
  OwnedFile file;
  FileIdentity identity;
};

struct DestinationFiles::Entry {
  int borrowed = -1;         // an open descriptor given by the caller, written directly
  OwnedFile direct;          // a destination that is not a regular file, written directly
  OwnedFile locked;          // the existing regular destination, held while it is replaced
  OwnedFile temporary;       // where the text of a regular destination goes
  NativePath target;         // the file to replace (symbolic links followed)
  NativePath folder;         // its folder, where the system needs it (unnamed files, flushing)
  NativePath temporaryPath;  // the temporary's name, once it has one
  NativePath oldPath;        // the old text, kept aside until every destination is in place
  int slot = -1;             // its place in the table of names a request to stop removes
  bool existed = false;      // the destination existed before
  bool placed = false;       // the temporary replaced the destination
};

// ".NAME.morvane-XXXXXX" beside target, with six random letters and digits (portable).
NativePath TemporaryName(const NativePath& target);

// ---- The system's ----------------------------------------------------------------------------

// Opens path (UTF-8) into state as SourceFile::Open describes.
bool OpenSource(const std::string& path, SourceFile::State& state, std::string& reason);

// Looks at path (UTF-8) and readies entry for it, as DestinationFiles::Add describes: an empty
// path, a folder or the source itself is refused; anything but a regular file is opened into
// entry.direct; for a regular file entry.target (and entry.folder) is set and, when it exists,
// it is opened and locked into entry.locked (entry.existed).
bool OpenDestination(const std::string& path, const FileIdentity& source, DestinationFiles::Entry& entry,
                     std::string& reason);

enum class Creation { Created, Exists, Unsupported, Failed };

// A new file without a name in folder (Linux O_TMPFILE): Unsupported where the system or its
// file system has none; Failed with reason for a missing folder or one that takes no new file.
Creation CreateUnnamedFile(const NativePath& folder, OwnedFile& file, std::string& reason);
// A new file named path: Exists (with reason) when the name is taken.
Creation CreateNewFile(const NativePath& path, OwnedFile& file, std::string& reason);
// Gives a file made by CreateUnnamedFile the name path: Exists (with reason) when it is taken.
Creation NameUnnamedFile(const OwnedFile& file, const NativePath& path, std::string& reason);

// The new text takes over the permissions of the file it replaces (entry.locked), and its owner
// where the process may set it, where replacing does not keep them anyway.
void TakeOverPermissions(DestinationFiles::Entry& entry);
// Flushes the file's data to the disk.
bool FlushFile(const OwnedFile& file, std::string& reason);
// Puts entry.temporaryPath in place of entry.target. With keepOld, where the system can, the
// old text goes to entry.oldPath instead of away, so that PutBack can restore it. False with
// reason when it fails; the target is then as it was.
bool Publish(DestinationFiles::Entry& entry, bool keepOld, std::string& reason);
// Puts the old text at entry.oldPath back in place of the new one, and clears oldPath. Should
// that fail, the old text stays under that name rather than being lost.
void PutBack(DestinationFiles::Entry& entry);
// Best effort: a file that cannot be removed is left.
void RemoveFile(const NativePath& path);
// Flushes the folder, so that the renames in it last (best effort; nothing where the system
// writes renames through).
void FlushFolder(const NativePath& folder);

}  // namespace morvane
