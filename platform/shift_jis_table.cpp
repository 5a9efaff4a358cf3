#include "platform/shift_jis_table.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "platform/eight_bytes.h"
#include "platform/shift_jis.h"
#include "platform/sixteen_bytes.h"

namespace morvane {

void SetIfOneCharacter(const char* bytes, std::size_t size, Cp932Utf8& out) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const auto trail = [&](std::size_t k) { return (byte(k) & 0xC0) == 0x80; };
  bool one = false;
  switch (size) {
    case 1: one = byte(0) < 0x80; break;
    case 2: one = byte(0) >= 0xC2 && byte(0) <= 0xDF && trail(1); break;
    case 3: {
      if (byte(0) >= 0xE0 && byte(0) <= 0xEF && trail(1) && trail(2)) {
        const unsigned code = (byte(0) & 0x0Fu) << 12 | (byte(1) & 0x3Fu) << 6 | (byte(2) & 0x3Fu);
        one = code >= 0x800 && (code < 0xD800 || code > 0xDFFF) && code < 0xFFFE;
      }
      break;
    }
    default: break;
  }
  if (one) {
    out.length = static_cast<unsigned char>(size);
    std::memcpy(out.bytes, bytes, size);
  }
}

Cp932Table::Cp932Table(Cp932Converter convert) : convert_(std::move(convert)) {
  for (Cp932Utf8& entry : unasked_) {
    entry.length = kUnasked;
  }
  for (int byte = 0; byte < 256; ++byte) {
    const char in[1] = {static_cast<char>(byte)};
    Cp932Utf8& single = single_[static_cast<std::size_t>(byte)];
    if (!convert_(in, 1, single)) {
      rows_[static_cast<std::size_t>(byte)] = unasked_.data();
    }
    if (byte < 0x80 && (single.length != 1 || single.bytes[0] != in[0])) {
      asciiAsItself_ = false;
    }
    if (single.length == 0) {  // a byte that starts no character alone
      single = {3, {'\xEF', '\xBF', '\xBD', 0}};  // U+FFFD
    }
  }
}

std::string_view Cp932Table::Decode(std::string_view bytes) {
  // A character of one or two bytes takes at most three, as does U+FFFD for one byte. Decoded
  // into a buffer that is not cleared first and kept for the thread's next text (up to a size;
  // a larger one until the next call): a profile of text-heavy titles had the clearing of a
  // string three times as long high, and the copy of each character byte by byte.
  constexpr std::size_t kKept = 256 * 1024 + 1;
  large_.reset();
  const std::size_t needed = 3 * bytes.size() + 1;  // and one for the last four-byte store
  char* buffer = nullptr;
  if (needed > kKept) {
    large_ = std::make_unique_for_overwrite<char[]>(needed);
    buffer = large_.get();
  } else {
    if (kept_ == nullptr) {
      kept_ = std::make_unique_for_overwrite<char[]>(kKept);
    }
    buffer = kept_.get();
  }
  char* const end = DecodeInto(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), buffer);
  return std::string_view(buffer, static_cast<std::size_t>(end - buffer));
}

// Decodes the character at bytes[i] (i < size) to out: a byte, a pair, or U+FFFD for a byte
// that starts none (a lead byte without a trail byte that completes it among them), decoding
// going on with the next byte. Advances i; returns the end of the output. Always inlined: as
// a call of its own (GCC's choice), i went through memory and kanji took half as long again.
[[gnu::always_inline]] inline char* Cp932Table::Character(const unsigned char* bytes, std::size_t size, std::size_t& i,
                                                        char* out) {
  const unsigned char byte = bytes[i];
  if (byte < 0x80 && asciiAsItself_) {
    *out = static_cast<char>(byte);
    ++i;
    return out + 1;
  }
  if (rows_[byte] != nullptr && i + 1 < size) {
    if (rows_[byte][0].length == kUnasked) [[unlikely]] {
      AskRow(byte);
    }
    const Cp932Utf8& pair = rows_[byte][bytes[i + 1]];
    if (pair.length != 0) {
      std::memcpy(out, pair.bytes, 4);
      i += 2;
      return out + pair.length;
    }
  }
  const Cp932Utf8& character = single_[byte];
  std::memcpy(out, character.bytes, 4);
  ++i;
  return out + character.length;
}

// Decodes bytes[0, size) to out, which has room for 3 * size + 1 bytes; returns the end.
char* Cp932Table::DecodeInto(const unsigned char* bytes, std::size_t size, char* out) {
  std::size_t i = 0;
#if defined(__SSE2__)
  // Where the processor has the instructions for it and code page 932 has ASCII as itself,
  // 64 bytes are looked at together: the ASCII ones are copied as they are (all 64 are, and
  // the output goes on after the ASCII ones; the buffer has room for three bytes per byte),
  // the others decoded one by one, and the next byte to decode in the 64 found from the first
  // look, without a new one. A text with a kana every few words mispredicted a branch per kana
  // when it looked 16 bytes ahead, and waited at each kana for the look (looking at 64 rather
  // than 32 took a sixth off its time); a text of kanji alone waited at each character for it.
  if (asciiAsItself_) {
    while (size - i >= 128) {  // 64 to look at, and 64 more for a copy from any byte of them
      const std::size_t base = i;
      const sixteen_bytes::Block b0 = sixteen_bytes::Load(bytes + base);
      const sixteen_bytes::Block b1 = sixteen_bytes::Load(bytes + base + 16);
      const sixteen_bytes::Block b2 = sixteen_bytes::Load(bytes + base + 32);
      const sixteen_bytes::Block b3 = sixteen_bytes::Load(bytes + base + 48);
      sixteen_bytes::Store(out, b0);
      sixteen_bytes::Store(out + 16, b1);
      sixteen_bytes::Store(out + 32, b2);
      sixteen_bytes::Store(out + 48, b3);
      std::uint64_t high = std::uint64_t{sixteen_bytes::Marks(b0)} | std::uint64_t{sixteen_bytes::Marks(b1)} << 16 |
                           std::uint64_t{sixteen_bytes::Marks(b2)} << 32 | std::uint64_t{sixteen_bytes::Marks(b3)} << 48;
      if (high == 0) {
        out += 64;
        i += 64;
        continue;
      }
      for (;;) {
        const std::size_t next = base + static_cast<std::size_t>(std::countr_zero(high));
        out += next - i;  // the ASCII before it, copied with the 64 bytes from i
        i = next;
        do {
          out = Character(bytes, size, i, out);
        } while (size - i >= 2 && bytes[i] >= 0x80);
        const std::size_t done = i - base;  // the bytes decoded, which may go past the 64
        high = done >= 64 ? 0 : high >> done << done;
        if (high == 0) {
          break;  // ASCII up to the end of the 64: looked at again with the next 64
        }
        sixteen_bytes::Store(out, sixteen_bytes::Load(bytes + i));
        sixteen_bytes::Store(out + 16, sixteen_bytes::Load(bytes + i + 16));
        sixteen_bytes::Store(out + 32, sixteen_bytes::Load(bytes + i + 32));
        sixteen_bytes::Store(out + 48, sixteen_bytes::Load(bytes + i + 48));
      }
    }
  }
#endif
  while (i < size) {
    // Eight bytes at a time where code page 932 has ASCII as itself, as above: texts that mix
    // kana and ASCII have short runs of each, and a profile had a branch per byte high.
    if (asciiAsItself_ && size - i >= 8) {
      const std::uint64_t high = eight_bytes::Load(bytes + i) & eight_bytes::kHighBits;
      std::memcpy(out, bytes + i, 8);
      if (high == 0) {
        out += 8;
        i += 8;
        continue;
      }
      const auto ascii = static_cast<std::size_t>(eight_bytes::FirstMarked(high));
      out += ascii;
      i += ascii;
    }
    out = Character(bytes, size, i, out);
  }
  return out;
}

void Cp932Table::AskRow(unsigned char lead) {
  std::unique_ptr<std::array<Cp932Utf8, 256>>& row = pairs_[lead];
  row = std::make_unique<std::array<Cp932Utf8, 256>>();
  for (int second = 0; second < 256; ++second) {
    const char in[2] = {static_cast<char>(lead), static_cast<char>(second)};
    convert_(in, 2, (*row)[static_cast<std::size_t>(second)]);
  }
  rows_[lead] = row->data();
}

std::string DecodeShiftJis(std::string_view bytes) { return std::string(DecodeShiftJisView(bytes)); }

}  // namespace morvane
