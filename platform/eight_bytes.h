#pragma once

// Eight bytes of a text at a time in one 64-bit word, for the loops over long texts that look
// for the few bytes that need more than a copy.

#include <bit>
#include <cstdint>
#include <cstring>

namespace morvane::eight_bytes {

inline constexpr std::uint64_t kOnes = 0x0101010101010101u;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080u;

inline std::uint64_t Load(const void* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, 8);
  return word;
}

// The top bit of each byte of word below limit (at most 0x80), exactly: no byte carries into
// the next.
constexpr std::uint64_t Below(std::uint64_t word, unsigned char limit) {
  const std::uint64_t atLeast = (word & ~kHighBits) + kOnes * (0x80u - limit);
  return ~(atLeast | word) & kHighBits;
}

// The top bit of each byte of word equal to value, exactly.
constexpr std::uint64_t Equal(std::uint64_t word, unsigned char value) {
  return Below(word ^ (kOnes * value), 1);
}

// The index, in memory order, of the first byte marked in marks (top bits of bytes only, not 0).
inline int FirstMarked(std::uint64_t marks) {
  if constexpr (std::endian::native == std::endian::little) {
    return std::countr_zero(marks) / 8;
  } else {
    return std::countl_zero(marks) / 8;
  }
}

}  // namespace morvane::eight_bytes
