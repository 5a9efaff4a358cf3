#include "edl/edl_table.h"

namespace morvane {

// Not written yet.
void ApplyHalfSpeed(ClipTables&) {}
void WriteEdl(ListingContext&, const ClipTables&) {}

}  // namespace morvane
