#pragma once

// Requests to stop a program that converts (Ctrl+C, the terminal or the session ending): they
// end it at once, removing the temporary files of every conversion under way, so that each
// destination stays as it was.

#include <string_view>

namespace morvane {

// Which requests to stop end a program that converts.
enum class InterruptRequests {
  // The command line: SIGINT (Ctrl+C), SIGTERM, SIGHUP; on Windows Ctrl+C, Ctrl+Break and the
  // console closing.
  Terminal,
  // A windowed program: SIGTERM and SIGHUP (a desktop session ending); on Windows the session
  // ending.
  Session,
};

// From now on, a request to stop ends the process at once: the temporary files of every
// conversion under way are removed (destinations stay as they were), the note set by
// SetInterruptNote is written to standard error, and the process exits with 128 + the signal's
// number (SIGINT 130, SIGTERM 143, SIGHUP 129), as shells expect. A signal that was ignored when
// the program started (nohup, a background job) stays ignored.
//
// Once a conversion has begun to put its files in place, it finishes: a request that comes then
// waits. With Terminal requests the program reports the true outcome and then calls
// EndIfInterrupted; with Session requests the process ends as soon as the files are in place.
void EndOnInterrupt(InterruptRequests requests);

// The text written to standard error when a request to stop ends the process (written as
// given, so include the line end; a longer text than 512 bytes is shortened, keeping its line
// end). Empty writes nothing.
void SetInterruptNote(std::string_view note);

// Ends the process, without the note, with the status of a request to stop that waited for a
// conversion's files to be put in place; nothing when none did.
void EndIfInterrupted();

#ifdef _WIN32
// For a windowed program that Windows tells the session ends (WM_ENDSESSION): ends the process
// as a request to stop does (status 143), once files being put in place are, so that no
// temporary is left.
void EndAtSessionEnd();
#endif

}  // namespace morvane
