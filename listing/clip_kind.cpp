#include "listing/clip_kind.h"

#include <algorithm>

#include "listing/ascii_case.h"
#include "listing/field_listing.h"
#include "listing/timeline_recorder.h"

namespace morvane {

namespace {

// A name read from the file is a C string: whatever follows its first zero byte is not part
// of it, for classification and for listing alike.
std::string_view UpToZero(std::string_view name) {
  const std::size_t zero = name.find('\0');
  return zero == std::string_view::npos ? name : name.substr(0, zero);
}

// The byte at position i of the name, or the terminating zero past its end.
std::uint8_t ByteAt(std::string_view name, std::size_t i) {
  return i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0;
}

// Colour text which, right-aligned in 6 as "%6.6s" prints it.
void WriteColorText(ListingWriter& out, std::string_view name, int which) {
  const std::string_view text = ColorClipText(name, which);
  for (std::size_t pad = text.size(); pad < 6; ++pad) {
    out.WriteChar(' ');
  }
  out.WriteText(text);
}

}  // namespace

bool IsImageSuffix(std::string_view lastFour) {
  for (std::string_view suffix : kImageSuffixes) {
    if (EqualsIgnoringAsciiCase(lastFour, suffix)) {
      return true;
    }
  }
  return false;
}

ClipKind ClassifyClip(std::string_view fullName) {
  const std::string_view name = UpToZero(fullName);
  if (EndsWithIgnoringAsciiCase(name, "avi")) {
    return ClipKind::Movie;
  }
  if (name.size() >= 4 && IsImageSuffix(name.substr(name.size() - 4))) {
    return ClipKind::Still;
  }
  if (EndsWithIgnoringAsciiCase(name, "clr")) {
    return ClipKind::Color;
  }
  return ClipKind::Other;
}

std::int32_t ReadSignedFrame24(SourceReader& source) {
  const std::uint32_t v = source.ReadU24();
  const std::uint8_t marker = source.ReadU8();
  return SignedFrame24Value(v, marker);
}

LevelHead ReadLevelHead(SourceReader& source) {
  LevelHead head;
  head.pointCount = source.ReadU32();
  head.levelIn = source.ReadU16();
  head.levelOut = source.ReadU16();
  return head;
}

std::string_view ColorClipText(std::string_view fullName, int which) {
  const std::string_view name = UpToZero(fullName);
  const auto start = static_cast<std::size_t>(5 + 8 * which);
  return start < name.size() ? name.substr(start, 6) : std::string_view();
}

bool ListLevelPoints(SourceReader& source, ListingWriter& out, std::int32_t pointCount,
                     std::vector<LevelPoint>* kept) {
  bool anyNonzero = false;
  std::int32_t i = 0;
  // The points a recorder keeps, and then those it only counts, one by one.
  if (kept != nullptr) {
    for (; i < pointCount && kept->size() <= kLevelPointLimit; ++i) {
      const std::int32_t position = source.ReadU32();
      const std::uint16_t value = source.ReadU16();
      if (!out.Discards()) {
        out.Write(',', position, '=', std::int32_t{value});
      }
      kept->push_back(LevelPoint{position, value});
      anyNonzero = anyNonzero || value != 0;
    }
  }
  if (out.Discards()) {
    for (; i < pointCount; ++i) {
      source.ReadU32();
      anyNonzero = source.ReadU16() != 0 || anyNonzero;
    }
    return anyNonzero;
  }
  // A project may hold millions of points: a batch at a time with one check of the writer's
  // room, ",%d=%d" at most 18 bytes per point, its bytes taken from the reader's buffer at once
  // where it holds them all (read field by field, every byte written would make the compiler
  // load and store the reader's position again).
  constexpr std::int32_t kBatch = 512;
  while (i < pointCount) {
    const std::int32_t n = std::min(kBatch, pointCount - i);
    char* p = out.Claim(static_cast<std::size_t>(kBatch) * 18);
    std::uint32_t values = 0;
    const auto put = [&p, &values](std::int32_t position, std::uint16_t value) {
      *p++ = ',';
      p = FormatDecimal(p, position);
      *p++ = '=';
      p = FormatUnsigned(p, value);
      values |= value;
    };
    if (const std::uint8_t* bytes = source.Take(6 * static_cast<std::size_t>(n))) {
      for (std::int32_t k = 0; k < n; ++k, bytes += 6) {
        put(static_cast<std::int32_t>(U32At(bytes)), static_cast<std::uint16_t>(bytes[4] | bytes[5] << 8));
      }
    } else {
      for (std::int32_t k = 0; k < n; ++k) {
        const std::int32_t position = source.ReadU32();
        put(position, source.ReadU16());
      }
    }
    i += n;
    out.Commit(p);
    anyNonzero = anyNonzero || values != 0;
  }
  return anyNonzero;
}

void WriteColorClipName(ListingWriter& out, std::string_view fullName) {
  const std::string_view name = UpToZero(fullName);
  static constexpr std::array<std::string_view, 8> kDirections = {"U", "UR", "R", "BR",
                                                                  "B", "BL", "L", "UL"};
  const std::int32_t count = std::int32_t{ByteAt(name, 1)} - '0';
  const std::uint8_t direction = ByteAt(name, 2);
  out.Write("ColorClip(count=", count);
  out.WriteText(",direction=");
  if (direction >= '0' && direction <= '7') {
    out.WriteText(kDirections[direction - '0']);
  }
  out.WriteText(",1st=");
  WriteColorText(out, name, 0);
  out.WriteText(",2nd=");
  WriteColorText(out, name, 1);
  out.WriteText(",3rd=");
  WriteColorText(out, name, 2);
  out.WriteText(",4th=");
  WriteColorText(out, name, 3);
  out.WriteChar(')');
}

}  // namespace morvane
