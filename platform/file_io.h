#pragma once

// Reads and writes of an open file: a POSIX descriptor, or on Windows a C runtime descriptor in
// binary mode (what SourceFile and DestinationFiles give). The readers and writers above call
// these once per buffer, never per byte or field. A call the system interrupted (EINTR) is
// made again.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace morvane {

// Reads up to size bytes into buffer: the count read, 0 at the end of the file, -1 when the
// read fails.
std::ptrdiff_t ReadSome(int fd, void* buffer, std::size_t size);

// Writes all size bytes, in as many calls as the system needs; false when a write fails.
bool WriteAll(int fd, const void* data, std::size_t size);

// Asks the system to begin writing to the disk what has been written to the file so far, and
// returns without waiting: the flush that ends a conversion then waits for less. Only a hint:
// nothing is reported, and on a pipe or where the system has no such call it does nothing.
void StartWriteBack(int fd);

// Asks the system to find room on the disk now for size bytes from offset on, without changing
// the file's size, so that the writes that fill them find it taken: a file written at once in
// large steps (a scratch file) costs less to write. Only a hint, as StartWriteBack.
void ReserveRoom(int fd, std::uint64_t offset, std::uint64_t size);

// The system's reason for the read or write that has just failed ("No space left on device",
// "Broken pipe"), as platform/file_access.h words reasons.
std::string IoFailureReason();

// Moves the position n bytes on; false when the file cannot seek (a pipe) or the new position
// would not fit the system's offset.
bool SeekForward(int fd, std::uint64_t n);

// Moves the position back to the first byte; false when the file cannot seek.
bool Rewind(int fd);

// True when the position is the first byte; false when it is not or the file cannot seek.
bool AtStart(int fd);

// Moves the position to byte offset from the first; false when the file cannot seek there.
bool SeekTo(int fd, std::uint64_t offset);

// The size of a regular file; nothing for anything else (a pipe, a device) or when the system
// cannot tell.
std::optional<std::uint64_t> RegularFileSize(int fd);

// A pipe: what is written to fds[1] is read from fds[0], bytes unchanged. False when the system
// gives none. For tests of the readers on a file that cannot seek.
bool OpenPipe(int (&fds)[2]);

// A new file in the system's folder for temporary files (TMPDIR, else /tmp; on Windows the
// user's temporary folder), read and written, that no other program sees by name and that the
// system removes when it is closed or the program ends, however it ends: room for bytes too
// many to hold in memory while a conversion runs. -1 when none can be made.
int OpenScratchFile();

// Closes a descriptor the caller opened itself (a pipe's ends); false when the system reports
// an error only now.

bool CloseDescriptor(int fd);

}  // namespace morvane
