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

// ",%u" of each of the next n u32 fields (n at most a few hundred), with one check of the
// writer's room for them all.
inline void ListU32s(SourceReader& source, ListingWriter& out, int n) {
  char* p = out.Claim(static_cast<std::size_t>(n) * 11);
  for (int i = 0; i < n; ++i) {
    *p++ = ',';
    p = FormatUnsigned(p, static_cast<std::uint32_t>(source.ReadU32()));
  }
  out.Commit(p);
}

}  // namespace morvane
