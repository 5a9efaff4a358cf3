#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "listing/short_string.h"
#include "platform/write_behind.h"

namespace morvane {

// Writes "%u" of value at p and returns the end; p needs room for 10 bytes. Two digits at a
// time from a table of the hundred pairs "00" to "99", back to front from the last digit
// (bench/number_bench compares it with std::to_chars).
inline char* FormatUnsigned(char* p, std::uint32_t value) {
  if (value < 10) {
    *p = static_cast<char>('0' + value);
    return p + 1;
  }
  static constexpr std::uint32_t kPowers[10] = {1,      10,      100,      1000,      10000,
                                                100000, 1000000, 10000000, 100000000, 1000000000};
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  // floor(log10(value)) or one less, from the bit length (1233 / 4096 ~ log10(2)).
  const int guess = (32 - std::countl_zero(value)) * 1233 >> 12;
  const int digits = guess + (value >= kPowers[guess] ? 1 : 0);
  char* const end = p + digits;
  char* q = end;
  // Four digits at a time: the two pairs of each group come from one remainder, so the chain
  // of divisions is half as long as pair by pair.
  while (value >= 10000) {
    const std::uint32_t group = value % 10000;
    value /= 10000;
    q -= 4;
    std::memcpy(q, kPairs + 2 * (group / 100), 2);
    std::memcpy(q + 2, kPairs + 2 * (group % 100), 2);
  }
  if (value >= 100) {
    q -= 2;
    std::memcpy(q, kPairs + 2 * (value % 100), 2);
    value /= 100;
  }
  if (value >= 10) {
    std::memcpy(q - 2, kPairs + 2 * value, 2);
  } else {
    q[-1] = static_cast<char>('0' + value);
  }
  return end;
}

// Writes "%d" of value at p and returns the end; p needs room for 11 bytes.
inline char* FormatDecimal(char* p, std::int32_t value) {
  auto magnitude = static_cast<std::uint32_t>(value);
  if (value < 0) {
    *p++ = '-';
    magnitude = 0u - magnitude;  // INT32_MIN's magnitude too, in unsigned arithmetic
  }
  return FormatUnsigned(p, magnitude);
}

// Copies text to p; returns its end. For a stretch of room that ListingWriter::Claim gave.
inline char* PutText(char* p, std::string_view text) {
  std::memcpy(p, text.data(), text.size());
  return p + text.size();
}

// Appends the text of a conversion to the destination, bytes exactly as given: no line-end
// translation, no character-set conversion. Buffered; Flush() hands everything to the file and
// throws ConversionError(WriteError) when the platform fails to take it.
//
// Write() takes the pieces of one printf-style format in order, typed so that each prints as
// its conversion would: std::int32_t as "%d", std::uint32_t as "%u", a ShortString or
// std::string_view as "%s" of its text, a char as itself. So
//   out.Write(name, ",in=", in, ",out=", out);
// writes what "%s,in=%d,out=%d" gives.
class ListingWriter {
 public:
  // A file's buffers: a large listing is handed to the file's thread a few times rather than
  // dozens, each hand-over waking it (64 KiB made a large listing a tenth slower), and the two
  // buffers' pages still take little to touch (1 MiB was slower again). A string's or a
  // discarded text's buffer, made for many small texts too, is smaller.
  static constexpr std::size_t kFileBufferSize = 256 * 1024;
  static constexpr std::size_t kBufferSize = 64 * 1024;

  // Writes to the open file fd (not owned, not closed): each full buffer on a thread of its own
  // while the next fills (platform/write_behind.h), the last one when flushed.
  explicit ListingWriter(int fd);
  // Appends to a string (tests, fuzzing, benchmarks).
  explicit ListingWriter(std::string& out);
  // Drops the text: a conversion that exports the timeline instead. The sections then read
  // their fields without formatting them (Discards()).
  struct Discard {};
  explicit ListingWriter(Discard);
  ~ListingWriter();
  ListingWriter(const ListingWriter&) = delete;
  ListingWriter& operator=(const ListingWriter&) = delete;

  void WriteText(std::string_view text) {
    if (text.empty()) {
      return;  // a default string_view has no data, and memcpy from null is undefined
    }
    if (text.size() <= static_cast<std::size_t>(limit_ - next_)) {
      std::memcpy(next_, text.data(), text.size());
      next_ += text.size();
      return;
    }
    WriteLong(text);
  }

  // n spaces (an indentation): 64 copied at a time where the buffer has room for them and
  // only n counted, so that a short run of varying length takes a few stores of a size known
  // here, not a copy loop with its start-up cost.
  void WriteSpaces(std::size_t n) {
    static constexpr std::size_t kBlock = 64;
    static constexpr char kSpaces[kBlock + 1] = "                                                                ";
    static_assert(sizeof kSpaces == kBlock + 1 && kSpaces[kBlock - 1] == ' ');
    while (n > 0) {
      const std::size_t part = std::min(n, kBlock);
      if (static_cast<std::size_t>(limit_ - next_) >= kBlock) {
        std::memcpy(next_, kSpaces, kBlock);
        next_ += part;
      } else {
        WriteText(std::string_view(kSpaces, part));
      }
      n -= part;
    }
  }

  void WriteChar(char c) {
    if (next_ == limit_) {
      Drain();
    }
    *next_++ = c;
  }

  // "%d"
  void WriteDecimal(std::int32_t value) {
    Reserve(11);
    next_ = FormatDecimal(next_, value);
  }

  // "%u"
  void WriteUnsigned(std::uint32_t value) {
    Reserve(10);
    next_ = FormatUnsigned(next_, value);
  }

  // For a run of pieces with one check of the room: Claim(n) gives room for n bytes (at most
  // 32 KiB) at the returned pointer; Commit(end) keeps what was written up to end.
  //   char* p = out.Claim(2 * 11);
  //   p = FormatDecimal(p, a); *p++ = ','; p = FormatDecimal(p, b);
  //   out.Commit(p);
  char* Claim(std::size_t n) {
    Reserve(n);
    return next_;
  }
  void Commit(char* end) { next_ = end; }

  template <class... Pieces>
  void Write(const Pieces&... pieces) {
    (Put(pieces), ...);
  }

  // Hands the buffered text to the file (or the string); returns when the file has it all.
  void Flush();

  // Whether the text is dropped (Discard), so that what only formats it can be left out.
  bool Discards() const { return discard_; }

 private:
  void Put(std::string_view text) { WriteText(text); }
  void Put(const char* text) { WriteText(text); }  // up to its zero byte, as "%s"
  template <std::size_t N>
  void Put(const char (&text)[N]) { WriteText(std::string_view(text)); }
  void Put(const ShortString& text) { WriteText(text.Text()); }
  void Put(char c) { WriteChar(c); }
  void Put(std::int32_t value) { WriteDecimal(value); }
  void Put(std::uint32_t value) { WriteUnsigned(value); }
  // Any other type (64-bit integers, say) has no printf conversion here: say which one.
  template <class T>
  void Put(const T&) = delete;

  void Reserve(std::size_t n) {
    if (static_cast<std::size_t>(limit_ - next_) < n) {
      Drain();
    }
  }
  // Hands the full buffer on and goes on in an empty one: to the file's own thread, which
  // writes it while the next is filled.
  void Drain();
  void WriteLong(std::string_view text);

  std::string* string_ = nullptr;
  bool discard_ = false;
  std::unique_ptr<char[]> buffer_;
  std::unique_ptr<char[]> spare_;  // the buffer the file's thread writes, or null
  // For a file; last, so that its thread has ended before the buffers go (a conversion that
  // fails while a buffer is being written drops the writer without flushing it).
  std::unique_ptr<WriteBehind> file_;
  std::size_t size_ = kBufferSize;  // of each buffer
  char* next_ = nullptr;
  char* limit_ = nullptr;
};

}  // namespace morvane
