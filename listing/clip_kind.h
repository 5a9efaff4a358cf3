#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "listing/listing_writer.h"
#include "listing/source_reader.h"

namespace morvane {

// What a clip (or a bin item's file) is, decided from the end of its name.
enum class ClipKind {
  Movie,  // last 3 characters "avi"
  Still,  // last 4 characters one of ImageSuffixes
  Color,  // last 3 characters "clr"; the name carries the colour parameters
  Other,  // anything else, including names too short for the suffix compared
};

// The still-image endings, each exactly 4 characters (longer extensions by their last four
// letters: ".targa" matches "arga"), in the order they are tried.
inline constexpr std::array<std::string_view, 27> kImageSuffixes = {
    ".bmp", ".dib", ".rle", ".jpg", "jpeg", "jfif", ".pic", "pict", ".pct",
    ".png", "pntg", ".pnt", ".mac", ".psd", ".qti", "qtif", ".sgi", ".rgb",
    ".tga", "arga", ".vda", ".icb", ".vst", ".tif", "tiff", ".fpx", ".gif"};

// True when lastFour equals an entry of kImageSuffixes, ASCII letters compared without regard
// to case and every other byte exactly.
bool IsImageSuffix(std::string_view lastFour);

// The kind of a clip name (its text up to the first zero byte): Movie, then Still, then Color
// are tried in that order, case-insensitively. A name of fewer than 3 characters is Other.
ClipKind ClassifyClip(std::string_view name);

// A 4-byte frame field: bytes 0 to 2 are an unsigned 24-bit number v, byte 3 a marker m.
// The value is v - 16777216 when m is 31, else v: FB FF FF 1F is -5, FB FF FF 00 is 16777211.
constexpr std::int32_t SignedFrame24Value(std::uint32_t v, std::uint8_t marker) {
  return marker == 31 ? static_cast<std::int32_t>(v) - 16777216 : static_cast<std::int32_t>(v);
}
std::int32_t ReadSignedFrame24(SourceReader& source);

// The head of an audio LevelBlock: point count, level in, level out. The points follow.
struct LevelHead {
  std::int32_t pointCount = 0;  // a count with its top bit set is negative: no points
  std::uint16_t levelIn = 0;
  std::uint16_t levelOut = 0;
};
LevelHead ReadLevelHead(SourceReader& source);

struct LevelPoint;

// Reads pointCount level points (position u32, value u16) and lists each as ",%d=%d"; a
// count of 0 or less reads and lists nothing. Returns true when any point's value is nonzero.
// When kept is given, the points are also appended to it, up to one more than kLevelPointLimit.
bool ListLevelPoints(SourceReader& source, ListingWriter& out, std::int32_t pointCount,
                     std::vector<LevelPoint>* kept = nullptr);

// Colour text number which (0 to 3) of a colour clip's name: up to 6 characters from position
// 5, 13, 21 or 29, cut at the end of the name (at its first zero byte); empty past it.
std::string_view ColorClipText(std::string_view name, int which);

// Lists the colour parameters that a colour clip carries in its name, as the six pieces
// "ColorClip(count=%d", ",direction=%s", ",1st=%6.6s", ",2nd=%6.6s", ",3rd=%6.6s" and
// ",4th=%6.6s)". The count is the byte at position 1 (0 to 255) minus 48; the direction digit
// at position 2 selects U, UR, R, BR, B, BL, L, UL ('0' to '7'; any other byte lists nothing);
// the colour texts start at positions 5, 13, 21 and 29, hold at most 6 characters, stop at the
// end of the name and are padded on the left to 6 (a name of 8 characters lists ",1st=   abc",
// then ",2nd=      "). The name ends at its first zero byte. A byte 0x83 at position 1 lists
// count=83, a space count=-16; a direction byte outside '0' to '7' lists ",direction=" alone.
void WriteColorClipName(ListingWriter& out, std::string_view name);

}  // namespace morvane
