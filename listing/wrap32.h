#pragma once

#include <cstdint>

namespace morvane {

// Signed 32-bit arithmetic of the file format wraps modulo 2^32, as on the 32-bit machines the
// editors ran on: out - in + 1 of in 0 and out 2147483647 is -2147483648. Computed in uint32_t
// so that C++ sees no signed overflow.
constexpr std::int32_t WrapAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

constexpr std::int32_t WrapSub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// Truncating division as C does, except that INT32_MIN / -1 (which traps on x86) gives
// INT32_MIN, the wrapped quotient.
constexpr std::int32_t WrapDiv(std::int32_t a, std::int32_t b) {
  if (b == -1) {
    return WrapSub(0, a);
  }
  return a / b;
}

}  // namespace morvane
