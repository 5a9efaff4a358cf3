#pragma once

#include <cstdint>

#include "listing/clip_tables.h"
#include "listing/listing_context.h"

namespace morvane {

// A visual filter record, one per clip of the track, in file order:
//   six u32: first, second and third flag, slow value, fifth and sixth value;
//   first settings block (only when the first flag is exactly 1): a u32 size S that counts its
//     own 4 bytes, then S - 4 bytes (none when S <= 4);
//   second settings block (only when the second flag is 1): a u32 not used, a u32 size S, S bytes;
//   third settings block (only when the third flag is 1): a u32 size S, S bytes;
//   two filter lists, each a u32 count N and N filters { ShortString name, u32 size S, S bytes }.
// Each record is listed as three lines: "%u,%u,%u,%u,%u,%u", then each list as "," followed by
// name and "," per filter. A record without blocks or filters is 32 bytes, listed as
//   0,0,0,1,0,0
//   ,
//   ,
// and a first list with the filters A and B lists as ",A,B,". Flags other than exactly 1 (such
// as 2) mean the block is absent. Counts and sizes are unsigned 32-bit: a size of 0x80000000
// skips 2 GiB, far past the end of a project, after which every field reads as zero.
//
// [FilterMainAV] and [FilterInsertAV]: clipCount records (none when it is 0 or negative). The
// fourth value of record i becomes the slow value of entry i, also when it is 0; a record
// beyond the table's capacity is listed but stores nothing. Status "[FilterVisual] %d / %d"
// after each record; no progress steps.
void ReadVisualFilterSection(ListingContext& context, std::int32_t clipCount, MainClipTable& clips);
void ReadVisualFilterSection(ListingContext& context, std::int32_t clipCount, InsertClipTable& clips);

// An audio filter record: a u32 count N, then N filters { ShortString name, u32 size S, S bytes }.
// Listed as one line: the count as "%d", then "," and the name per filter, so "2,A,B" and "0".
// The count prints signed but is followed as unsigned (0x80000000 lists -2147483648 and reads
// filters until the file's end stops the conversion).
//
// [FilterExAudio1] and [FilterExAudio2]: clipCount records, nothing stored.
// Status "[FilterAudio] %d / %d" after each record; no progress steps.
void ReadAudioFilterSection(ListingContext& context, std::int32_t clipCount);

}  // namespace morvane
