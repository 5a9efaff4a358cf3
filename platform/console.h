#pragma once

#include <cstdio>
#include <string>
#include <vector>

// What the command line needs from the platform's console: arguments as UTF-8, standard
// streams that pass bytes through untouched, and whether a stream is a terminal.
namespace morvane {

// Readies the standard streams: no signal for a closed pipe (a write error is reported
// instead); on Windows, binary standard output and error (no line-end translation), and on a
// console UTF-8 output and the escape sequences the progress bar redraws with.
void PrepareConsole();

// True when stream is a terminal (a console on Windows) that can show the progress bar.
bool IsTerminal(std::FILE* stream);

#ifdef _WIN32
// The UTF-16 command line as UTF-8 strings.
std::vector<std::string> Utf8Arguments(int argc, wchar_t** argv);
#endif

}  // namespace morvane
