#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/piece_thread.h"

namespace morvane {

// Writes a file's bytes on a thread of its own (PieceThread) while the caller makes the next
// ones, so that the system's part of each write (copying the bytes, finding them room on the
// disk, asking it to write them back) takes the other processor's time instead of the caller's.
// A scratch file (no write-back) has its room asked for ahead of its writes, 4 MiB at a time.
// What has been written is asked to go to the disk every 256 KiB (platform/file_io.h's
// StartWriteBack): the flush that ends a conversion then waits for the last 256 KiB and what
// the disk has not finished. Steps that doubled up to 4 MiB left a file of a few megabytes up to
// half of it to wait for, and larger files were written no faster for them.
class WriteBehind {
 public:
  // For fd (not owned, not closed); without writeBack, nothing is asked to go to the disk (a
  // scratch file, read back and then dropped).
  explicit WriteBehind(int fd, bool writeBack = true);

  // Has data[0, size) written after what was handed before, and returns as soon as the piece
  // before it is written: data must stay as it is until the next call returns. False when a
  // write has failed (from then on nothing more is written): FailureReason() says why.
  bool Hand(const char* data, std::size_t size) { return thread_.Hand(data, size); }
  // Writes data[0, size) on the calling thread, after what was handed before; returns when it
  // is written. For the last piece of a file, which another thread would only wait for.
  bool Write(const char* data, std::size_t size) { return thread_.Do(data, size); }
  // The system's reason for the write that failed ("No space left on device").
  std::string FailureReason() const { return thread_.FailureReason(); }

 private:
  // Writes one piece and asks for write-back on schedule; false with the reason when it fails.
  bool WritePiece(const char* data, std::size_t size, std::string& reason);

  int fd_;
  bool writeBack_;
  std::size_t unflushed_ = 0;   // written since write-back was last asked for
  std::uint64_t written_ = 0;   // handed to the file, and the room asked for: a scratch file's
  std::uint64_t reserved_ = 0;
  PieceThread thread_;          // last: its thread ends before the members it uses
};

}  // namespace morvane
