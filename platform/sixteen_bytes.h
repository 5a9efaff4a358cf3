#pragma once

// Sixteen bytes of a text at a time in one SSE2 register, where the processor has the
// instructions (every x86-64), for the loops over long texts that look for the few bytes that
// need more than a copy; eight_bytes.h does the same with a 64-bit word everywhere.

#if defined(__SSE2__)
#include <emmintrin.h>

#include <bit>
#include <cstring>

namespace morvane::sixteen_bytes {

using Block = __m128i;

inline Block Load(const void* bytes) { return _mm_loadu_si128(static_cast<const Block*>(bytes)); }
inline void Store(void* bytes, Block block) { _mm_storeu_si128(static_cast<Block*>(bytes), block); }

// 0xFF in each byte of block equal to value, 0 in the others.
inline Block Equal(Block block, char value) { return _mm_cmpeq_epi8(block, _mm_set1_epi8(value)); }
// 0xFF in each byte of block from 0x00 to 0x1F (the control characters but DEL), 0 in the others.
inline Block Controls(Block block) { return _mm_cmpeq_epi8(_mm_min_epu8(block, _mm_set1_epi8(0x1F)), block); }

// Bit k set for each byte k (in memory order) whose top bit is set.
inline unsigned Marks(Block block) { return static_cast<unsigned>(_mm_movemask_epi8(block)); }

// Stores block's bytes at p but those whose bit is set in drops; returns the end. Stores sixteen
// bytes from p for each byte kept, as copies of known size (one of any size was a call to
// memcpy): p needs sixteen bytes of room whatever it keeps.
inline char* StoreDropping(char* p, Block block, unsigned drops) {
  char held[32] = {};
  Store(held, block);
  unsigned from = 0;
  for (; drops != 0; drops &= drops - 1) {
    const auto k = static_cast<unsigned>(std::countr_zero(drops));
    std::memcpy(p, held + from, 16);
    p += k - from;
    from = k + 1;
  }
  std::memcpy(p, held + from, 16);
  return p + (16 - from);
}

}  // namespace morvane::sixteen_bytes
#endif
