// The console on POSIX systems: the standard streams pass bytes through already.

#include <unistd.h>

#include <csignal>

#include "platform/console.h"

namespace morvane {

void PrepareConsole() { std::signal(SIGPIPE, SIG_IGN); }

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

bool WriteText(std::FILE* stream, std::string_view text) {
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

}  // namespace morvane
