#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstring>
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

// One character's UTF-8 (at most three bytes for code page 932); length 0 where none.
struct Utf8 {
  unsigned char length = 0;
  char bytes[3] = {};
};

// What the system's converter makes of each byte alone and of each lead byte with each trail
// byte, asked once (a lead byte's row when it is first met), so that long texts are decoded by
// looking up rather than by a converter's call per character. It gives what the converter gives.
class Cp932Table {
 public:
  explicit Cp932Table(iconv_t cd) : cd_(cd) {
    for (int byte = 0; byte < 256; ++byte) {
      const char in[1] = {static_cast<char>(byte)};
      lead_[static_cast<std::size_t>(byte)] = Convert(in, 1, single_[static_cast<std::size_t>(byte)]) == EINVAL;
      const Utf8& single = single_[static_cast<std::size_t>(byte)];
      if (byte < 0x80 && (single.length != 1 || single.bytes[0] != in[0])) {
        asciiAsItself_ = false;
      }
    }
  }

  bool IsLead(unsigned char byte) const { return lead_[byte]; }
  // Whether every byte below 0x80 is the character of its own code, as code page 932 has it.
  bool AsciiAsItself() const { return asciiAsItself_; }
  const Utf8& Single(unsigned char byte) const { return single_[byte]; }

  const Utf8& Pair(unsigned char lead, unsigned char trail) {
    std::unique_ptr<std::array<Utf8, 256>>& row = pairs_[lead];
    if (!row) {
      row = std::make_unique<std::array<Utf8, 256>>();
      for (int second = 0; second < 256; ++second) {
        const char in[2] = {static_cast<char>(lead), static_cast<char>(second)};
        Convert(in, 2, (*row)[static_cast<std::size_t>(second)]);
      }
    }
    return (*row)[trail];
  }

 private:
  // Converts size bytes that must make one character; returns 0, or the converter's error
  // (EINVAL: the bytes begin a character they do not finish), with out's length 0.
  int Convert(const char* bytes, std::size_t size, Utf8& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes);  // iconv does not write through it
    std::size_t inLeft = size;
    char buffer[8];
    char* next = buffer;
    std::size_t outLeft = sizeof buffer;
    if (iconv(cd_, &in, &inLeft, &next, &outLeft) == static_cast<std::size_t>(-1)) {
      return errno;
    }
    const auto length = static_cast<std::size_t>(next - buffer);
    if (inLeft == 0 && length >= 1 && length <= 3) {
      out.length = static_cast<unsigned char>(length);
      std::copy(buffer, buffer + length, out.bytes);
    }
    return 0;
  }

  iconv_t cd_;
  std::array<bool, 256> lead_{};
  bool asciiAsItself_ = true;
  std::array<Utf8, 256> single_{};
  std::array<std::unique_ptr<std::array<Utf8, 256>>, 256> pairs_{};
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
  thread_local Cp932Table table(cd);
  // A character of one or two bytes takes at most three, as does U+FFFD for one byte. Decoded
  // into a buffer that is not cleared first and kept for the thread's next text (up to a size),
  // then copied once: a profile of text-heavy titles had the clearing of a string three times
  // as long high, and the copy of each character byte by byte.
  constexpr std::size_t kKept = 256 * 1024;
  thread_local std::unique_ptr<char[]> kept;
  thread_local std::size_t keptSize = 0;
  std::unique_ptr<char[]> large;
  const std::size_t needed = 3 * bytes.size();
  char* buffer = nullptr;
  if (needed > kKept) {
    large = std::make_unique_for_overwrite<char[]>(needed);
    buffer = large.get();
  } else {
    if (keptSize < needed) {
      kept = std::make_unique_for_overwrite<char[]>(kKept);
      keptSize = kKept;
    }
    buffer = kept.get();
  }
  char* out = buffer;
  // Each character's three bytes are copied whatever its length, which is then taken: every
  // character so far took at most three bytes per byte read, so three more fit.
  const auto put = [&out](const char* utf8, std::size_t length) {
    std::memcpy(out, utf8, 3);
    out += length;
  };
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80 && table.AsciiAsItself()) {
      *out++ = static_cast<char>(byte);
      ++i;
      continue;
    }
    if (table.IsLead(byte) && i + 1 < bytes.size()) {
      const Utf8& pair = table.Pair(byte, static_cast<unsigned char>(bytes[i + 1]));
      if (pair.length != 0) {
        put(pair.bytes, pair.length);
        i += 2;
        continue;
      }
    }
    // A character alone, or U+FFFD for a byte that starts none (a lead byte without a trail
    // byte that completes it among them); decoding goes on with the next byte.
    const Utf8& single = table.Single(byte);
    if (single.length != 0) {
      put(single.bytes, single.length);
    } else {
      put(kReplacement.data(), kReplacement.size());
    }
    ++i;
  }
  text.assign(buffer, static_cast<std::size_t>(out - buffer));
  return text;
}

}  // namespace morvane
