#include <iconv.h>

#include <cerrno>
#include <memory>

#include "platform/shift_jis.h"

namespace morvane {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

}  // namespace

std::string DecodeShiftJis(std::string_view bytes) {
  std::string text;
  const iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // No converter on this system: keep ASCII, mark everything else as undecodable.
    for (const char c : bytes) {
      if (static_cast<unsigned char>(c) < 0x80) {
        text += c;
      } else {
        text += kReplacement;
      }
    }
    return text;
  }
  const std::unique_ptr<void, IconvCloser> closer(cd);
  // iconv's API takes a non-const input pointer but does not write through it.
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char out[256];
  while (inLeft > 0) {
    char* outNext = out;
    std::size_t outLeft = sizeof out;
    const std::size_t done = iconv(cd, &in, &inLeft, &outNext, &outLeft);
    const int error = errno;
    text.append(out, static_cast<std::size_t>(outNext - out));
    if (done == static_cast<std::size_t>(-1) && error != E2BIG) {
      // EILSEQ (invalid) or EINVAL (cut off at the end): this byte becomes U+FFFD.
      text += kReplacement;
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return text;
}

}  // namespace morvane
