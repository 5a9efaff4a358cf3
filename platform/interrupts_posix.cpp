// Requests to stop on POSIX systems: SIGINT, SIGTERM and SIGHUP.

#include <signal.h>
#include <unistd.h>

#include "platform/interrupt_table.h"

namespace morvane {

namespace {

extern "C" void EndOnSignal(int signal) {
  if (CommitUnderWay()) {
    DeferInterrupt(128 + signal);  // a conversion puts its files in place on another thread
    return;
  }
  EndAfterInterrupt(128 + signal);
}

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

void HoldInterrupts() {
  const sigset_t held = StopSignals();
  ::pthread_sigmask(SIG_BLOCK, &held, &tBeforeHold);
}

void ReleaseInterrupts(bool commit) {
  if (commit) {
    // The requests that came meanwhile wait for the outcome to be reported.
    const sigset_t stops = StopSignals();
    const timespec now{};
    for (int signal; (signal = ::sigtimedwait(&stops, nullptr, &now)) > 0;) {
      DeferInterrupt(128 + signal);
    }
  }
  ::pthread_sigmask(SIG_SETMASK, &tBeforeHold, nullptr);
}

void EndOnInterrupt(InterruptRequests requests) {
  RememberRequests(requests);
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
