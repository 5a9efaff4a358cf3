#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "listing/short_string.h"

namespace morvane {

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
  // Writes to the open file fd (not owned, not closed).
  explicit ListingWriter(int fd);
  // Appends to a string (tests, fuzzing, benchmarks).
  explicit ListingWriter(std::string& out);
  // Counts the text and drops it: a conversion that exports the timeline instead.
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

  void WriteChar(char c) {
    if (next_ == limit_) {
      Flush();
    }
    *next_++ = c;
  }

  // "%d"
  void WriteDecimal(std::int32_t value) {
    Reserve(11);
    next_ = std::to_chars(next_, limit_, value).ptr;
  }

  // "%u"
  void WriteUnsigned(std::uint32_t value) {
    Reserve(10);
    next_ = std::to_chars(next_, limit_, value).ptr;
  }

  template <class... Pieces>
  void Write(const Pieces&... pieces) {
    (Put(pieces), ...);
  }

  // Hands the buffered text to the file (or the string).
  void Flush();

  // Bytes written so far, buffered ones included.
  std::uint64_t BytesWritten() const;

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
      Flush();
    }
  }
  void WriteLong(std::string_view text);

  int fd_ = -1;
  std::string* string_ = nullptr;
  bool discard_ = false;
  std::unique_ptr<char[]> buffer_;
  char* next_ = nullptr;
  char* limit_ = nullptr;
  std::uint64_t flushed_ = 0;
};

}  // namespace morvane
