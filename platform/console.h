#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// What the command line needs from the platform's console: arguments as UTF-8, standard
// streams that pass bytes through untouched, messages that show right on a console, and whether
// a stream is a terminal.
namespace morvane {

// Readies the standard streams: no signal for a closed pipe (a write error is reported
// instead); on Windows, binary standard output and error (no line-end translation), and on a
// console UTF-8 output and the escape sequences the progress bar redraws with.
void PrepareConsole();

// True when stream is a terminal (a console on Windows) that can show the progress bar.
bool IsTerminal(std::FILE* stream);

// Writes text, UTF-8, for a person to read on stream (standard output or error). On a Windows
// console it goes as UTF-16, so that it shows right whatever the console's code page; anywhere
// else (a file, a pipe, a POSIX terminal) as its bytes, untouched. False when it could not be
// written.
bool WriteText(std::FILE* stream, std::string_view text);

#ifdef _WIN32
// The UTF-16 command line as UTF-8 strings.
std::vector<std::string> Utf8Arguments(int argc, wchar_t** argv);
#endif

}  // namespace morvane
