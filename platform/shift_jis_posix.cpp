#include <iconv.h>

#include <cerrno>
#include <memory>

#include "platform/shift_jis.h"

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

}  // namespace

std::string DecodeShiftJis(std::string_view bytes) {
  std::string text;
  // One converter for every call of a thread: opening one costs more than most names.
  thread_local const std::unique_ptr<void, IconvCloser> converter(iconv_open("UTF-8", "CP932"));
  const auto cd = static_cast<iconv_t>(converter.get());
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
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // the initial state
  // Written straight into the text: a character of one or two bytes takes at most three.
  text.resize(3 * bytes.size());
  // iconv's API takes a non-const input pointer but does not write through it.
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char* outNext = text.data();
  std::size_t outLeft = text.size();
  while (inLeft > 0) {
    const std::size_t done = iconv(cd, &in, &inLeft, &outNext, &outLeft);
    const int error = errno;
    if (done != static_cast<std::size_t>(-1)) {
      continue;
    }
    if (error == E2BIG || outLeft < kReplacement.size()) {
      // Not with three bytes a byte; room all the same should a converter need more.
      const std::size_t used = static_cast<std::size_t>(outNext - text.data());
      text.resize(2 * text.size() + kReplacement.size());
      outNext = text.data() + used;
      outLeft = text.size() - used;
    }
    if (error != E2BIG) {
      // EILSEQ (invalid) or EINVAL (cut off at the end): this byte becomes U+FFFD.
      for (const char c : kReplacement) {
        *outNext++ = c;
      }
      outLeft -= kReplacement.size();
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  text.resize(static_cast<std::size_t>(outNext - text.data()));
  return text;
}

}  // namespace morvane
