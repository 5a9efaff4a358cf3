#include <iconv.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/shift_jis.h"
#include "platform/shift_jis_table.h"

namespace morvane {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

struct IconvCloser {
  void operator()(void* cd) const {
    if (cd != reinterpret_cast<void*>(-1)) {
      iconv_close(static_cast<iconv_t>(cd));
    }
  }
};

// What iconv makes of size bytes that must make one character; false where they begin a
// character they do not finish (EINVAL).
bool Convert(iconv_t cd, const char* bytes, std::size_t size, Cp932Utf8& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(bytes);  // iconv does not write through it
  std::size_t inLeft = size;
  char buffer[8];
  char* next = buffer;
  std::size_t outLeft = sizeof buffer;
  if (iconv(cd, &in, &inLeft, &next, &outLeft) == static_cast<std::size_t>(-1)) {
    return errno != EINVAL;
  }
  if (inLeft == 0) {
    SetIfOneCharacter(buffer, static_cast<std::size_t>(next - buffer), out);
  }
  return true;
}

}  // namespace

std::string_view DecodeShiftJisView(std::string_view bytes) {
  // One converter for every call of a thread: opening one costs more than most names.
  thread_local const std::unique_ptr<void, IconvCloser> converter(iconv_open("UTF-8", "CP932"));
  const auto cd = static_cast<iconv_t>(converter.get());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // No converter on this system: keep ASCII, mark everything else as undecodable.
    thread_local std::string text;
    text.clear();
    for (const char c : bytes) {
      if (static_cast<unsigned char>(c) < 0x80) {
        text += c;
      } else {
        text += kReplacement;
      }
    }
    return text;
  }
  thread_local Cp932Table table(
      [cd](const char* in, std::size_t size, Cp932Utf8& out) { return Convert(cd, in, size, out); });
  return table.Decode(bytes);
}

}  // namespace morvane
