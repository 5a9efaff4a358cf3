#pragma once

#include <cstdint>

#include "listing/listing_context.h"

namespace morvane {

// [BinWindow]: binCount bin items, one line each, shaped by the kind of the item's file name.
// Status "[BinWindow] %d / %d".
void ReadBinWindowSection(ListingContext& context, std::int32_t binCount);

}  // namespace morvane
