#pragma once

#include <array>
#include <cstring>
#include <string_view>

namespace morvane {

// A string field of the project file (a length byte L, then L bytes with no terminator), held
// as the editors held it: up to 255 bytes and a terminating zero in 256 bytes. Clip names,
// effect names and transitions of the clip tables use the same buffer.
//
// The bytes are kept as read (Shift-JIS in practice). Text() ends at the first zero byte, as
// C's "%s" does, so a name "ab\0cd" lists and compares as "ab".
class ShortString {
 public:
  static constexpr std::size_t kCapacity = 256;

  ShortString() = default;
  explicit ShortString(std::string_view text) { Assign(text); }

  std::string_view Text() const { return std::string_view(bytes_.data(), std::strlen(bytes_.data())); }
  bool Empty() const { return bytes_[0] == '\0'; }

  // Keeps at most 255 bytes of text.
  void Assign(std::string_view text) {
    const std::size_t n = text.size() < kCapacity - 1 ? text.size() : kCapacity - 1;
    std::memcpy(bytes_.data(), text.data(), n);
    bytes_[n] = '\0';
  }

  // The raw buffer, for SourceReader::ReadChars; it keeps byte 255 zero.
  char* Buffer() { return bytes_.data(); }

 private:
  std::array<char, kCapacity> bytes_{};
};

}  // namespace morvane
