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
#include <string_view>
#include <utility>
#include <vector>

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
// On Windows the 128-bit file id where the file system gives one (ReFS, whose 64-bit index can
// be empty): index holds its low half, high its high half.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool known = false;
  std::uint64_t high = 0;

  bool operator==(const FileIdentity& other) const {
    return known && other.known && volume == other.volume && index == other.index && high == other.high;
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
  bool keepExisting = false; // a destination that appears meanwhile is kept, not replaced
  bool placed = false;       // the temporary replaced the destination
};

// The longest name of a folder entry the file layer writes: 255 bytes of UTF-8 (on Windows also
// at most 255 UTF-16 units), which the usual file systems take.
inline constexpr std::size_t kLongestName = 255;

// ".NAME.morvane-XXXXXX" beside target, with six random letters and digits (portable). NAME is
// shortened (never inside a character) so that the name is at most kLongestName long whenever
// the target's is.
NativePath TemporaryName(const NativePath& target);

// For tests: the system's fast calls taken as missing, as on file systems without them (NFS,
// CIFS, FUSE), so that each fallback runs. Each such call then fails as it does there.
struct MissingCalls {
  bool unnamedFiles = false;  // O_TMPFILE
  bool exchange = false;      // RENAME_EXCHANGE; on Windows ReplaceFileW with a backup
  bool noReplace = false;     // RENAME_NOREPLACE
  bool hardLinks = false;     // link
};
void SetMissingCallsForTesting(MissingCalls calls);

// ---- The system's ----------------------------------------------------------------------------

// Opens path (UTF-8) into state as SourceFile::Open describes.
bool OpenSource(const std::string& path, SourceFile::State& state, std::string& reason);

// Looks at path (UTF-8) and readies entry for it, as DestinationFiles::Add describes: an empty
// path, a folder or the source itself is refused; anything but a regular file is opened into
// entry.direct (a pipe without reader is refused); for a regular file entry.target (and
// entry.folder) is set and, when it exists, it is opened and locked into entry.locked
// (entry.existed).
bool OpenDestination(const std::string& path, const FileIdentity& source, DestinationFiles::Entry& entry,
                     std::string& reason);

// Which file the open descriptor fd is (not known when the system cannot tell).
FileIdentity IdentityOfDescriptor(int fd);
// Which file path names, symbolic links (and junctions) followed: not known when the system
// cannot tell.
FileIdentity IdentityOfPath(const NativePath& path);

// The entries of one folder as its listing gives them, nothing followed: a symbolic link (on
// Windows any reparse point: a junction too) is a Link whatever it leads to. The names are UTF-8,
// back to back in one text, so that a large folder costs no allocation per entry.
struct FolderEntries {
  enum class Kind : unsigned char { File, Folder, Link };
  struct Entry {
    std::size_t end;  // where its name ends in names; it begins where the one before ends
    Kind kind;
  };
  std::string names;
  std::vector<Entry> entries;

  void Add(Kind kind) { entries.push_back({names.size(), kind}); }  // after its name is in names
  std::string_view Name(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : entries[i - 1].end;
    return std::string_view(names).substr(begin, entries[i].end - begin);
  }
};
// Adds the entries of folder but "." and ".." to entries, in the order the system lists them;
// false when the folder cannot be read to its end (those read before the error are added).
// Sets identity to the folder's where the system tells it as it lists (POSIX).
bool ListFolder(const NativePath& folder, FolderEntries& entries, FileIdentity& identity);

enum class Creation { Created, Exists, Unsupported, Failed };

// A new file without a name in folder (Linux O_TMPFILE), locked against other conversions:
// Unsupported where the system or its file system has none; Failed with reason for a missing
// folder or one that takes no new file.
Creation CreateUnnamedFile(const NativePath& folder, OwnedFile& file, std::string& reason);
// A new file named path, locked against other conversions: Exists (with reason) when the name
// is taken.
Creation CreateNewFile(const NativePath& path, OwnedFile& file, std::string& reason);
// Gives a file made by CreateUnnamedFile the name path: Exists (with reason) when it is taken.
Creation NameUnnamedFile(const OwnedFile& file, const NativePath& path, std::string& reason);

// The new text takes over the permissions, extended attributes and access lists of the file it
// replaces (entry.locked), and its owner where the process may set it, where replacing does not
// keep them anyway. Best effort: what the file system does not take is left.
void TakeOverPermissions(DestinationFiles::Entry& entry);
// Flushes the file's data to the disk.
bool FlushFile(const OwnedFile& file, std::string& reason);

// Each of these renames leaves both names as they were when it fails (false or Failed, with
// reason).
// Renames from to to, replacing what is there.
bool MoveOver(const NativePath& from, const NativePath& to, std::string& reason);
// Renames from to to unless to exists (Exists); Unsupported where the system cannot rename so.
Creation MoveIfFree(const NativePath& from, const NativePath& to, std::string& reason);
// Gives the file from the second name to (Exists when it is taken); Unsupported where the file
// system has no hard links.
Creation LinkFile(const NativePath& from, const NativePath& to, std::string& reason);
// Puts entry.temporaryPath in place of entry.target in one step that keeps the old text under
// another name, set in entry.oldPath (Linux exchanges the two; Windows replaces with a backup);
// Unsupported, changing nothing, where the system has no such step.
Creation ReplaceKeepingOld(DestinationFiles::Entry& entry, std::string& reason);
// Puts entry.temporaryPath in place of entry.target, the old text gone.
bool Replace(DestinationFiles::Entry& entry, std::string& reason);

// Removes path, a temporary of this program's naming, if it is a regular file last written more
// than a day ago whose lock it can take (no conversion holds it); true when it did.
bool RemoveIfAbandoned(const NativePath& path);
// Best effort: a file that cannot be removed is left.
void RemoveFile(const NativePath& path);
// Flushes the folder, so that the renames in it last (best effort; nothing where the system
// writes renames through).
void FlushFolder(const NativePath& folder);

}  // namespace morvane
