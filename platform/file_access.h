#pragma once

// The files of one conversion, and what the system must do for them. The conversion job uses
// only this. platform/file_access.cpp keeps the order of the steps and the all-or-none
// bookkeeping, the same on every system; file_access_posix.cpp and file_access_windows.cpp
// supply the system's calls (platform/file_primitives.h).
//
// Failures report the operating system's reason as a short text ("Permission denied", "No such
// file or directory"): strerror on POSIX, the system message on Windows without its final full
// stop and line end. Where no system call failed, the reason is one of the texts below.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/catalog.h"

namespace morvane {

// Reasons of our own, in English as the system's are compared; shown through Tr.
// Another conversion (on Windows: any other program) holds the file.
inline constexpr std::string_view kReasonInUse = TrNoop("in use by another program");
// The destination is the source itself: the same path, a symbolic or a hard link to it.
inline constexpr std::string_view kReasonSameFile = TrNoop("it is the source file");

// The source of a conversion, open for exclusive binary reading.
class SourceFile {
 public:
  SourceFile();
  SourceFile(SourceFile&&) noexcept;
  SourceFile& operator=(SourceFile&&) noexcept;
  ~SourceFile();  // closes it

  // Opens path for reading in binary mode, exclusively: no other conversion may hold the file
  // (POSIX: a whole-file flock taken without waiting; Windows: share mode 0) and none can open
  // it while this one does. An empty path or a folder is refused. False with reason set when
  // it cannot be opened.
  bool Open(const std::string& path, std::string& reason);

  // The descriptor the file is read through (platform/file_io.h): a POSIX descriptor, or a C
  // runtime one in binary mode on Windows. Owned by this object; -1 when not open.
  int Descriptor() const;

  void Close();

  struct State;  // the platform's handle and the file's identity, for the same-file check

 private:
  friend class DestinationFiles;
  std::unique_ptr<State> state_;
};

// A temporary of this program's naming found beside a destination, left by a conversion that
// was killed (SIGKILL, a power cut) where the system has no unnamed files: removed when it was
// last written more than a day ago and no conversion holds it (on a network file system a lock
// may be local to one machine, hence the age).
struct StaleTemporary {
  std::string path;  // UTF-8
  bool removed = false;
};

// The destinations of one conversion: one file, or several (an export writes several files
// from one project). Each regular destination is written to a temporary file in its own folder
// and nothing replaces any destination until Commit, which puts all of them in place after all
// of them were written. Until then, and after any failure, every destination is exactly as it
// was, and a destination that did not exist does not appear.
//
// For each path given to Add:
// - Empty path, a folder, a missing folder, no permission to write the destination: refused.
// - The source itself (same path, a symbolic or a hard link; compared by file identity, not by
//   name: device and inode, or volume serial and file index): refused with kReasonSameFile, and
//   the source is neither opened for writing nor changed.
// - An existing regular file: opened for writing without truncating, and locked against other
//   conversions (POSIX: flock without waiting; Windows: denying others reading and writing but
//   sharing delete, so that it can still be replaced), refused with kReasonInUse when held.
//   A symbolic link is followed: the file it points to is replaced, the link stays; a dangling
//   one is refused. The new file keeps the old one's permissions, extended attributes and
//   access lists where the file system takes them (and owner, where the process may set it).
// - A regular file that does not exist yet: nothing is created or locked before Commit (there
//   is nothing to protect; the file appears when it is put in place), with the default
//   permissions of a new file.
// - The text goes to a temporary file in the destination's folder, so that it can replace the
//   destination by a rename. Where the platform has unnamed temporary files (Linux O_TMPFILE)
//   the temporary has no name until Commit, so that a killed process leaves nothing; elsewhere
//   it is a hidden file ".NAME.morvane-XXXXXX" beside the destination (NAME shortened where the
//   whole would be longer than a name may be), locked against other conversions. A folder that
//   takes no new file is refused (writing the destination in place could lose its old text).
//   The folder is looked into for temporaries left by killed conversions (StaleTemporary).
// - Anything that is not a regular file (a pipe, a terminal, a device such as /dev/null) is
//   opened for writing and written directly, without lock or temporary; a pipe that nobody
//   reads is refused ("No such device or address") rather than waited for.
class DestinationFiles {
 public:
  // source must stay open while destinations are added (for the same-file check).
  explicit DestinationFiles(const SourceFile& source);
  DestinationFiles(const DestinationFiles&) = delete;
  DestinationFiles& operator=(const DestinationFiles&) = delete;
  // Discards whatever was not put in place: the temporaries go, the destinations stay as they
  // were, the locks are released.
  ~DestinationFiles();

  // Opens path as the next destination (index size() - 1). False with reason set when it
  // cannot be opened; the destinations added before stay usable.
  // With keepExisting, a destination that did not exist and appears before Commit (another
  // program, another conversion) is kept: Commit then fails and TakenMeanwhile names it.
  bool Add(const std::string& path, std::string& reason, bool keepExisting = false);
  // Adds an open descriptor (standard output): written directly, neither locked nor closed.
  // The source itself (standard output redirected onto it) is refused with kReasonSameFile.
  bool AddDescriptor(int fd, std::string& reason);

  // The stale temporaries found in the folders of the destinations added so far.
  const std::vector<StaleTemporary>& StaleTemporaries() const;

  std::size_t size() const;
  // The descriptor the text of destination index is written to (platform/file_io.h; a C
  // runtime descriptor in binary mode on Windows).
  int Descriptor(std::size_t index) const;

  // Puts every destination in place, all or none:
  // 1. flushes every temporary to the disk (fdatasync; FlushFileBuffers) and closes the direct
  //    destinations, checking each for errors;
  // 2. gives each unnamed temporary its name, closes every temporary (checking for errors),
  //    then replaces each destination by its temporary (rename; ReplaceFileW or MoveFileExW
  //    with write-through), keeping the destinations' permissions;
  // 3. removes the old texts kept aside, flushes each folder (fsync of the folder, where the
  //    system has it; best effort, as the new text is in place by then) and releases the locks.
  // Requests to stop (platform/interrupts.h) wait while steps 2 and 3 run. Should step 1 fail,
  // nothing was replaced; should one replacement in step 2 fail, those made before it are
  // undone in reverse order: with several destinations each old text stays aside until all
  // are in place (Linux exchanges the files, Windows replaces with a backup; where the system
  // cannot, the old text first gets a second name, a hard link or a rename). No temporary
  // remains either way. False
  // with reason set on failure. Call it once: a second call is refused ("Invalid argument") and
  // changes nothing.
  bool Commit(std::string& reason);
  // After a failed Commit: the destination that was kept because it appeared meanwhile (see
  // Add's keepExisting); nothing when the commit failed otherwise.
  std::optional<std::size_t> TakenMeanwhile() const;

  struct Entry;

 private:
  void Discard();
  void LookForStaleTemporaries(const std::filesystem::path::string_type& target);

  const SourceFile& source_;
  std::vector<std::unique_ptr<Entry>> entries_;
  bool finished_ = false;
  std::optional<std::size_t> taken_;
  std::vector<StaleTemporary> stale_;
  std::vector<std::filesystem::path::string_type> looked_;  // the folders looked into
};

}  // namespace morvane
