#pragma once

#include <cstdint>

#include "listing/listing_writer.h"
#include "listing/source_reader.h"

namespace morvane {

// ",%u" of the next u32 field: the comma-separated numbers that effects and titles list raw.
inline void ListU32(SourceReader& source, ListingWriter& out) {
  out.WriteChar(',');
  out.WriteUnsigned(static_cast<std::uint32_t>(source.ReadU32()));
}

// Drops the u32 words that a block of size bytes lists one by one (",%u" per 4 bytes, a last
// part word read whole), as a conversion that lists nothing reads them.
inline void DropWords(SourceReader& source, std::int32_t size) {
  source.Drop(size > 0 ? 4 * ((static_cast<std::uint64_t>(size) + 3) / 4) : 0);
}

// The little-endian u32 at bytes.
inline std::uint32_t U32At(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
         std::uint32_t{bytes[3]} << 24;
}

// ",%u" of each of the n u32 values at bytes, written at p; returns the end of what it wrote.
// From bytes in hand rather than through the reader, whose position every byte written would
// otherwise make the compiler load and store again.
inline char* PutU32s(char* p, const std::uint8_t* bytes, int n) {
  for (int i = 0; i < n; ++i) {
    *p++ = ',';
    p = FormatUnsigned(p, U32At(bytes + 4 * i));
  }
  return p;
}

// ",%u" of each of the next n u32 fields (n at most a few hundred), with one check of the
// writer's room for them all.
inline void ListU32s(SourceReader& source, ListingWriter& out, int n) {
  char* p = out.Claim(static_cast<std::size_t>(n) * 11);
  if (const std::uint8_t* bytes = source.Take(4 * static_cast<std::size_t>(n))) {
    out.Commit(PutU32s(p, bytes, n));
    return;
  }
  for (int i = 0; i < n; ++i) {
    *p++ = ',';
    p = FormatUnsigned(p, static_cast<std::uint32_t>(source.ReadU32()));
  }
  out.Commit(p);
}

}  // namespace morvane
