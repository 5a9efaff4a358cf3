#pragma once

#include <cstddef>
#include <cstdint>

#include "testing/project_writer.h"

namespace morvane::bench {

// The two RexEdit 02.07 projects that the speed and memory benchmark converts. Both are made
// by the project-file writer and convert completely: every count is within its table, and the
// converter consumes each file to its last byte.

// Every table at its capacity: 1000 main clips (movies, stills and colour clips in turn, each
// with level points), 300 insert clips, 300 clips on each extra audio track, 999 effects with
// parameter words (every main clip but the last leads into a transition), 1000 titles with
// three text items each, a visual filter record with all three settings blocks and two filter
// lists for every main and insert clip, an audio filter record for every audio clip, and 1000
// bin items. About 2.7 MB.
testing::ProjectWriter MaximalProject();

// A title-heavy project of about targetBytes bytes (within one title, some 20 KB): one main
// clip and its filter record, then titles of 24 text items each with texts of 40 to 300
// bytes, some with quotes, backslashes and line ends to escape. With the default of 100 MB
// it holds 5,183 titles and 124,392 text items.
testing::ProjectWriter TitleHeavyProject(std::size_t targetBytes = 100'000'000);

// A text-heavy title project of about targetBytes bytes (within one title): one main clip and
// its filter record, then titles of 8 text items each, every text 1,500 bytes drawn uniformly
// (by a fixed pseudo-random sequence) from 17 bytes: the letters a to j, space, CR, LF, '"',
// '\\', 0x83 and 0x42, so that about a quarter of the bytes need escaping. Each text is
// followed by its item's numbers as in every text item.
testing::ProjectWriter TextHeavyProject(std::size_t targetBytes = 100'000'000);

// One main clip and an extra audio clip with points audio level points (10 million by default: about 60 MB): what no
// editor reads in bulk, which the exports keep only the first of.
testing::ProjectWriter LevelHeavyProject(std::int32_t points = 10'000'000);

}  // namespace morvane::bench
