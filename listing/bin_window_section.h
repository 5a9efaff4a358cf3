#pragma once

#include <cstdint>

#include "listing/listing_context.h"

namespace morvane {

// A bin item, the same six fields for every kind: item name (ShortString), file name
// (ShortString), in, out, audio rate, audio bits (u32 each, printed "%d").
//
// [BinWindow]: binCount bin items (none when it is 0 or negative), one line each, shaped by the
// kind of the item's file name (ClassifyClip):
//   Movie and Other: "%s,%s,in=%d,out=%d,audio=%dHz%dbit",
//                    as "bin1,CLIP.AVI,in=0,out=299,audio=48000Hz16bit"
//   Still:           "%s,%s,in=%d,out=%d", the audio fields read but not listed
//   Color:           the colour parameters of the file name (WriteColorClipName), then
//                    ",in=%d,out=%d"; neither name is listed
// each followed by CR LF. An item read after the end of the file has an empty file name (Other)
// and lists as ",,in=0,out=0,audio=0Hz0bit". Status "[BinWindow] %d / %d" after each item;
// nothing stored, no progress steps.
void ReadBinWindowSection(ListingContext& context, std::int32_t binCount);

}  // namespace morvane
