#pragma once

// The decoder behind DecodeShiftJis (shift_jis.h) on both systems: a table of what the system's
// converter makes of each byte alone and of each lead byte with each trail byte, each asked of
// it once, so that long texts are decoded by looking up rather than by a call per character.

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

namespace morvane {

// One character's UTF-8 (at most three bytes for code page 932), padded to four bytes so that
// it is copied in one store; length 0 where none.
struct Cp932Utf8 {
  unsigned char length = 0;
  char bytes[4] = {};
};

// Sets out to the size bytes when they are the UTF-8 of one character that XML can hold but for
// the controls (U+FFFE and U+FFFF it cannot; nor a surrogate): what every text decoded is made
// of, as the exports rely on. A converter gives nothing else for code page 932; were it to, the
// bytes would count as no character, and out is left as it is.
void SetIfOneCharacter(const char* bytes, std::size_t size, Cp932Utf8& out);

// What the system's converter makes of size bytes (one, or a lead byte and another) that must
// make one character: true with out set (length 0 where they make none), or false where they
// begin a character they do not finish (a lead byte alone).
using Cp932Converter = std::function<bool(const char* bytes, std::size_t size, Cp932Utf8& out)>;

// The table of one thread, with the thread's buffer for what it decodes. A lead byte's row is
// asked when it is first met: until then it is a row of kUnasked entries, which sends the
// decoder to ask.
class Cp932Table {
 public:
  explicit Cp932Table(Cp932Converter convert);
  Cp932Table(const Cp932Table&) = delete;
  Cp932Table& operator=(const Cp932Table&) = delete;

  // The text of bytes, each byte that starts no character (alone or with the next) as U+FFFD,
  // decoding going on with the next byte. It stays in the table's buffer until the next call.
  std::string_view Decode(std::string_view bytes);

 private:
  static constexpr unsigned char kUnasked = 0xFF;

  char* DecodeInto(const unsigned char* bytes, std::size_t size, char* out);
  char* Character(const unsigned char* bytes, std::size_t size, std::size_t& i, char* out);
  void AskRow(unsigned char lead);

  Cp932Converter convert_;
  bool asciiAsItself_ = true;
  std::array<Cp932Utf8, 256> single_{};       // each byte alone, U+FFFD where it makes no character
  std::array<const Cp932Utf8*, 256> rows_{};  // each lead byte's pairs; null for the other bytes
  std::array<Cp932Utf8, 256> unasked_{};      // the row of a lead byte not asked yet
  std::array<std::unique_ptr<std::array<Cp932Utf8, 256>>, 256> pairs_{};
  std::unique_ptr<char[]> kept_;   // the buffer kept from one text to the next, up to a size
  std::unique_ptr<char[]> large_;  // a larger one, until the next text
};

}  // namespace morvane
