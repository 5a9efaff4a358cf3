#pragma once

// Sixteen bytes of a text at a time in one SSE2 register, where the processor has the
// instructions (every x86-64), for the loops over long texts that look for the few bytes that
// need more than a copy; eight_bytes.h does the same with a 64-bit word everywhere.

#if defined(__SSE2__)
#include <emmintrin.h>

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

}  // namespace morvane::sixteen_bytes
#endif
