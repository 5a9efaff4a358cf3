#pragma once

// The requests to stop inside platform/: the table of temporary files they remove, the note
// they write and the hold while files are put in place. interrupts.cpp keeps the table and the
// note; interrupts_posix.cpp and interrupts_windows.cpp catch the requests and supply the calls
// below that are marked as the system's.

#include <cstddef>
#include <filesystem>

#include "platform/interrupts.h"

namespace morvane {

// Puts path in the table of names a request to stop removes, whatever their number. Returns its
// slot, or -1 when there is no memory left for it (the file is then left behind should the
// process be stopped).
int RegisterTemporary(const std::filesystem::path::string_type& path);
// Takes the slot's name out of the table (nothing for -1) and sets slot to -1.
void UnregisterTemporary(int& slot);

// Removes every name in the table, writes the note and exits with status. Safe in a signal
// handler: it only reads lock-free flags and plain characters and makes system calls.
void EndAfterInterrupt(int status);

// A request to stop that came while files were put in place: its exit status is kept, to end the
// process once the outcome is reported (EndIfInterrupted). Safe in a signal handler.
void DeferInterrupt(int status);
// Whether files are being put in place now (a request to stop then waits), for the handlers of
// every thread.
bool CommitUnderWay();

// The system's, each safe in a signal handler.
void RemoveNow(const std::filesystem::path::value_type* path);
void WriteToStandardError(const char* text, std::size_t size);
void ExitNow(int status);

// Holds back the requests to stop while a group of files is put in place, so that a request
// lands before or after it, never in the middle. With commit, the files of a conversion: a
// request that came meanwhile is kept for EndIfInterrupted (command line), or with windowed
// requests ends the process when the hold ends; the commit's outcome is true either way. Not to
// be nested. The system's, but for what the commit hold keeps (interrupts.cpp).
class InterruptsHeld {
 public:
  explicit InterruptsHeld(bool commit = false);
  ~InterruptsHeld();
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

 private:
  bool commit_;
};

// The system's part of a hold: what InterruptsHeld's constructor and destructor call. The end
// takes the requests that came during a commit hold and gives DeferInterrupt their status.
void HoldInterrupts();
void ReleaseInterrupts(bool commit);

// Called by EndOnInterrupt: which requests the program takes, for what a commit hold does.
void RememberRequests(InterruptRequests requests);

}  // namespace morvane
