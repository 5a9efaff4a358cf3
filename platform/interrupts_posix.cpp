// Requests to stop on POSIX systems: SIGINT, SIGTERM and SIGHUP.

#include <signal.h>
#include <unistd.h>

#include "platform/interrupt_table.h"

namespace morvane {

namespace {

extern "C" void EndOnSignal(int signal) { EndAfterInterrupt(128 + signal); }

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  return signals;
}

// The signal mask before the hold; the mask is the thread's own.
thread_local sigset_t tBeforeHold;

}  // namespace

void RemoveNow(const char* path) { ::unlink(path); }

void WriteToStandardError(const char* text, std::size_t size) {
  if (::write(STDERR_FILENO, text, size) < 0) {
    // Nothing more can be done about a closed standard error.
  }
}

void ExitNow(int status) { ::_exit(status); }

InterruptsHeld::InterruptsHeld() {
  const sigset_t held = StopSignals();
  ::pthread_sigmask(SIG_BLOCK, &held, &tBeforeHold);
}

InterruptsHeld::~InterruptsHeld() { ::pthread_sigmask(SIG_SETMASK, &tBeforeHold, nullptr); }

void EndOnInterrupt(InterruptRequests requests) {
  struct sigaction action {};
  action.sa_handler = EndOnSignal;
  action.sa_mask = StopSignals();
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    if (signal == SIGINT && requests != InterruptRequests::Terminal) {
      continue;
    }
    // A signal ignored when the program started (nohup, a background job) stays ignored.
    struct sigaction previous {};
    if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
      continue;
    }
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace morvane
