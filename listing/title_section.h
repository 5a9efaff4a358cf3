#pragma once

#include <cstdint>

#include "listing/listing_context.h"

namespace morvane {

// [Title]: titleCount title records with their text items. The extended layout applies from
// version 0x0207 on, and to every EzEdit project. Status "[Title] %d / %d", 60 steps.
//
// A title record is, in file order, listed field by field:
//   begin, second value, third value (u32 each)   "begin=%d,%d,%d,%s" with
//   first name (string field)                       the first name
//   first word block: size (u32), words (u32)       ",%d" with the size, ",%u" per word
//   fourth value (u32), second name (string)        ",%u,%s"
//   second word block: size (u32), words (u32)      ",%d" with the size, ",%u" per word
//   layout word (u16), fifth value (u16)            ",%u,%u"   (extended layout only)
//   sixth value (u32)                               ",%u"      (extended layout only)
//   end of the head line                            ",\r\n"
//   text item count (u32)                           not listed
//   text items                                      one line each, see below
//   closing name (string field)                     ",%s\r\n"
// A word block of size s holds ceil(s / 4) words: none for 0 or a negative size, two for 5.
//
// A text item is one line:
//   item word (u32)                 ",%u", only in the extended layout with a layout word
//                                   other than 0x0300
//   text length (u8; 255 means a u16 length follows), text bytes
//                                   ",\"%s\"" with CR, LF, '"' and '\' written as \r, \n, \"
//                                   and \\; the text ends at its first zero byte (the bytes
//                                   after it are still read)
//   nine values (u32)               ",%u" each
//   item name (string field)        ",%s"
//   four values (u32), one (u8)     ",%u" each
//   six runs of 22, 18, 28, 18, 29 and 18 u32 values, each followed by one u16
//                                   ",%u" each
//   five values (u32)               ",%u" each, then "\r\n"
//
// So a title with begin 10, values 200 and 0, first name abc, two empty word blocks, fourth
// value 1, second name x, no text items and an empty closing name lists, in the plain layout,
//   begin=10,200,0,abc,0,1,x,0,
//   ,
// titleCount 0 or negative reads nothing. Nothing of a title is kept: memory use does not grow
// with the project beyond one buffer for the raw bytes of a text, at most 65,536 bytes.
void ReadTitleSection(ListingContext& context, std::int32_t titleCount, int version);

}  // namespace morvane
