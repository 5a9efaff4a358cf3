// Requests to stop on Windows: the console's Ctrl+C, Ctrl+Break and closing, and the session
// ending. The console's control handler runs on a thread of its own.

#include <windows.h>

#include "platform/interrupt_table.h"

namespace morvane {

namespace {

// Held while destinations are put in place, so that a request to stop lands before or after.
SRWLOCK gPlacing = SRWLOCK_INIT;
InterruptRequests gRequests = InterruptRequests::Terminal;

BOOL WINAPI EndOnControlEvent(DWORD request) {
  // Exit statuses as a POSIX shell reports the matching signals.
  int status;
  switch (request) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      if (gRequests != InterruptRequests::Terminal) {
        return FALSE;
      }
      status = 130;  // SIGINT
      break;
    case CTRL_CLOSE_EVENT:
      status = 129;  // SIGHUP
      break;
    default:
      status = 143;  // SIGTERM: the session ends
      break;
  }
  if (!TryAcquireSRWLockExclusive(&gPlacing)) {
    if (status == 130 && CommitUnderWay()) {
      // Files are being put in place: the conversion finishes and reports, then ends.
      DeferInterrupt(status);
      return TRUE;
    }
    // The console closing or the session ending ends the process when this returns: wait.
    AcquireSRWLockExclusive(&gPlacing);
  }
  EndAfterInterrupt(status);
  return TRUE;
}

}  // namespace

void RemoveNow(const wchar_t* path) { DeleteFileW(path); }

void WriteToStandardError(const char* text, std::size_t size) {
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0, mode = 0;
  // To a console as UTF-16, as every message (WriteText): the note is at most 512 bytes.
  wchar_t wide[512];
  const int length = GetConsoleMode(error, &mode)
                         ? MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(size), wide, 512)
                         : 0;
  if (length > 0) {
    WriteConsoleW(error, wide, static_cast<DWORD>(length), &written, nullptr);
  } else {
    WriteFile(error, text, static_cast<DWORD>(size), &written, nullptr);
  }
}

void ExitNow(int status) { TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status)); }

void HoldInterrupts() { AcquireSRWLockExclusive(&gPlacing); }

void ReleaseInterrupts(bool) { ReleaseSRWLockExclusive(&gPlacing); }

void EndAtSessionEnd() {
  AcquireSRWLockExclusive(&gPlacing);
  EndAfterInterrupt(143);
}

void EndOnInterrupt(InterruptRequests requests) {
  gRequests = requests;
  RememberRequests(requests);
  SetConsoleCtrlHandler(EndOnControlEvent, TRUE);
}

}  // namespace morvane
