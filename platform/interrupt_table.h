#pragma once

// The requests to stop inside platform/: the table of temporary files they remove, the note
// they write and the hold while files are put in place. interrupts.cpp keeps the table and the
// note; interrupts_posix.cpp and interrupts_windows.cpp catch the requests and supply the calls
// below that are marked as the system's.

#include <cstddef>
#include <filesystem>

#include "platform/interrupts.h"

namespace morvane {

// Puts path in the table of names a request to stop removes. Returns its slot, or -1 when the
// table is full or the path too long (the file is then left behind should the process be
// stopped).
int RegisterTemporary(const std::filesystem::path::string_type& path);
// Takes the slot's name out of the table (nothing for -1) and sets slot to -1.
void UnregisterTemporary(int& slot);

// Removes every name in the table, writes the note and exits with status. Safe in a signal
// handler: it only reads lock-free flags and plain characters and makes system calls.
void EndAfterInterrupt(int status);

// The system's, each safe in a signal handler.
void RemoveNow(const std::filesystem::path::value_type* path);
void WriteToStandardError(const char* text, std::size_t size);
void ExitNow(int status);

// The system's: holds back the requests to stop while a group of files is put in place, so
// that a request lands before or after it, never in the middle. Not to be nested.
class InterruptsHeld {
 public:
  InterruptsHeld();
  ~InterruptsHeld();
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;
};

}  // namespace morvane
