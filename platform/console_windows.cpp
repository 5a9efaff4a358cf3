// The console on Windows: binary standard streams, UTF-8 output and escape sequences on a
// console, messages written to it as UTF-16, and the UTF-16 command line.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
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

bool WriteText(std::FILE* stream, std::string_view text) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (!ConsoleMode(handle, mode)) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
  }
  std::fflush(stream);  // what the stream holds was written before
  const std::wstring wide = Utf16FromUtf8(text);
  // A console takes a limited amount in one call.
  constexpr std::size_t kChunk = 8192;
  for (std::size_t at = 0; at < wide.size();) {
    std::size_t size = std::min(kChunk, wide.size() - at);
    if (size < wide.size() - at && wide[at + size - 1] >= 0xd800 && wide[at + size - 1] < 0xdc00) {
      --size;  // both halves of a surrogate pair in one call
    }
    DWORD written = 0;
    if (!WriteConsoleW(handle, wide.data() + at, static_cast<DWORD>(size), &written, nullptr) || written == 0) {
      return false;
    }
    at += written;
  }
  return true;
}

std::vector<std::string> Utf8Arguments(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) {
    arguments.push_back(Utf8FromUtf16(argv[i], -1));
  }
  return arguments;
}

}  // namespace morvane
