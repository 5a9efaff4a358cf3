// The console on Windows: binary standard streams, UTF-8 output and escape sequences on a
// console, and the UTF-16 command line.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdlib>

#include "platform/console.h"
#include "platform/utf16.h"

namespace morvane {

namespace {

UINT originalOutputCodePage = 0;

void RestoreCodePage() { SetConsoleOutputCP(originalOutputCodePage); }

// The console's mode, or nothing when handle is not a console (a file, a pipe, NUL).
bool ConsoleMode(HANDLE handle, DWORD& mode) {
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

bool virtualTerminal = false;

}  // namespace

void PrepareConsole() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (ConsoleMode(error, mode)) {
    originalOutputCodePage = GetConsoleOutputCP();
    if (originalOutputCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
      std::atexit(RestoreCodePage);
    }
    virtualTerminal =
        (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
        SetConsoleMode(error, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
}

bool IsTerminal(std::FILE* stream) {
  DWORD mode = 0;
  // A console too old for escape sequences (before Windows 10) gets no bar by default.
  return ConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), mode) && virtualTerminal;
}

std::vector<std::string> Utf8Arguments(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) {
    arguments.push_back(Utf8FromUtf16(argv[i], -1));
  }
  return arguments;
}

}  // namespace morvane
