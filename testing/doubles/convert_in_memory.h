#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "listing/format_kinds.h"
#include "testing/doubles/recording_progress.h"

namespace morvane::testing {

// Converts a whole project held in memory with the listing driver and returns the text it gives;
// progress, when given, receives what the run's progress sink recorded.
std::string ConvertInMemory(const std::vector<std::uint8_t>& bytes, ConversionSettings settings = {},
                            RecordingProgress* progress = nullptr);

}  // namespace morvane::testing
